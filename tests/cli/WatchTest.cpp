// talun-r5 watch: mice plugged in and out through the simulated mouse's control
// file, the outcome and tally per mouse, interrupts between mice and during an
// update, and the instance guard it holds against a second talun-r5.
#include <nlohmann/json.hpp>

#include <sstream>

#include "tests/cli/CliTest.h"

namespace talun::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class WatchTest : public CliTest {
  protected:
    void SetUp() override {
        CliTest::SetUp();
        WriteScenario("present = 0");
    }
    std::unique_ptr<ChildProcess> StartWatch(std::vector<std::string> extra = {}) {
        std::vector<std::string> arguments = {"--trace", PathOf("trace.txt")};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        arguments.insert(arguments.end(), {"watch", "--firmware", PathOf("image.bin")});
        auto watch = std::make_unique<ChildProcess>(CliProgram(), arguments, Options(true));
        EXPECT_TRUE(watch->Started()) << watch->StartError();
        return watch;
    }
};

TEST_F(WatchTest, UpdatesEachMouseKeepsATallyAndStopsBetweenMice) {
    WriteScenario("present = 1");
    auto watch = StartWatch();
    // A mouse that is there from the start waits to be plugged in again, as in the window.
    ASSERT_TRUE(watch->WaitForOut("waiting for Talun R5 mice", WAIT_LIMIT)) << watch->Err();
    EXPECT_THAT(watch->Out(), HasSubstr("a mouse is plugged in already"));

    Control("unplug");
    ASSERT_TRUE(watch->WaitForOut("mouse unplugged", WAIT_LIMIT));
    Control("plug");
    ASSERT_TRUE(watch->WaitForOut("tally: 1 updated, 0 not updated", WAIT_LIMIT)) << watch->Err();
    EXPECT_THAT(watch->Out(), HasSubstr("mouse 1: FIRMWARE UPDATED.\n"));

    Control("unplug");
    ASSERT_TRUE(watch->WaitForOut("mouse unplugged", WAIT_LIMIT, 2));
    Control("plug");
    ASSERT_TRUE(watch->WaitForOut("tally: 2 updated, 0 not updated", WAIT_LIMIT)) << watch->Err();
    EXPECT_THAT(watch->Out(), HasSubstr("mouse 2: FIRMWARE UPDATED.\n"));

    ASSERT_TRUE(watch->Interrupt());
    EXPECT_EQ(watch->WaitForExit(WAIT_LIMIT), 0) << watch->Out() << watch->Err();
    EXPECT_THAT(watch->Out(), HasSubstr("stopped; tally: 2 updated, 0 not updated\n"));
    EXPECT_THAT(watch->Err(), HasSubstr("interrupted"));

    // Both mice got the whole image (two times three chunks) and the defaults,
    // each after the settling time.
    auto state = State();
    EXPECT_EQ(state["commits_0x2A"], "6");
    EXPECT_EQ(state["holds_complete_image"], "yes");
    EXPECT_EQ(state["holds_default_settings_2"], "yes");
    EXPECT_EQ(CountOccurrences(FileText("trace.txt"), "SLEEP 1500\n"), 2);
}

TEST_F(WatchTest, AnInterruptDuringAnUpdateLetsItFinish) {
    auto watch = StartWatch();
    ASSERT_TRUE(watch->WaitForOut("waiting for Talun R5 mice", WAIT_LIMIT)) << watch->Err();
    Control("plug");
    ASSERT_TRUE(watch->WaitForOut("UPDATING....", WAIT_LIMIT));
    // The run takes seconds (acknowledgement waits of a second per chunk): it
    // is still going when the interrupt is sent.
    ASSERT_THAT(watch->Out(), Not(HasSubstr("mouse 1: FIRMWARE")));
    ASSERT_TRUE(watch->Interrupt());

    EXPECT_EQ(watch->WaitForExit(WAIT_LIMIT), 0) << watch->Out() << watch->Err();
    EXPECT_THAT(watch->Out(), HasSubstr("on-the-go speed        acknowledged\n"
                                        "mouse 1: FIRMWARE UPDATED.\n"
                                        "tally: 1 updated, 0 not updated\n"));
    auto state = State();
    EXPECT_EQ(state["holds_complete_image"], "yes");
    EXPECT_EQ(state["holds_default_settings_2"], "yes");
}

