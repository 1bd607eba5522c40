// The viewer's export commands (context menu): the canvas as shown as PNG or SVG, the deflection
// animation as a GIF, the numbers behind the picture as JSON or CSV, the calculation sheet as PDF,
// the picture copied to the clipboard or printed. Each asks for a name in the
// save dialog, writes the file whole or not at all and says why in a "Warning" box when it cannot;
// "Save Image" stays the window's JPEG.
#pragma once

#include <string>

// "Export picture...": PNG or SVG after the chosen name's extension (".png" added to another name),
// at the size asked for next ("WxH", the canvas's offered; a size that is no size is said so).
void export_picture_command();
// "Export calculation sheet...": the PDF sheet (".pdf" added when missing).
void export_sheet_command();
// "Copy picture" (Ctrl+C): the canvas picture on the clipboard as an image.
void copy_picture_command();
// "Print picture..." (Ctrl+P): the canvas picture through the printer dialog.
void print_picture_command();
// "Export animation...": the six animation frames as a looping GIF (".gif" added when missing).
void export_animation_command();
// "Export results...": the report as JSON or CSV after the name's extension (".json" added to
// another name).
void export_results_command();
// The name the dialogs offer: the results file's folder and name with extension in place of its own
// ("" without a results file).
std::string offered_export_name(const std::string& extension);
