// A fresh folder for one test's files under the system's temporary folder,
// removed with everything in it when the object goes.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <system_error>

namespace talun::test {

class ScratchDir {
  public:
    // name: a word in the folder's name, to tell whose leftovers are whose.
    explicit ScratchDir(const std::string& name = "test") {
        static std::atomic<unsigned> counter{0};
        const auto base = std::filesystem::temp_directory_path();
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        for (;;) {
            path_ = base / ("talun-" + name + "-" + std::to_string(stamp) + "-" +
                            std::to_string(counter++));
            if (std::filesystem::create_directories(path_)) break;
        }
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

}  // namespace talun::test
