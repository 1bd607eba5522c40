// Settings kept between runs (gui/preferences.h): the switches of the engineer's additions (force
// colours and their legend, node numbers, reactions, largest deflection, utilisation colours, load
// arrows, support markers), the main window's size and position, the results window's size and
// sort, the units and allowable stresses of the checks, the label filter and the folders the file
// dialogs start in.
// The switches of the column (Deflected, Applied Load, Element No., 3D) start as they always do.
#pragma once

#include <string>

// Sets what the last run left (after the main window opened, before its first picture); what was
// never stored stays as it is.
void restore_remembered_settings();
// Stores the additions' switches, the windows and the checks (when the program ends).
void remember_settings();
// "Reset settings": forgets what was stored and sets the additions' switches, the checks and the
// results window's sort as at first start.
void reset_settings();

// The file dialogs whose folder is kept.
enum class DialogFolder { Load, Image, Export };
// The folder the dialog of kind starts in all through a run: that of the file last chosen in it in
// an earlier run; "" when none was, or the folder is gone.
std::string remembered_folder(DialogFolder kind);
// path (a full path, "" for a cancel) was chosen in the dialog of kind: the next run starts there.
void remember_folder(DialogFolder kind, const std::string& path);
