// The instance guard around one talun-r5 command that touches a mouse: taken
// before the driver library is loaded (so before the monitor or the feature
// device is opened) and held until the command has ended.
#pragma once

#include <functional>
#include <string>

#include "cli/Output.h"
#include "platform/InstanceGuard.h"

namespace talun::cli {

// Runs command while this program holds the guard and returns its status. When
// another program holds the guard, or it cannot be taken, nothing is run and
// nothing reaches a mouse: says who holds it where that can be told, and returns
// EXIT_IN_USE.
int RunHoldingGuard(InstanceGuard& guard, const std::string& commandName, const Output& out,
                    const std::function<int(const Output&)>& command);

}  // namespace talun::cli
