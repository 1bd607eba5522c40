"""Reads a DXF drawing (through ezdxf) or a VTU grid (through Python's XML parser) and prints what
it holds, one fact a line, for tests/app/test_cad_exports.cpp:

  dxf FILE: "version V", "audit E" (ezdxf's count of errors), "layer NAME COLOUR" per layer,
            "LINE LAYER x1 y1 z1 x2 y2 z2" and "TEXT LAYER TEXT x y z" (the alignment point) per
            entity of the model space
  vtu FILE: "piece POINTS CELLS", "array SECTION NAME TYPE COMPONENTS TUPLES" and then
            "tuple SECTION NAME INDEX v..." per tuple, for PointData, CellData, Points and Cells

Exits non-zero when the file does not parse or a VTU array's value count is not a whole number of
tuples."""
import sys
import xml.etree.ElementTree as ET


def dxf(path):
    import ezdxf
    doc = ezdxf.readfile(path)
    print('version', doc.dxfversion)
    print('audit', len(doc.audit().errors))
    for layer in doc.layers:
        print('layer', layer.dxf.name, layer.dxf.color)
    for entity in doc.modelspace():
        kind = entity.dxftype()
        if kind == 'LINE':
            points = list(entity.dxf.start) + list(entity.dxf.end)
            print('LINE', entity.dxf.layer, *[repr(v) for v in points])
        elif kind == 'TEXT':
            print('TEXT', entity.dxf.layer, entity.dxf.text, *[repr(v) for v in entity.dxf.align_point])
        else:
            print('OTHER', kind)


def vtu(path):
    root = ET.parse(path).getroot()
    assert root.tag == 'VTKFile' and root.get('type') == 'UnstructuredGrid', root.tag
    piece = root.find('UnstructuredGrid/Piece')
    print('piece', piece.get('NumberOfPoints'), piece.get('NumberOfCells'))
    for section in ('PointData', 'CellData', 'Points', 'Cells'):
        for array in piece.find(section).findall('DataArray'):
            assert array.get('format') == 'ascii'
            name = array.get('Name') or '-'
            components = int(array.get('NumberOfComponents') or 1)
            values = array.text.split()
            if section == 'Cells' and name == 'connectivity':
                components = 2
            assert len(values) % components == 0, name
            tuples = len(values) // components
            print('array', section, name, array.get('type'), components, tuples)
            for index in range(tuples):
                print('tuple', section, name, index, *values[index * components:(index + 1) * components])


{'dxf': dxf, 'vtu': vtu}[sys.argv[1]](sys.argv[2])
