#include "production/LogCsv.h"

namespace talun::production {
namespace {

inline constexpr char CSV_LINE_END[] = "\r\n";

// The columns: the header's name and the records' key.
struct Column {
    const char* name;
    const char* key;
};
constexpr Column COLUMNS[] = {
    {"time", "time"},
    {"station", "station"},
    {"label", "label"},
    {"port", "port"},
    {"serial", "serial"},
    {"lot", "lot"},
    {"outcome", "outcome"},
    {"failed_step", "failed_step"},
    {"failure", "failure"},
    {"duration_ms", "duration_ms"},
    {"firmware_sha256", "firmware_sha256"},
};

std::string Row(const LoggedMouse& mouse) {
    std::string row;
    for (const Column& column : COLUMNS) {
        if (!row.empty()) row += ',';
        const std::string key = column.key;
        if (key == "outcome" && mouse.Interrupted()) {
            row += "interrupted";
        } else {
            row += CsvField(mouse.Text(column.key));
        }
    }
    return row + CSV_LINE_END;
}

}  // namespace

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string LogCsv(const LogRecords& records) {
    std::string csv;
    for (const Column& column : COLUMNS) {
        csv += (csv.empty() ? "" : ",") + std::string(column.name);
    }
    csv += CSV_LINE_END;
    for (const LoggedMouse& mouse : records.mice) csv += Row(mouse);
    return csv;
}

}  // namespace talun::production
