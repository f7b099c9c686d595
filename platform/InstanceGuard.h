// The instance guard: while one program of the tool holds it, no other one
// touches a mouse. The window holds it for as long as it runs; talun-r5 for as
// long as a command that talks to a mouse runs. Whoever finds it taken writes
// nothing to the mouse.
#pragma once

#include <memory>
#include <string>

namespace talun {

// The named mutex whose existence marks a running window, in the logon's local
// namespace; talun-r5 on Windows holds the same one.
inline constexpr char INSTANCE_GUARD_NAME[] = "Gaming_Mouse_Korvane";

enum class GuardState {
    Taken,              // this program holds it now
    HeldByWindow,       // the window holds it (or another program under its name)
    HeldByCommandLine,  // another talun-r5 holds it
    Unavailable,        // it could not be taken for another reason (see detail)
};

// The guard while this program holds it; released when destroyed, and by the
// system when the process ends in any way.
class HeldInstanceGuard {
  public:
    virtual ~HeldInstanceGuard() = default;
};

struct GuardAttempt {
    GuardState state = GuardState::Unavailable;
    std::unique_ptr<HeldInstanceGuard> held;  // set exactly when Taken
    std::string detail;                       // why it is Unavailable
};

class InstanceGuard {
  public:
    virtual ~InstanceGuard() = default;
    // Takes the guard for a talun-r5 command, at once or not at all (never waits).
    virtual GuardAttempt Take() = 0;
    // Where the guard lives, for messages: the mutex's name, the lock file's path.
    virtual std::string Where() const = 0;
};

}  // namespace talun
