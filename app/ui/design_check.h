// The viewer's design checks: "Units..." sets the units the numbers are shown in, "Design
// check..." the allowable stresses and the solver input whose sections add the buckling check.
// Both keep what they set across Load File (app/ui/loaded_numbers.h) and redraw.
#pragma once

// "Units...": asks for LENGTH,FORCE,STRESS (empty for the file's own).
void units_command();
// "Design check...": asks for the allowable stresses T[,C] (empty for none), then for the solver
// input (cancel for none); shows the members coloured by utilisation.
void design_check_command();