TEST_F(WatchTest, AMouseNotUpdatedMakesTheExitStatusOneAndJsonHasOneObjectPerMouse) {
    auto watch = StartWatch({"--json"});
    ASSERT_TRUE(watch->WaitForErr("waiting for Talun R5 mice", WAIT_LIMIT)) << watch->Err();
    Control("plug");
    ASSERT_TRUE(watch->WaitForErr("tally: 1 updated, 0 not updated", WAIT_LIMIT)) << watch->Err();
    Control("unplug");
    ASSERT_TRUE(watch->WaitForErr("mouse unplugged", WAIT_LIMIT));
    Control("set refuse_write=0x2A:1");
    Control("plug");
    ASSERT_TRUE(watch->WaitForErr("tally: 1 updated, 1 not updated", WAIT_LIMIT)) << watch->Err();
    EXPECT_THAT(watch->Err(),
                HasSubstr("mouse 2: FIRMWARE NOT UPDATED. MAKE SURE THE TALUN R5 IS CONNECTED."));

    ASSERT_TRUE(watch->Interrupt());
    EXPECT_EQ(watch->WaitForExit(WAIT_LIMIT), 1) << watch->Out() << watch->Err();

    const std::vector<nlohmann::json> objects = JsonLines(watch->Out());
    ASSERT_EQ(objects.size(), 2u) << watch->Out();
    EXPECT_EQ(objects[0]["command"], "watch");
    EXPECT_EQ(objects[0]["mouse"], 1);
    EXPECT_EQ(objects[0]["outcome"], "updated");
    EXPECT_EQ(objects[1]["mouse"], 2);
    EXPECT_EQ(objects[1]["outcome"], "not-updated");
    EXPECT_EQ(objects[1]["steps"][0]["outcome"], "write refused");
    EXPECT_EQ(objects[1]["updated"], 1);
    EXPECT_EQ(objects[1]["not_updated"], 1);
}

TEST_F(WatchTest, HoldsTheGuardSoThatASecondTalunR5WritesNothingAndExitsFour) {
    auto watch = StartWatch();
    ASSERT_TRUE(watch->WaitForOut("waiting for Talun R5 mice", WAIT_LIMIT)) << watch->Err();
    // The second program's sim (it reads the scenario anew) has a mouse: unguarded,
    // it would update it at once. The first one's mouse is absent, so it writes nothing.
    WriteScenario("present = 1");

    const ChildResult second =
        Run({"--trace", PathOf("second-trace.txt"), "update", "--firmware", PathOf("image.bin")});
    EXPECT_EQ(second.exitCode, 4) << second.out << second.err;
    EXPECT_THAT(second.err, HasSubstr("another talun-r5 is running"));
    EXPECT_THAT(second.err, HasSubstr("nothing was sent to the mouse"));
    EXPECT_EQ(CountOccurrences(FileText("sim-trace.txt"), " SET "), 0) << FileText("sim-trace.txt");
    EXPECT_FALSE(std::filesystem::exists(PathOf("second-trace.txt")));
    // Listing devices touches no mouse and needs no guard.
    const ChildResult devices = Run({"devices"});
    EXPECT_EQ(devices.exitCode, 0) << devices.out << devices.err;

    // Killed, the first program leaves no guard behind.
    watch.reset();
    const ChildResult after = Run({"update", "--firmware", PathOf("image.bin")});
    EXPECT_EQ(after.exitCode, 0) << after.out << after.err;
    EXPECT_GT(CountOccurrences(FileText("sim-trace.txt"), " SET "), 0);
}

TEST_F(WatchTest, ThePlaceholderImageIsNeverOfferedToARealMouse) {
    // A library that does not say it is the simulated mouse counts as real.
    const ChildResult r = RunChild(CliProgram(),
                                   {"--driver", DriverWithoutMouse(), "watch", "--firmware",
                                    WriteImage("placeholder.bin", 3068, true)},
                                   Options(), WAIT_LIMIT);
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    EXPECT_THAT(r.err, HasSubstr("placeholder"));
    EXPECT_THAT(r.out, Not(HasSubstr("waiting")));
}

}  // namespace
}  // namespace talun::test
