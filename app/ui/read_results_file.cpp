// The window around the results reader.
// Touches: TrussModel, ViewState's node records, planar_model, results_missing,
// View.show_deflected, controls ID_3D and ID_DEFLECTION_SCALE, file slot RESULTS_FILE.
#include "app/ui/read_results_file.h"

#include "app/model/line_source.h"
#include "app/model/results_reader.h"
#include "app/ui/ids.h"
#include "app/ui/loaded_numbers.h"
#include "app/ui/window_state.h"
#include "core/file.h"
#include "core/str.h"
#include "gui/gadget.h"
#include "gui/requester.h"

namespace {

// Reads source into TrussModel and shows the outcome: the "3D" tick and the scale field first,
// then, with the file closed, the message boxes.
void read_into_window(LineSource& source)
{
    const ReadOutcome outcome = read_results(source, TrussModel);
    model_loaded();  // numbers taken while the file was being opened belong to no model
    size_view_node_records(TrussModel.node_count);
    if (outcome.spatial) {
        planar_model = 0;
        gadget_set_state(ID_3D, 1);
    }
    View.show_deflected = 0;
    View.deflection_scale = TrussModel.deflection_scale;  // until "Deflected" takes the field's
    if (outcome.fault != ResultsFault::none)
        results_missing = 1;
    if (outcome.deflection_scale_found)
        gadget_set_text(ID_DEFLECTION_SCALE, str_from_float(outcome.deflection_scale, 0));
    file_close(RESULTS_FILE);
    for (const ReaderMessage& message : outcome.messages)
        req_message(message.title, message.text, 0);
}

}  // namespace

void read_results()
{
    FileSlotLineSource source(RESULTS_FILE);
    read_into_window(source);
}

bool read_results_from_memory(std::string_view bytes)
{
    reset_for_load();
    MemoryLineSource source(bytes);
    read_into_window(source);
    return true;
}
