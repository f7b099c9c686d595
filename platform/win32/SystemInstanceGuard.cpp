#include "platform/SystemInstanceGuard.h"

#include <windows.h>

#include <memory>
#include <string>
#include <utility>

#include "platform/win32/UniqueHandle.h"

namespace talun {
namespace {

// The guard and the marker that says a talun-r5 holds it. A named object goes
// with its last handle, or with the process however it ends.
class HeldMutexes final : public HeldInstanceGuard {
  public:
    explicit HeldMutexes(HANDLE guard) : guard_(guard) {}
    // Created after the guard, so that the marker never outlives it.
    void AddMarker(HANDLE marker) { marker_ = std::make_unique<UniqueHandle>(marker); }

  private:
    UniqueHandle guard_;
    std::unique_ptr<UniqueHandle> marker_;
};

class MutexGuard final : public InstanceGuard {
  public:
    GuardAttempt Take() override {
        GuardAttempt attempt;
        // As the window does: created without ownership; its existence is the guard.
        const HANDLE guard = ::CreateMutexA(nullptr, FALSE, INSTANCE_GUARD_NAME);
        const DWORD error = ::GetLastError();
        if (guard == nullptr) {
            attempt.detail = std::string("cannot create the mutex \"") + INSTANCE_GUARD_NAME +
                             "\" (error " + std::to_string(error) + ")";
            return attempt;
        }
        auto held = std::make_unique<HeldMutexes>(guard);
        if (error == ERROR_ALREADY_EXISTS) {
            // Open, not create: this program must not make a marker of its own now.
            // (Between another talun-r5 creating the guard and its marker, it
            // counts as the window; only the message differs.)
            const UniqueHandle marker(::OpenMutexA(SYNCHRONIZE, FALSE, COMMAND_LINE_MARKER_NAME));
            attempt.state = marker ? GuardState::HeldByCommandLine : GuardState::HeldByWindow;
            return attempt;
        }
        // Without the marker (if it cannot be made) the guard still holds; another
        // talun-r5 would only take this one for the window.
        held->AddMarker(::CreateMutexA(nullptr, FALSE, COMMAND_LINE_MARKER_NAME));
        attempt.state = GuardState::Taken;
        attempt.held = std::move(held);
        return attempt;
    }

    std::string Where() const override {
        return std::string("the mutex \"") + INSTANCE_GUARD_NAME + "\"";
    }
};

}  // namespace

std::unique_ptr<InstanceGuard> MakeSystemInstanceGuard() {
    return std::make_unique<MutexGuard>();
}

}  // namespace talun
