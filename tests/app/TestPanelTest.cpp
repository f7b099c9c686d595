// The hidden test panel, driven through its control identifiers: the entry
// boxes' checks with their messages, and the bytes that the commands send.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "resources/resource.h"
#include "tests/app/e2e/StatusArea.h"
#include "tests/app/e2e/ToolTest.h"
#include "tests/app/e2e/Transfers.h"

namespace talun::e2e {
namespace {

using TestPanel = ToolTest;

constexpr char ENTER_INTEGER[] = "Please enter an integer.";

struct BoxCase {
    const char* profileId;
    const char* buttonNumber;
    int failingBox;
    const char* message;
};

// The texts of a message box's static controls, joined.
std::string StaticTexts(HWND box) {
    std::string texts;
    for (const HWND child : Children(box))
        if (ClassName(child) == "Static") texts += WindowText(child);
    return texts;
}

bool HasIcon(HWND box) {
    for (const HWND child : Children(box)) {
        if (ClassName(child) == "Static" &&
            (::GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
            ::IsWindowVisible(child))
            return true;
    }
    return false;
}

TEST_F(TestPanel, EntryBoxesAreCheckedWithTheFrameworksMessagesAndNothingIsSent) {
    ASSERT_NO_FATAL_FAILURE(StartTool());

    const BoxCase cases[] = {
        {"5", "0", IDC_PROFILE_ID, "Please enter an integer between 0 and 4."},
        {"0", "15", IDC_BUTTON_NUMBER, "Please enter an integer between 0 and 14."},
        {"3a", "0", IDC_PROFILE_ID, ENTER_INTEGER},
        {"", "0", IDC_PROFILE_ID, ENTER_INTEGER},
        {"-0", "0", IDC_PROFILE_ID, ENTER_INTEGER},
        {"-1", "0", IDC_PROFILE_ID, "Please enter an integer between 0 and 4."},
        {"0", "+", IDC_BUTTON_NUMBER, ENTER_INTEGER},
        // The first box fails: the second, wrong as well, is not looked at.
        {"5", "x", IDC_PROFILE_ID, "Please enter an integer between 0 and 4."},
    };
    std::set<std::string> shownMessages;
    for (const BoxCase& c : cases) {
        SCOPED_TRACE(std::string("boxes \"") + c.profileId + "\" and \"" + c.buttonNumber + "\"");
        Tool().SetBoxText(IDC_PROFILE_ID, c.profileId);
        Tool().SetBoxText(IDC_BUTTON_NUMBER, c.buttonNumber);
        Tool().Click(IDC_SEND_PROFILE_ID);

        const HWND box = Tool().WaitForTopLevel(APP_TITLE);
        ASSERT_NE(box, nullptr) << "no message box captioned \"" << APP_TITLE << "\"";
        EXPECT_EQ(StaticTexts(box), c.message);
        EXPECT_TRUE(HasIcon(box)) << "the exclamation icon";
        EXPECT_EQ(::GetWindow(box, GW_OWNER), Window());
        const HWND ok = ::GetDlgItem(box, IDOK);
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(WindowText(ok), "OK");
        EXPECT_EQ(::GetDlgItem(box, IDCANCEL), nullptr) << "an OK button alone";
        // Each message once on the screen, to be looked at.
        if (shownMessages.insert(c.message).second) {
            SaveScreenshot(CaptureWindow(Window()),
                           "validation-message-" + std::to_string(shownMessages.size()));
        }

        ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        ASSERT_TRUE(WaitFor([&] { return !::IsWindow(box); }, WAIT_SHORT_MS));
        const HWND failing = Tool().Control(c.failingBox);
        EXPECT_TRUE(WaitFor([&] { return Tool().Focus() == failing; }, WAIT_SHORT_MS))
            << "the focus goes to the failing box";
        const DWORD selection = static_cast<DWORD>(::SendMessageA(failing, EM_GETSEL, 0, 0));
        EXPECT_EQ(LOWORD(selection), 0);
        EXPECT_EQ(HIWORD(selection), WindowText(failing).size()) << "its whole text selected";
    }

    // Accepted: blanks around a number, a lone 0. The report of this command is
    // the first the mouse ever gets: the refused ones sent nothing.
    Tool().SetBoxText(IDC_PROFILE_ID, " 3\t");
    Tool().SetBoxText(IDC_BUTTON_NUMBER, "0");
    Tool().Click(IDC_SEND_PROFILE_ID);
    const Transfers trace = WaitForTrace(Folder(), 1, WAIT_RUN_MS);
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(ToHex(trace[0].bytes), "05 03 03");
    EXPECT_EQ(Tool().FindTopLevel(APP_TITLE), nullptr) << "no message for good values";
    EXPECT_EQ(WindowText(Tool().Control(IDC_PROFILE_ID)), " 3\t") << "the box keeps its text";
}

TEST_F(TestPanel, CommandsSendTheirReportsAndTheWindowStaysAsItWas) {
    // The mouse is there and no update ran: ButtonCodeTable is all zero.
    ASSERT_NO_FATAL_FAILURE(StartTool());

    const auto run = [&](int command, const char* profileId, const char* buttonNumber,
                         size_t writes) {
        const size_t before = Writes(Folder().Trace()).size();
        Tool().SetBoxText(IDC_PROFILE_ID, profileId);
        Tool().SetBoxText(IDC_BUTTON_NUMBER, buttonNumber);
        Tool().Click(command);
        Transfers all;
        WaitFor([&] { return Writes(all = Folder().Trace()).size() >= before + writes; },
                WAIT_RUN_MS);
        return all;
    };

    Transfers trace = run(IDC_SEND_PROFILE_ID, "4", "0", 1);
    EXPECT_EQ(ToHex(Writes(trace).back().bytes), "05 03 04");

    trace = run(IDC_QUERY_MAIN_SETTING, "2", "0", 1);
    EXPECT_EQ(ToHex(Writes(trace).back().bytes), "04 02 10");
    // The settings read follows the acknowledgement wait.
    WaitFor([&] { return !Reads(trace = Folder().Trace(), 35).empty(); }, WAIT_RUN_MS);
    ASSERT_EQ(Reads(trace, 35).size(), 1u);
    EXPECT_EQ(Reads(trace, 35)[0].bytes.at(0), 0x06);

    trace = run(IDC_QUERY_MACRO, "1", "14", 1);
    EXPECT_EQ(ToHex(Writes(trace).back().bytes), "04 01 0E");
    WaitFor([&] { return !Reads(trace = Folder().Trace(), 130).empty(); }, WAIT_RUN_MS);
    ASSERT_EQ(Reads(trace, 130).size(), 1u);
    EXPECT_EQ(Reads(trace, 130)[0].bytes.at(0), 0x09);

    // "AB (2 Times)", profile 3, button 2: the button map, then the macro.
    trace = run(IDC_AB_2_TIMES, "3", "2", 2);
    const Transfers writes = Writes(trace);
    ASSERT_GE(writes.size(), 2u);
    std::vector<uint8_t> map(50, 0);
    map[0] = 0x07;
    map[1] = 0x32;
    map[2] = 0x03;
    map[9] = 0x10;
    map[48] = 0x4C;
    EXPECT_EQ(ToHex(writes[writes.size() - 2].bytes), ToHex(map));
    std::vector<uint8_t> macro(130, 0);
    const std::vector<uint8_t> head = {0x09, 0x82, 0x03, 0x02, 0x02, 0x41, 0x41};
    std::copy(head.begin(), head.end(), macro.begin());
    macro[29] = 0x04;
    const std::vector<uint8_t> keys = {0x04, 0x00, 0x04, 0x80, 0x05, 0x00, 0x05, 0x80};
    std::copy(keys.begin(), keys.end(), macro.begin() + 30);
    EXPECT_EQ(ToHex(writes.back().bytes), ToHex(macro));

    EXPECT_EQ(CompareStatusArea(Window(), Shown::Idle), "") << "the commands show nothing";
    EXPECT_EQ(Tool().FindTopLevel(APP_TITLE), nullptr);
}

}  // namespace
}  // namespace talun::e2e
