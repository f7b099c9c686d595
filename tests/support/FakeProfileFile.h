// A settings file held in memory: the values of one path, and every read.
#pragma once

#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/ProfileFile.h"

namespace talun::testing {

class FakeProfileFile final : public ProfileFile {
  public:
    std::string ReadString(const std::string& path, const std::string& section,
                           const std::string& key, const std::string& defaultValue,
                           std::size_t) const override {
        reads.emplace_back(path, section, key);
        if (path != existingPath) return defaultValue;
        auto it = values.find({section, key});
        return it == values.end() ? defaultValue : it->second;
    }
    std::string existingPath;
    std::map<std::pair<std::string, std::string>, std::string> values;
    mutable std::vector<std::tuple<std::string, std::string, std::string>> reads;
};

}  // namespace talun::testing
