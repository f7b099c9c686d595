// Planted for the layer check: the station's board and figures take platform/
// and their own folder (both allowed), nothing of the core or the front ends.
#include "monitor/BoardState.h"
#include "platform/Clock.h"
#include "update/ToolState.h"
