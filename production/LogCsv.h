// summary --csv: the mice of a production log as CSV for QA, one row per mouse
// after a header row, quoted as RFC 4180 says (a field with a comma, a double
// quote or a line break in double quotes, its quotes doubled; CRLF line ends).
#pragma once

#include <string>

#include "production/LogRecords.h"

namespace talun::production {

// The header and every mouse's row; an interrupted mouse's outcome is
// "interrupted", its other outcome fields empty.
std::string LogCsv(const LogRecords& records);

// One field, quoted where it must be.
std::string CsvField(const std::string& text);

}  // namespace talun::production
