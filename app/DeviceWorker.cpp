#include "app/DeviceWorker.h"

#include <utility>

namespace talun {

DeviceWorker::DeviceWorker(FinishCallback onFinished)
    : onFinished_(std::move(onFinished)), thread_([this] { Loop(); }) {}

DeviceWorker::~DeviceWorker() {
    Finish();
}

void DeviceWorker::Post(Job job, int tag) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (finishing_) return;
        queue_.push_back(Entry{std::move(job), tag});
    }
    wake_.notify_one();
}

void DeviceWorker::Finish() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        finishing_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable()) thread_.join();
}

void DeviceWorker::Loop() {
    for (;;) {
        Entry entry;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return finishing_ || !queue_.empty(); });
            if (queue_.empty()) return;  // finishing, and nothing left to do
            entry = std::move(queue_.front());
            queue_.pop_front();
        }
        try {
            entry.job();
        } catch (...) {
            // The device operations report failures by their results; anything
            // thrown (out of memory) ends this job only, never the worker.
        }
        if (onFinished_) onFinished_(entry.tag);
    }
}

}  // namespace talun
