// Planted for the layer check: a platform service, not an interface.
#include "platform/SystemClock.h"
#include <windows.h>
#include "device/Transport.h"
