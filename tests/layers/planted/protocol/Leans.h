// Planted for the layer check: protocol/ stands alone.
#include "platform/Clock.h"
