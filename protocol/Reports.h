// Every report of the mouse; each family's layout is in its own header.
#pragma once

#include "protocol/DeviceSettings.h"
#include "protocol/FirmwareChunk.h"
#include "protocol/MacroReport.h"
#include "protocol/Report.h"
#include "protocol/SettingsReports.h"
#include "protocol/StatusReport.h"
