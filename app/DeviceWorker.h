// The one thread on which all device work runs, one job at a time, in the order
// in which the jobs were posted. The window stays responsive meanwhile.
//
// After each job the worker calls the finish callback on its own thread; the
// window uses it to learn, in order, that a job has ended.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace talun {

class DeviceWorker {
  public:
    using Job = std::function<void()>;
    // Called on the worker thread after every job, with the job's tag.
    using FinishCallback = std::function<void(int tag)>;

    explicit DeviceWorker(FinishCallback onFinished);
    DeviceWorker(const DeviceWorker&) = delete;
    DeviceWorker& operator=(const DeviceWorker&) = delete;
    // Finishes what was posted, then ends the thread.
    ~DeviceWorker();

    // Queues a job behind those posted before it.
    void Post(Job job, int tag);
    // Runs every job posted so far to its end, then ends the thread. Later posts
    // are dropped.
    void Finish();

  private:
    struct Entry {
        Job job;
        int tag = 0;
    };
    void Loop();

    FinishCallback onFinished_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Entry> queue_;
    bool finishing_ = false;
    std::thread thread_;  // last: starts once everything above exists
};

}  // namespace talun
