#include "production/LogRecords.h"

#include <map>
#include <stdexcept>

namespace talun::production {
namespace {

inline constexpr char RECORD_STARTED[] = "started";

// A record's pairing key: the station's host and the record's id; empty for a
// record without an id (an old log).
std::string PairKey(const nlohmann::json& record) {
    const auto id = record.find("id");
    if (id == record.end() || !id->is_string()) return {};
    return record.value("host", "") + "\n" + id->get<std::string>();
}

class Pairing {
  public:
    explicit Pairing(LogRecords& records) : records_(records) {}

    void Add(nlohmann::json record) {
        const std::string key = PairKey(record);
        if (record.value("record", "") == RECORD_STARTED) {
            records_.mice.push_back({std::move(record), nullptr});
            if (!key.empty()) open_[key] = records_.mice.size() - 1;
            return;
        }
        if (!record.contains("outcome")) throw std::invalid_argument("no outcome");
        const auto started = key.empty() ? open_.end() : open_.find(key);
        if (started == open_.end()) {
            records_.mice.push_back({nullptr, std::move(record)});
            return;
        }
        records_.mice[started->second].outcome = std::move(record);
        open_.erase(started);
    }

  private:
    LogRecords& records_;
    std::map<std::string, std::size_t> open_;  // started without an outcome yet
};

}  // namespace

std::string LoggedMouse::Text(const char* key) const {
    for (const nlohmann::json* record : {&outcome, &started}) {
        if (!record->is_object()) continue;
        const auto found = record->find(key);
        if (found == record->end() || found->is_null()) continue;
        return found->is_string() ? found->get<std::string>() : found->dump();
    }
    return {};
}

LogRecords ReadLogRecords(const std::string& all) {
    LogRecords records;
    Pairing pairing(records);
    std::size_t lineNumber = 0;
    for (std::size_t start = 0; start < all.size();) {
        const std::size_t end = all.find('\n', start);
        ++lineNumber;
        if (end == std::string::npos) {
            records.tornLastLineBytes = all.size() - start;
            break;
        }
        std::string line = all.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        try {
            nlohmann::json record = nlohmann::json::parse(line);
            if (!record.is_object()) throw std::invalid_argument("not an object");
            pairing.Add(std::move(record));
        } catch (const std::exception&) {
            records.problems.push_back("line " + std::to_string(lineNumber) +
                                       " is not a whole record; skipped");
        }
    }
    return records;
}

}  // namespace talun::production
