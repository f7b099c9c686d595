// The device worker: one thread, jobs in the order they were posted, and the
// end of each job reported in the same order.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "app/DeviceWorker.h"

namespace talun {
namespace {

// A gate a job waits at until the test opens it.
class Gate {
  public:
    void Open() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            open_ = true;
        }
        changed_.notify_all();
    }
    void Pass() {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return open_; });
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
};

struct Record {
    std::mutex mutex;
    std::vector<int> ran;
    std::vector<int> finished;
    std::vector<std::thread::id> threads;
};

TEST(DeviceWorker, RunsJobsInPostingOrderOnOneOtherThreadAndReportsEachEnd) {
    Record record;
    Gate gate;
    {
        DeviceWorker worker([&record](int tag) {
            std::lock_guard<std::mutex> lock(record.mutex);
            record.finished.push_back(tag);
        });
        const auto job = [&record](int n) {
            return [&record, n] {
                std::lock_guard<std::mutex> lock(record.mutex);
                record.ran.push_back(n);
                record.threads.push_back(std::this_thread::get_id());
            };
        };
        // The first job holds the worker; the others queue behind it.
        worker.Post([&gate] { gate.Pass(); }, 0);
        for (int n = 1; n <= 5; ++n) worker.Post(job(n), n);
        {
            std::lock_guard<std::mutex> lock(record.mutex);
            EXPECT_TRUE(record.ran.empty()) << "a job ran while the first one held the worker";
        }
        gate.Open();
        worker.Finish();
    }
    EXPECT_EQ(record.ran, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(record.finished, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    ASSERT_EQ(record.threads.size(), 5u);
    for (const auto& id : record.threads) {
        EXPECT_EQ(id, record.threads.front());
        EXPECT_NE(id, std::this_thread::get_id());
    }
}

TEST(DeviceWorker, FinishRunsWhatWasPostedAndDropsWhatComesAfter) {
    std::vector<int> ran;  // touched by the worker only until Finish returns
    Gate gate;
    DeviceWorker worker(nullptr);
    worker.Post([&gate] { gate.Pass(); }, 0);
    worker.Post([&ran] { ran.push_back(1); }, 0);
    std::thread finisher([&worker] { worker.Finish(); });
    gate.Open();
    finisher.join();
    worker.Post([&ran] { ran.push_back(2); }, 0);
    worker.Finish();  // a second time: nothing left, returns at once
    EXPECT_EQ(ran, std::vector<int>{1});
}

TEST(DeviceWorker, AJobThatThrowsEndsOnlyItself) {
    std::vector<int> finished;
    std::vector<int> ran;
    {
        DeviceWorker worker([&finished](int tag) { finished.push_back(tag); });
        worker.Post([] { throw std::runtime_error("device gone"); }, 1);
        worker.Post([&ran] { ran.push_back(2); }, 2);
    }  // the destructor finishes the queue
    EXPECT_EQ(ran, std::vector<int>{2});
    EXPECT_EQ(finished, (std::vector<int>{1, 2}));
}

}  // namespace
}  // namespace talun
