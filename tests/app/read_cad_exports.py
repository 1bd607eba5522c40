"""Prints what a DXF drawing (read by ezdxf) or a VTU grid (read by Python's XML parser) holds, one
fact a line, numbers as the shortest text of the double read (4.0 as 4):
  dxf FILE: "version V", "audit ERRORS", "layer NAME", "LINE LAYER x1 y1 z1 x2 y2 z2",
            "TEXT LAYER TEXT x y z" (the alignment point)
  vtu FILE: "piece POINTS CELLS", "array SECTION NAME TYPE COMPONENTS TUPLES",
            "tuple SECTION NAME INDEX VALUES...", "sum SECTION NAME SUMS..." (per component;
            Points' array has the name -)
Fails when the file does not parse or an array's values are no whole number of tuples."""
import sys
import xml.etree.ElementTree as ET


def text(value):
    r = repr(float(value))
    return r[:-2] if r.endswith('.0') else r


def dxf(path):
    import ezdxf
    doc = ezdxf.readfile(path)
    print('version', doc.dxfversion)
    print('audit', len(doc.audit().errors))
    for layer in doc.layers:
        print('layer', layer.dxf.name)
    for e in doc.modelspace():
        if e.dxftype() == 'LINE':
            print('LINE', e.dxf.layer, *map(text, list(e.dxf.start) + list(e.dxf.end)))
        else:
            print(e.dxftype(), e.dxf.layer, e.dxf.text, *map(text, e.dxf.align_point))


def vtu(path):
    piece = ET.parse(path).getroot().find('UnstructuredGrid/Piece')
    print('piece', piece.get('NumberOfPoints'), piece.get('NumberOfCells'))
    for section in ('PointData', 'CellData', 'Points', 'Cells'):
        for array in piece.find(section).findall('DataArray'):
            name = array.get('Name') or '-'
            width = 2 if name == 'connectivity' else int(array.get('NumberOfComponents') or 1)
            values = array.text.split()
            assert array.get('format') == 'ascii' and len(values) % width == 0, name
            print('array', section, name, array.get('type'), width, len(values) // width)
            for i in range(len(values) // width):
                print('tuple', section, name, i, *map(text, values[i * width:(i + 1) * width]))
            print('sum', section, name, *[text(sum(map(float, values[j::width]))) for j in range(width)])


{'dxf': dxf, 'vtu': vtu}[sys.argv[1]](sys.argv[2])
