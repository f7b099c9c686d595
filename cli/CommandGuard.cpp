#include "cli/CommandGuard.h"

#include "cli/ToolSession.h"

namespace talun::cli {

namespace {

inline constexpr char NOTHING_SENT[] = "; nothing was sent to the mouse";

std::string InUseMessage(const GuardAttempt& attempt, const InstanceGuard& guard) {
    switch (attempt.state) {
        case GuardState::HeldByWindow:
            return "the mouse is in use: the window (TalunR5Update) is running (it holds " +
                   guard.Where() + ")" + NOTHING_SENT;
        case GuardState::HeldByCommandLine:
            return "the mouse is in use: another talun-r5 is running (it holds " + guard.Where() +
                   ")" + NOTHING_SENT;
        case GuardState::Unavailable:
        case GuardState::Taken:
            break;
    }
    return "cannot take the instance guard: " + attempt.detail + NOTHING_SENT;
}

}  // namespace

int RunHoldingGuard(InstanceGuard& guard, const std::string& commandName, const Output& out,
                    const std::function<int(const Output&)>& command) {
    const GuardAttempt attempt = guard.Take();
    if (attempt.state != GuardState::Taken || !attempt.held)
        return out.Fail(commandName, "in-use", EXIT_IN_USE, InUseMessage(attempt, guard));
    return command(out);
}

}  // namespace talun::cli
