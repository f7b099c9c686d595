// The text of the driver library's most recent failure, kept for a trace.
#pragma once

#include <mutex>
#include <string>

namespace talun::hiddriver {

class LastError {
  public:
    void Set(std::string text) {
        std::lock_guard<std::mutex> lock(mutex_);
        text_ = std::move(text);
    }
    void Clear() { Set({}); }
    std::string Get() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return text_;
    }

  private:
    mutable std::mutex mutex_;
    std::string text_;
};

}  // namespace talun::hiddriver
