// The station's figures in the Prometheus text format, and the file that holds
// them, replaced whole on every change.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "monitor/MetricsFile.h"
#include "monitor/ReplaceFile.h"
#include "monitor/StationMetrics.h"
#include "tests/support/FileText.h"
#include "tests/support/ScratchDir.h"

namespace talun::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

const monitor::StationMetrics::Info INFO = {"3.01", "ab12", "line \"2\" \\ hall\nB"};

std::string Read(const std::string& path) {
    return ReadFileText(path).value_or("");
}

std::vector<std::string> FilesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

TEST(StationMetrics, EverySeriesIsThereFromTheStartWithTheStationEscaped) {
    const std::string text = monitor::StationMetrics(INFO).Exposition();
    EXPECT_THAT(text, HasSubstr("# TYPE talun_r5_mice_total counter\n"
                                "talun_r5_mice_total{outcome=\"updated\"} 0\n"
                                "talun_r5_mice_total{outcome=\"not_updated\"} 0\n"));
    EXPECT_THAT(text, HasSubstr("# TYPE talun_r5_update_duration_seconds histogram\n"));
    EXPECT_THAT(text, HasSubstr("talun_r5_update_duration_seconds_bucket{le=\"+Inf\"} 0\n"
                                "talun_r5_update_duration_seconds_sum 0\n"
                                "talun_r5_update_duration_seconds_count 0\n"));
    EXPECT_THAT(text, HasSubstr("talun_r5_slots_busy 0\n"));
    EXPECT_THAT(text, HasSubstr("talun_r5_info{station=\"line \\\"2\\\" \\\\ hall\\nB\","
                                "version=\"3.01\",firmware_sha256=\"ab12\"} 1\n"));
    EXPECT_THAT(text, Not(HasSubstr("talun_r5_failures_total{")));
    EXPECT_EQ(text.back(), '\n');
}

TEST(StationMetrics, CountsOutcomesFailuresDurationsAndBusySlots) {
    monitor::StationMetrics metrics(INFO);
    for (int slot = 0; slot < 4; ++slot) metrics.OnUpdateStarted(slot);
    EXPECT_EQ(metrics.Busy(), 4);
    metrics.OnUpdateFinished(0, true, "", "", 3500);
    metrics.OnUpdateFinished(1, true, "", "", 5000);  // on a bucket's bound: in that bucket
    metrics.OnUpdateFinished(2, false, "firmware part 2 of 3", "refused", 400000);
    metrics.OnUpdateFinished(2, true, "", "", 3000);  // slot 2 ended twice: not busy below zero
    metrics.OnUpdateStarted(3);                       // slot 3 started twice: busy once
    const std::string text = metrics.Exposition();
    EXPECT_THAT(text, HasSubstr("talun_r5_mice_total{outcome=\"updated\"} 3\n"
                                "talun_r5_mice_total{outcome=\"not_updated\"} 1\n"));
    EXPECT_THAT(text, HasSubstr("talun_r5_failures_total{step=\"firmware part 2 of 3\","
                                "how=\"refused\"} 1\n"));
    EXPECT_THAT(text, HasSubstr("_bucket{le=\"2.5\"} 0\n"
                                "talun_r5_update_duration_seconds_bucket{le=\"5\"} 3\n"
                                "talun_r5_update_duration_seconds_bucket{le=\"7.5\"} 3\n"));
    EXPECT_THAT(text, HasSubstr("_bucket{le=\"300\"} 3\n"
                                "talun_r5_update_duration_seconds_bucket{le=\"+Inf\"} 4\n"
                                "talun_r5_update_duration_seconds_sum 411.5\n"
                                "talun_r5_update_duration_seconds_count 4\n"));
    EXPECT_THAT(text, HasSubstr("talun_r5_slots_busy 1\n"));
}

TEST(ReplaceFile, ReplacesTheWholeFileAndLeavesNoTemporaryFile) {
    ScratchDir dir("metrics");
    const std::string path = dir.File("station.prom");
    std::string error;
    ASSERT_TRUE(monitor::ReplaceFileContent(path, "a long first content\n", error)) << error;
    ASSERT_TRUE(monitor::ReplaceFileContent(path, "second\n", error)) << error;
    EXPECT_EQ(Read(path), "second\n");
    EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"station.prom"});
#ifndef _WIN32
    const auto others = std::filesystem::perms::others_read;
    EXPECT_EQ(std::filesystem::status(path).permissions() & others, others);
#endif
}

TEST(ReplaceFile, AFolderThatIsNotThereIsAnErrorAndTheOldFileStays) {
    ScratchDir dir("metrics");
    std::string error;
    EXPECT_FALSE(monitor::ReplaceFileContent(dir.File("gone/station.prom"), "x", error));
    EXPECT_THAT(error, HasSubstr("gone"));
}

TEST(MetricsFile, IsWrittenAtOnceAndOnEveryChangeAndSaysEachNewFailureOnce) {
    ScratchDir dir("metrics");
    const std::string path = dir.File("station.prom");
    std::vector<std::string> warnings;
    std::string error;
    auto file = monitor::MetricsFile::Open(
        path, INFO, [&](const std::string& warning) { warnings.push_back(warning); }, error);
    ASSERT_TRUE(file) << error;
    EXPECT_THAT(Read(path), HasSubstr("talun_r5_slots_busy 0\n"));
    file->OnUpdateStarted(0);
    EXPECT_THAT(Read(path), HasSubstr("talun_r5_slots_busy 1\n"));
    file->OnUpdateFinished(0, true, "", "", 4000);
    EXPECT_THAT(Read(path), HasSubstr("talun_r5_mice_total{outcome=\"updated\"} 1\n"));

    std::filesystem::remove_all(dir.Path());
    file->OnUpdateStarted(1);
    file->OnUpdateFinished(1, false, "profile", "refused", 4000);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_THAT(warnings[0], HasSubstr("the metrics file is not up to date"));
    std::filesystem::create_directories(dir.Path());
    file->OnUpdateStarted(2);  // written again, with everything counted meanwhile
    EXPECT_THAT(Read(path), HasSubstr("talun_r5_mice_total{outcome=\"not_updated\"} 1\n"));
    EXPECT_EQ(warnings.size(), 1u);
}

TEST(MetricsFile, OneThatCannotBeWrittenIsRefusedAtTheStart) {
    ScratchDir dir("metrics");
    std::string error;
    EXPECT_FALSE(monitor::MetricsFile::Open(dir.File("no/such/folder.prom"), INFO, nullptr, error));
    EXPECT_THAT(error, HasSubstr("--metrics: "));
}

}  // namespace
}  // namespace talun::test
