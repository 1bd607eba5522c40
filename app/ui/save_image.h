// Saving a picture of the whole main window as a JPEG file.
#pragma once

#include <string>
#include <string_view>

// "Save Image": asks for a file name, captures the main window with its frame and caption, draws a
// one-pixel frame line into the capture, cuts a 2-pixel margin away and writes the rest as a JPEG
// file (quality 70) whose name ends in ".jpg"; tells the user where it went or why it did not.
// When the ".jpg" rule changed the chosen name and a file of the new name exists, asks first
// whether to replace it ("No" ends the command quietly). A failed capture writes nothing.
void save_view_image();
// path with the extension ".jpg": the file name's last extension is replaced, a name without one
// gets ".jpg" appended. Dots in folder names are never taken for an extension.
std::string jpeg_file_name(std::string_view path);
