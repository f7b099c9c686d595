// The engine of all device work: one worker thread per mouse that runs the jobs
// given to it one at a time, in the order in which they were posted.
//
// One exception policy for every front end: a job that throws ends that job
// only. The worker goes on with the next one and reports the failure, with its
// reason, to the end callback; nothing a job throws ever leaves the worker.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace talun {

// The reason given for a thrown object that is not a std::exception, or one
// whose what() says nothing.
inline constexpr char UNKNOWN_JOB_FAILURE[] = "unknown error";

class JobQueue {
  public:
    using Job = std::function<void()>;
    // Called on the worker after every job, with the job's tag and, when the job
    // threw, why (what() of the exception, or UNKNOWN_JOB_FAILURE).
    using EndCallback = std::function<void(int tag, const std::optional<std::string>& failure)>;

    explicit JobQueue(EndCallback onEnd);
    JobQueue(const JobQueue&) = delete;
    JobQueue& operator=(const JobQueue&) = delete;
    // Finish().
    ~JobQueue();

    // Queues a job behind those posted before it; dropped once the queue ends.
    void Post(Job job, int tag = 0);
    // Runs every job posted so far to its end, then ends the thread.
    void Finish();
    // Lets the job in progress finish, drops the others, then ends the thread.
    void Stop();

  private:
    struct Entry {
        Job job;
        int tag = 0;
    };
    void End(bool runQueued);
    void Loop();

    EndCallback onEnd_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Entry> queue_;
    bool ending_ = false;
    std::thread thread_;  // last: starts once everything above exists
};

// Runs job under the policy above: nothing when it ran to its end, else why not.
std::optional<std::string> RunJobCaught(const JobQueue::Job& job);

}  // namespace talun
