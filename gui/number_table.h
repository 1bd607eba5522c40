// The numbered-object table of windows and controls: the one template in core/number_table.h.
#pragma once

#include "core/number_table.h"
