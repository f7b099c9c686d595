// Planted for the layer check: the production records take the core (allowed),
// never the command line above them.
#include "cli/Output.h"
#include "update/ToolState.h"
