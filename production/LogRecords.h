// The records of a production log, mouse by mouse: each "started" record paired
// with its outcome record by their "id", so that a mouse whose update was cut
// short (a crash, a power cut, kill -9) shows as started without an outcome.
// Logs written before started records existed hold outcome records alone; each
// is a mouse of its own.
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace talun::production {

struct LoggedMouse {
    nlohmann::json started;  // null: none (a log written before started records)
    nlohmann::json outcome;  // null: none, the update was interrupted

    bool Interrupted() const { return outcome.is_null(); }
    bool Updated() const { return !Interrupted() && outcome.value("outcome", "") == "updated"; }
    // A field of the mouse: the outcome record's, else the started record's.
    std::string Text(const char* key) const;
};

struct LogRecords {
    std::vector<LoggedMouse> mice;      // in the order of each mouse's first record
    std::vector<std::string> problems;  // lines that are not records
    std::size_t tornLastLineBytes = 0;  // 0: the last line is whole
};

// The log's text read line by line; never fails (what cannot be read is listed).
LogRecords ReadLogRecords(const std::string& text);

}  // namespace talun::production
