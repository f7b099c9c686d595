// TalunR5Update.exe and talun-r5 watch with the real driver library, updating
// the virtual mouse when it is plugged in and clearing when it is unplugged.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

#include "tests/app/e2e/Files.h"
#include "tests/app/e2e/StatusArea.h"
#include "tests/app/e2e/Tool.h"
#include "tests/app/e2e/ToolTest.h"
#include "tests/support/ChildProcess.h"
#include "tests/vhid/Bench.h"

extern const unsigned char kBuiltInFirmwareImage[3068];

namespace talun::vhid {
namespace {

using e2e::Shown;
using e2e::WaitForStatusArea;

constexpr std::chrono::seconds WAIT_LIMIT{120};
constexpr Answers BUSY_FOR_EVER = {10, 1};  // the wait gives up after ten reads
// Five writes of the run wait ten reads each: about 90 s.
constexpr uint32_t WAIT_BUSY_RUN_MS = 300000;
constexpr Answers ERROR_STATUS = {0, 2};
constexpr Answers FIRMWARE_REFUSED = {0, 2, 0x2A};  // the settings are all acknowledged

// A folder with the program, default.ini, the real library and the test ini.
fs::path ToolFolder(const std::string& name, const char* program) {
    const fs::path dir = TestProgramDirectory() / "vhid-work" / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path here = TestProgramDirectory();
    fs::copy_file(here / program, dir / fs::path(program).filename());
    fs::copy_file(here / VMOUSE_DEFAULT_INI_FROM_TEST, dir / "default.ini");
    fs::copy_file(here / HIDDRIVER_DIR_FROM_TEST / "hiddriver.dll", dir / "hiddriver.dll");
    std::ofstream(dir / "hiddriver.ini", std::ios::binary) << TestIni();
    return dir;
}

// How many of the mouse's SET lines carry this report ID.
int Writes(const VirtualMouse& mouse, uint8_t id) {
    int count = 0;
    for (const LogEntry& entry : mouse.Transfers())
        count += entry.what == "SET" && !entry.bytes.empty() && entry.bytes[0] == id;
    return count;
}

class Tool : public e2e::ToolTest {
  protected:
    void SetUp() override {
        tool_ = std::make_unique<e2e::ToolProcess>(
            (ToolFolder(Name(), VMOUSE_TOOL_FROM_TEST) / "TalunR5Update.exe").string());
        window_ = tool_->WaitForMainWindow();
        ASSERT_NE(window_, nullptr);
        EXPECT_EQ(WaitForStatusArea(window_, Shown::Idle, e2e::WAIT_SHORT_MS), "");
    }

    // Plugs the mouse in, waits for the outcome shown, unplugs it, waits for the clear.
    void PlugInExpecting(Shown outcome, uint32_t limitMs = e2e::WAIT_RUN_MS) {
        ASSERT_TRUE(mouse_.PlugIn()) << mouse_.Error();
        EXPECT_EQ(WaitForStatusArea(window_, outcome, limitMs), "");
        ASSERT_TRUE(mouse_.Unplug()) << mouse_.Error();
        EXPECT_EQ(WaitForStatusArea(window_, Shown::Idle, e2e::WAIT_SHORT_MS), "");
    }

    VirtualMouse mouse_{TestProgramDirectory() / "vhid-tool.log"};
    std::unique_ptr<e2e::ToolProcess> tool_;
    HWND window_ = nullptr;
};

TEST_F(Tool, UpdatesTheMousePluggedInAndClearsOnUnplug) {
    PlugInExpecting(Shown::Updated);
    EXPECT_EQ(Writes(mouse_, 0x2A), 3);
    for (uint8_t id : {0x05, 0x06, 0x07, 0x08}) EXPECT_EQ(Writes(mouse_, id), 1) << int{id};
    // A second mouse is updated as well.
    PlugInExpecting(Shown::Updated);
    EXPECT_EQ(Writes(mouse_, 0x2A), 6);
}

TEST_F(Tool, BusyForEverAnErrorStatusAndARefusedFirmwareAreNotUpdated) {
    mouse_.SetAnswers(BUSY_FOR_EVER);
    PlugInExpecting(Shown::NotUpdated, WAIT_BUSY_RUN_MS);
    EXPECT_EQ(Writes(mouse_, 0x2A), 1);  // nothing after the chunk that was never done
    mouse_.SetAnswers(ERROR_STATUS);
    PlugInExpecting(Shown::NotUpdated);
    EXPECT_EQ(Writes(mouse_, 0x2A), 2);
    // The settings restore alone succeeding is no update.
    mouse_.SetAnswers(FIRMWARE_REFUSED);
    PlugInExpecting(Shown::NotUpdated);
    EXPECT_EQ(Writes(mouse_, 0x2A), 3);
    EXPECT_EQ(Writes(mouse_, 0x08), 3);
}

TEST(Watch, UpdatesEachMousePluggedInAndReportsEveryOutcome) {
    VirtualMouse mouse(TestProgramDirectory() / "vhid-watch.log");
    const fs::path dir = ToolFolder("Watch", VMOUSE_CLI_FROM_TEST);
    std::ofstream(dir / "image.bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(kBuiltInFirmwareImage), sizeof kBuiltInFirmwareImage);
    // Wine starts its desktop process when a process first needs a window, and hands
    // it that process's stderr: started by talun-r5, it would keep the test's pipe
    // open after talun-r5 has ended. So the test starts it.
    ASSERT_NE(::GetDesktopWindow(), nullptr);
    test::ChildOptions options;
    options.interruptible = true;
    test::ChildProcess watch((dir / "talun-r5.exe").string(),
                             {"watch", "--firmware", (dir / "image.bin").string()}, options);
    ASSERT_TRUE(watch.Started()) << watch.StartError();
    ASSERT_TRUE(watch.WaitForOut("waiting for Talun R5 mice", WAIT_LIMIT)) << watch.Err();

    ASSERT_TRUE(mouse.PlugIn()) << mouse.Error();
    ASSERT_TRUE(watch.WaitForOut("mouse 1: FIRMWARE UPDATED.", WAIT_LIMIT)) << watch.Err();
    ASSERT_TRUE(mouse.Unplug()) << mouse.Error();
    ASSERT_TRUE(watch.WaitForOut("mouse unplugged", WAIT_LIMIT)) << watch.Out();

    mouse.SetAnswers(ERROR_STATUS);
    ASSERT_TRUE(mouse.PlugIn()) << mouse.Error();
    ASSERT_TRUE(watch.WaitForOut("mouse 2: FIRMWARE NOT UPDATED.", WAIT_LIMIT)) << watch.Out();
    ASSERT_TRUE(watch.WaitForOut("tally: 1 updated, 1 not updated", WAIT_LIMIT)) << watch.Out();
    ASSERT_TRUE(mouse.Unplug()) << mouse.Error();
    ASSERT_TRUE(watch.WaitForOut("mouse unplugged", WAIT_LIMIT, 2)) << watch.Out();

    ASSERT_TRUE(watch.Interrupt());
    EXPECT_EQ(watch.WaitForExit(WAIT_LIMIT), 1) << watch.Out() << watch.Err();
    EXPECT_EQ(Writes(mouse, 0x2A), 4);  // three for the first mouse, one for the second
}

}  // namespace
}  // namespace talun::vhid
