// A gate that other threads wait at until the test opens it; the test can wait
// for the first of them to arrive.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace talun::test {

class Gate {
  public:
    // Waits here until the gate is open.
    void Pass() {
        std::unique_lock<std::mutex> lock(mutex_);
        ++arrived_;
        changed_.notify_all();
        changed_.wait(lock, [this] { return open_; });
    }
    void Open() {
        std::lock_guard<std::mutex> lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    // True once a thread has come to the gate, within a generous limit.
    bool WaitForArrival() {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(30), [this] { return arrived_ > 0; });
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int arrived_ = 0;
    bool open_ = false;
};

}  // namespace talun::test
