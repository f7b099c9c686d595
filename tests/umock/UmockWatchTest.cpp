// talun-r5 with the Linux driver library as it ships, against emulated mice:
// watch with four mice plugged in one after another, each with a fault of its
// own (every outcome, the tally and the log's records, each mouse with its own
// reason, the mice that did nothing wrong untouched by the others), and the
// reasons the README promises when no mouse opens.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <sys/stat.h>

#include <fstream>
#include <map>

#include "tests/support/ChildProcess.h"
#include "tests/support/GoldenFiles.h"
#include "tests/umock/UmockBed.h"
#include "tests/umock/UmockDriver.h"

namespace talun::umock {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr std::chrono::seconds WAIT_LIMIT{120};
constexpr int DEFAULT_BREATHING = 2;  // dist/default.ini beside talun-r5

// Each line that parses as a JSON object, by its "slot".
std::map<int, nlohmann::json> BySlot(const std::string& lines) {
    std::map<int, nlohmann::json> objects;
    std::istringstream in(lines);
    for (std::string line; std::getline(in, line);) {
        const nlohmann::json object = nlohmann::json::parse(line, nullptr, false);
        if (object.is_object() && object.contains("slot"))
            objects[object["slot"].get<int>()] = object;
    }
    return objects;
}

// How talun-r5 names a mouse: by the port the library gives (no station file
// labels it), the fixture's USB device of bus 1.
std::string PortOf(int mouse) {
    return "1-" + std::to_string(mouse + 1);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class UmockTool : public ::testing::Test {
  protected:
    UmockTool() { WriteTestImage(imagePath); }

    test::ChildOptions Options() const {
        return {{{"TALUN_R5_GUARD_FILE", scratch.File("guard.lock")}}, true};
    }
    // talun-r5 update with that library (after the program and arguments of
    // before, which runs it); all it wrote.
    std::string Update(const std::string& library, std::vector<std::string> before = {}) {
        before.insert(before.end(),
                      {TALUN_R5_PROGRAM, "--driver", library, "update", "--firmware", imagePath});
        const std::string program = before.front();
        before.erase(before.begin());
        test::ChildProcess update(program, before, Options());
        EXPECT_EQ(update.WaitForExit(WAIT_LIMIT), 1);
        return update.Out() + update.Err();
    }

    test::ScratchDir scratch{"umock-watch"};
    const std::string imagePath = scratch.File("image.bin");
    const std::string logPath = scratch.File("station.log");
    UmockBed bed;
    hiddriver::test::DriverCopy driver{MICE_INI};
};

TEST_F(UmockTool, UpdateSaysThePlaceholderIdentifiersAreStillThere) {
    hiddriver::test::DriverCopy shipped(hiddriver::test::DriverCopy::SHIPPED);
    bed.Plug(bed.Add());
    EXPECT_THAT(Update(shipped.libraryPath),
                HasSubstr("hiddriver.ini still holds the placeholder identifiers"));
    EXPECT_TRUE(bed.Mouse(0).Log().empty());
}

// The tests run as root, whom no file mode stops. The fixture presents the
// node as a user without the udev rule meets it: mode 0000, and talun-r5 runs
// without the capabilities that let root past a file's mode.
TEST_F(UmockTool, UpdateSaysTheNodeNeedsTheUdevRule) {
    const int mouse = bed.Add();
    bed.Plug(mouse);
    ASSERT_EQ(::chmod(bed.NodeFile(mouse).c_str(), 0), 0);
    const std::string said = Update(
        driver.libraryPath, {"/usr/bin/setpriv", "--bounding-set=-dac_override,-dac_read_search",
                             "--inh-caps=-dac_override,-dac_read_search", "--"});
    EXPECT_THAT(said, HasSubstr("permission denied on /dev/hidraw0: install the udev rule "
                                "70-talun-r5.rules"));
    EXPECT_TRUE(bed.Mouse(mouse).Log().empty());
}

TEST_F(UmockTool, WatchFourMiceEachWithItsOwnFault) {
    const int busy = bed.Add(WithFaults(sim::FaultPlan().Busy(REPORT_FIRMWARE_CHUNK, 3)));
    const int error = bed.Add(WithFaults(sim::FaultPlan().ErrorStatus(REPORT_MAIN_SETTINGS)));
    const int refusing = bed.Add(WithFaults(sim::FaultPlan().RefuseEveryWrite()));
    const int leaving =
        bed.Add(WithFaults(sim::FaultPlan().UnplugAfterWrites(2)));  // in firmware part 2

    test::ChildProcess watch(TALUN_R5_PROGRAM,
                             {"--driver", driver.libraryPath, "--json", "watch", "--firmware",
                              imagePath, "--log", logPath},
                             Options());
    ASSERT_TRUE(watch.WaitForErr("waiting for Talun R5 mice", WAIT_LIMIT)) << watch.Err();
    int plugged = 0;
    for (const int mouse : {busy, error, refusing, leaving}) {
        bed.Plug(mouse);  // one after another: slot N is mouse N
        // Named by its port, or by its slot when the library could not yet say
        // who it is as the plug message came: the records name the port.
        ASSERT_TRUE(watch.WaitForErr("plugged in: updating it", WAIT_LIMIT, ++plugged))
            << watch.Err();
    }
    ASSERT_TRUE(watch.WaitForOut("\"command\":\"watch\"", WAIT_LIMIT, 4)) << watch.Err();
    ASSERT_TRUE(bed.WaitUnplugged(leaving));
    ASSERT_TRUE(watch.WaitForErr(PortOf(leaving) + ": mouse unplugged", WAIT_LIMIT)) << watch.Err();
    watch.Interrupt();
    EXPECT_EQ(watch.WaitForExit(WAIT_LIMIT), 1) << watch.Err();

    const auto outcomes = BySlot(watch.Out());
    ASSERT_EQ(outcomes.size(), 4u) << watch.Out();
    EXPECT_EQ(outcomes.at(busy)["outcome"], "updated");
    EXPECT_EQ(outcomes.at(error)["outcome"], "not-updated");
    EXPECT_EQ(outcomes.at(refusing)["outcome"], "not-updated");
    EXPECT_EQ(outcomes.at(leaving)["outcome"], "not-updated");
    for (const int mouse : {busy, error, refusing, leaving}) {
        EXPECT_EQ(outcomes.at(mouse)["port"], PortOf(mouse));
        EXPECT_EQ(outcomes.at(mouse)["serial"], "R5-000" + std::to_string(mouse + 1));
    }
    EXPECT_THAT(watch.Err(), HasSubstr("tally: 1 updated, 3 not updated"));

    const auto records = BySlot(ReadFile(logPath));
    ASSERT_EQ(records.size(), 4u) << ReadFile(logPath);
    EXPECT_EQ(records.at(busy)["failure"], nullptr);
    EXPECT_EQ(records.at(error)["failure"], "not acknowledged: error status 2");
    EXPECT_EQ(records.at(refusing)["failure"], "refused");
    EXPECT_EQ(records.at(leaving)["failed_step"], "firmware part 2 of 3");
    EXPECT_EQ(records.at(leaving)["failure"], "not acknowledged: status unreadable");
    // Each with the library's reason for its own failed transfer: the mice fail
    // at once, and one's reason never stands in another's record or line.
    EXPECT_FALSE(records.at(busy).contains("driver_error"));
    EXPECT_FALSE(records.at(error).contains("driver_error"));
    EXPECT_THAT(records.at(refusing).value("driver_error", ""), HasSubstr("Broken pipe"));
    EXPECT_THAT(records.at(leaving).value("driver_error", ""), HasSubstr("No such device"));
    EXPECT_EQ(outcomes.at(refusing)["driver_error"], records.at(refusing)["driver_error"]);
    EXPECT_EQ(outcomes.at(leaving)["driver_error"], records.at(leaving)["driver_error"]);

    // The mice that did nothing wrong hold what they were sent; the one that
    // left saw nothing but ENODEV after its last write.
    EXPECT_TRUE(bed.Mouse(busy).HoldsUpdate(testing::CountingImage().Block(), DEFAULT_BREATHING));
    EXPECT_FALSE(bed.Mouse(refusing).HoldsAnyFirmware());
    const std::vector<Transfer> left = bed.Mouse(leaving).Log();
    int writes = 0;
    for (const Transfer& t : left) {
        if (writes == 2) {
            EXPECT_EQ(t.error, ENODEV);
        }
        if (t.write && t.error == 0) ++writes;
    }
    EXPECT_EQ(writes, 2);
}

}  // namespace
}  // namespace talun::umock
