// A fresh folder for one test's files, removed with everything in it afterwards.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>

namespace talun::test {

class ScratchDir {
  public:
    explicit ScratchDir(const std::string& name) {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        path_ = std::filesystem::temp_directory_path() /
                ("talun-" + name + "-" + std::to_string(stamp));
        std::filesystem::create_directories(path_);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }

    std::string Path() const { return path_.string(); }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

}  // namespace talun::test
