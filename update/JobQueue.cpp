#include "update/JobQueue.h"

#include <exception>
#include <utility>

namespace talun {

std::optional<std::string> RunJobCaught(const JobQueue::Job& job) {
    try {
        job();
        return std::nullopt;
    } catch (const std::exception& error) {
        const char* what = error.what();
        return std::string(what != nullptr && *what != '\0' ? what : UNKNOWN_JOB_FAILURE);
    } catch (...) {
        return std::string(UNKNOWN_JOB_FAILURE);
    }
}

JobQueue::JobQueue(EndCallback onEnd) : onEnd_(std::move(onEnd)), thread_([this] { Loop(); }) {}

JobQueue::~JobQueue() {
    Finish();
}

void JobQueue::Post(Job job, int tag) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (ending_) return;
        queue_.push_back(Entry{std::move(job), tag});
    }
    wake_.notify_one();
}

void JobQueue::Finish() {
    End(true);
}

void JobQueue::Stop() {
    End(false);
}

void JobQueue::End(bool runQueued) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ending_ = true;
        if (!runQueued) queue_.clear();
    }
    wake_.notify_one();
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void JobQueue::Loop() {
    for (;;) {
        Entry entry;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return ending_ || !queue_.empty(); });
            if (queue_.empty()) return;  // ending, and nothing left to do
            entry = std::move(queue_.front());
            queue_.pop_front();
        }
        const std::optional<std::string> failure = RunJobCaught(entry.job);
        if (!onEnd_) continue;
        // The end callback is held to the same policy: what it throws is dropped,
        // as there is no one left to tell, and the worker goes on.
        RunJobCaught([&] { onEnd_(entry.tag, failure); });
    }
}

}  // namespace talun
