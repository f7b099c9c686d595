// Planted for the layer check: a front end takes the driver contract and the
// core (both allowed), never a driver's own headers.
#include "driver/api/HidDriverApi.h"
#include "driver/replay/Replayer.h"
#include "update/UpdateRun.h"
