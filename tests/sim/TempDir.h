// A fresh directory under the system's temporary directory, removed with its
// contents when the object goes.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <system_error>

namespace talun::sim::test {

class TempDir {
  public:
    TempDir() {
        const auto base = std::filesystem::temp_directory_path();
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        for (int n = 0;; ++n) {
            path_ = base / ("talun-sim-" + std::to_string(stamp) + "-" + std::to_string(n));
            if (std::filesystem::create_directory(path_)) break;
        }
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

}  // namespace talun::sim::test
