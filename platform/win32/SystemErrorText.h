// The system's own words for a GetLastError code.
#pragma once

#include <string>

namespace talun {

// "<system text> (error <code>)", the text without its trailing full stop and
// line end; "system error (error <code>)" where the system has no text.
std::string SystemErrorText(unsigned long code);

// The system's text alone; "no description" where it has none.
std::string SystemErrorMessage(unsigned long code);

}  // namespace talun
