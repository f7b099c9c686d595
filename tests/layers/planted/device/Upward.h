// Planted for the layer check: device/ must not include update/.
#include "update/UpdateRun.h"
