// Recordings (--record) played back by the replay driver library: an update
// recorded against the simulated mouse replays to "updated"; a changed setting,
// a recording that ends early and the placeholder image are caught.
#include <fstream>
#include <sstream>

#include "tests/cli/CliTest.h"

namespace talun::test {
namespace {

using ::testing::HasSubstr;

class ReplayTest : public CliTest {
  protected:
    std::string Recording() const { return RecordingsDir() + "/update-simulated-mouse.rec"; }

    ChildResult Replay(const std::string& recording, std::vector<std::string> arguments) const {
        ChildOptions options = Options();  // the guard of this test alone, too
        options.environment.emplace_back("TALUN_REPLAY_RECORDING", recording);
        arguments.insert(arguments.begin(), {"--driver", ReplayDriver()});
        return RunChild(CliProgram(), arguments, options, WAIT_LIMIT);
    }
};

TEST_F(ReplayTest, AnUpdateRecordedAgainstTheSimulatedMouseReplays) {
    if (std::getenv("TALUN_REGENERATE_RECORDING") != nullptr) {
        // The same update against the simulated mouse, recorded into the repository.
        const ChildResult r =
            Run({"--record", Recording(), "update", "--firmware", PathOf("image.bin")});
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }
    const ChildResult r = Replay(Recording(), {"update", "--firmware", PathOf("image.bin")});
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_THAT(r.out, HasSubstr("FIRMWARE UPDATED."));
}

TEST_F(ReplayTest, ADifferentWriteAnEarlyEndAndThePlaceholderAreCaught) {
    // "Breathing" goes into byte 33 of the main settings report.
    std::ofstream(Dir() / "changed.ini") << "[Main Setting]\nBreathing=4\n";
    const ChildResult changed = Replay(
        Recording(), {"--ini", PathOf("changed.ini"), "update", "--firmware", PathOf("image.bin")});
    EXPECT_EQ(changed.exitCode, 1) << changed.out << changed.err;
    EXPECT_THAT(changed.out, HasSubstr("FIRMWARE NOT UPDATED."));
    EXPECT_THAT(changed.out, HasSubstr("at byte 33 of report 0x06: recorded 0x02, written 0x04"));

    // The recording without its last calls: the calls past its end fail.
    std::ifstream in(Recording(), std::ios::binary);
    std::ostringstream head;
    std::string line;
    for (int reads = 0; reads < 4 && std::getline(in, line);) {
        head << line << "\n";
        const std::optional<TraceLine> read = ParseTraceLine(line);
        if (read && read->kind == TraceKind::GetFeature) ++reads;
    }
    std::ofstream(Dir() / "short.rec", std::ios::binary) << head.str();
    const ChildResult early =
        Replay(PathOf("short.rec"), {"update", "--firmware", PathOf("image.bin")});
    EXPECT_EQ(early.exitCode, 1) << early.out << early.err;
    EXPECT_THAT(early.out, HasSubstr("past the end of the recording"));

    // The replay library stands for a real mouse: no placeholder image goes through it.
    const ChildResult placeholder =
        Replay(Recording(), {"update", "--firmware", WriteImage("placeholder.bin", 3068, true)});
    EXPECT_EQ(placeholder.exitCode, 1);
    EXPECT_THAT(placeholder.err, HasSubstr("placeholder"));
}

}  // namespace
}  // namespace talun::test
