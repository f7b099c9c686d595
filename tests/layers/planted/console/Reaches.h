// Planted for the layer check: a console program's events take the driver
// contract and their own folder (both allowed), nothing of the front end above.
#include "cli/ToolSession.h"
#include "console/WatchEvents.h"
#include "driver/api/HidDriverApi.h"
