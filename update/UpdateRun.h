// One update run: the firmware, then the default settings, and the outcome.
#pragma once

#include "update/ToolState.h"

namespace talun {

inline constexpr char HINT_NOT_UPDATED[] = "MAKE SURE THE TALUN R5 IS CONNECTED.";

// Sets UpdateStatus to Updating, transfers the firmware, restores the settings
// and sets UpdateStatus to Updated only when every firmware chunk and every
// settings report was written and acknowledged; NotUpdated otherwise. The
// observer hears of the status, the wait cursor and every step. Returns the
// final status.
UpdateStatus RunUpdate(CoreContext& ctx);

// A run that was cut short by an exception: UpdateStatus becomes NotUpdated
// first, then the observer hears of it as of a run's end.
void EndRunFailed(CoreContext& ctx);

}  // namespace talun
