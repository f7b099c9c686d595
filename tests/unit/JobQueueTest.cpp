// The engine's job queue: one thread, jobs in the order they were posted, the
// end of each job reported in the same order, and what a job throws kept to it.
#include <gtest/gtest.h>

#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "tests/support/Gate.h"
#include "update/JobQueue.h"

namespace talun {
namespace {

using test::Gate;  // a job waits at it until the test opens it

struct Record {
    std::mutex mutex;
    std::vector<int> ran;
    std::vector<int> finished;
    std::vector<std::thread::id> threads;
};

TEST(JobQueue, RunsJobsInPostingOrderOnOneOtherThreadAndReportsEachEnd) {
    Record record;
    Gate gate;
    {
        JobQueue worker([&record](int tag, const std::optional<std::string>&) {
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

TEST(JobQueue, FinishRunsWhatWasPostedAndDropsWhatComesAfter) {
    std::vector<int> ran;  // touched by the worker only until Finish returns
    Gate gate;
    JobQueue worker(nullptr);
    worker.Post([&gate] { gate.Pass(); }, 0);
    worker.Post([&ran] { ran.push_back(1); }, 0);
    std::thread finisher([&worker] { worker.Finish(); });
    gate.Open();
    finisher.join();
    worker.Post([&ran] { ran.push_back(2); }, 0);
    worker.Finish();  // a second time: nothing left, returns at once
    EXPECT_EQ(ran, std::vector<int>{1});
}

TEST(JobQueue, StopLetsTheJobInProgressFinishAndDropsTheRest) {
    std::vector<int> ran;
    Gate gate;
    JobQueue worker(nullptr);
    worker.Post([&gate, &ran, &worker] {
        gate.Pass();
        worker.Stop();  // as from another thread, while this job is in progress
        ran.push_back(1);
    });
    worker.Post([&ran] { ran.push_back(2); });
    gate.Open();
    worker.Finish();
    EXPECT_EQ(ran, std::vector<int>{1});
}

// Whatever a job throws ends that job alone, with its reason; an end callback
// that throws as well never stops the worker.
TEST(JobQueue, AJobThatThrowsEndsOnlyItselfAndItsReasonIsReported) {
    std::vector<std::pair<int, std::string>> ends;
    std::vector<int> ran;
    {
        JobQueue worker([&ends](int tag, const std::optional<std::string>& failure) {
            ends.emplace_back(tag, failure.value_or("-"));
            if (tag == 2) throw std::logic_error("the report failed too");
        });
        worker.Post([] { throw std::runtime_error("device gone"); }, 1);
        worker.Post([] { throw 42; }, 2);
        worker.Post([] { throw std::runtime_error(""); }, 3);
        worker.Post([&ran] { ran.push_back(4); }, 4);
    }  // the destructor finishes the queue
    EXPECT_EQ(ran, std::vector<int>{4});
    const std::vector<std::pair<int, std::string>> expected = {
        {1, "device gone"}, {2, UNKNOWN_JOB_FAILURE}, {3, UNKNOWN_JOB_FAILURE}, {4, "-"}};
    EXPECT_EQ(ends, expected);
}

}  // namespace
}  // namespace talun
