// Plug and input events: the link state table with its side effects in order,
// and messages the tool must ignore.
#include <gtest/gtest.h>

#include "Fakes.h"
#include "update/DeviceEvents.h"

namespace talun {
namespace {

using testing::CoreFixture;

struct Row {
    LinkState from;
    uintptr_t plugWParam;
    LinkState to;
    bool runsUpdate;
    bool closesDevice;
};

class LinkStateTable : public ::testing::TestWithParam<Row> {};

TEST_P(LinkStateTable, TransitionAndSideEffects) {
    const Row row = GetParam();
    CoreFixture f;
    f.state.linkState = row.from;
    f.state.updateStatus = UpdateStatus::Updated;
    DispatchDeviceEvent(f.ctx, PlugEventCode(row.plugWParam));

    EXPECT_EQ(f.state.linkState, row.to);
    if (row.runsUpdate) {
        ASSERT_FALSE(f.clock.sleeps.empty());
        EXPECT_EQ(f.clock.sleeps.front(), 1500u);  // before the device is opened
        EXPECT_EQ(f.device.featureOpens, 1);
        ASSERT_FALSE(f.device.calls.empty());
        EXPECT_EQ(f.device.calls.front().bytes[0], 0x2A);
        EXPECT_EQ(f.state.updateStatus, UpdateStatus::Updated);
        EXPECT_EQ(f.device.featureCloses, 0);
    } else if (row.closesDevice) {
        EXPECT_EQ(f.device.featureCloses, 1);
        EXPECT_EQ(f.state.updateStatus, UpdateStatus::Idle);
        EXPECT_EQ(f.observer.events, (std::vector<std::string>{"status Idle", "refresh"}));
        EXPECT_TRUE(f.clock.sleeps.empty());
        EXPECT_TRUE(f.device.calls.empty());
    } else {
        EXPECT_EQ(f.state.updateStatus, UpdateStatus::Updated);
        EXPECT_TRUE(f.clock.sleeps.empty());
        EXPECT_TRUE(f.device.calls.empty());
        EXPECT_TRUE(f.observer.events.empty());
        EXPECT_EQ(f.device.featureOpens + f.device.featureCloses, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllRows, LinkStateTable,
    ::testing::Values(Row{LinkState::None, 1, LinkState::Attached, true, false},
                      Row{LinkState::None, 0, LinkState::Detached, false, true},
                      Row{LinkState::Attached, 0, LinkState::Detached, false, true},
                      Row{LinkState::Detached, 1, LinkState::Attached, true, false},
                      Row{LinkState::Attached, 1, LinkState::Attached, false, false},
                      Row{LinkState::Detached, 0, LinkState::Detached, false, false},
                      // wParam other than 0 and 1 does nothing in any state
                      Row{LinkState::None, 2, LinkState::None, false, false},
                      Row{LinkState::Detached, 0xFFFF, LinkState::Detached, false, false},
                      Row{LinkState::Attached, 7, LinkState::Attached, false, false}));

TEST(InputEvents, ClassPlugActsAsAPlugEvent) {
    CoreFixture f;
    EXPECT_EQ(DispatchDeviceEvent(f.ctx, InputEventCode(0x7F00, 1)), DeviceEventAction::Attached);
    EXPECT_EQ(f.state.linkState, LinkState::Attached);
    EXPECT_EQ(f.state.updateStatus, UpdateStatus::Updated);
}

TEST(InputEvents, ButtonAndUnknownClassesChangeNothing) {
    for (uint32_t code :
         {InputEventCode(0xE000, 1), InputEventCode(0xE000, 0x12345), InputEventCode(0x1234, 1),
          InputEventCode(0x7F00, 3), InputEventCode(0x7F00, 0)}) {
        CoreFixture f;
        EXPECT_EQ(DispatchDeviceEvent(f.ctx, code), DeviceEventAction::None);
        EXPECT_EQ(f.state.linkState, LinkState::None);
        EXPECT_TRUE(f.device.calls.empty());
        EXPECT_TRUE(f.clock.sleeps.empty());
    }
}

TEST(InputEvents, OnlyTheLow16BitsOfEachParameterCount) {
    EXPECT_EQ(InputEventCode(0x12347F00u, 0x55550001), MakeEventCode(0x7F00, 1));
    EXPECT_EQ(InputEventCode(0xE000, -1), MakeEventCode(0xE000, 0xFFFF));
}

TEST(ReTestCommand, ClearsStatusAndRepaintsButKeepsTheLink) {
    CoreFixture f;
    f.state.linkState = LinkState::Attached;
    f.state.updateStatus = UpdateStatus::NotUpdated;
    ReTest(f.ctx);
    EXPECT_EQ(f.state.updateStatus, UpdateStatus::Idle);
    EXPECT_EQ(f.state.linkState, LinkState::Attached);
    EXPECT_EQ(f.observer.events, (std::vector<std::string>{"status Idle", "repaint"}));
    EXPECT_EQ(f.device.featureCloses, 0);
    // Still attached: a repeated attach does not update again.
    DispatchDeviceEvent(f.ctx, PlugEventCode(1));
    EXPECT_TRUE(f.device.calls.empty());
}

// A front end of one mouse on a library of several: unplugging one mouse while
// another stays plugged in is no detach; with lParam always 0 nothing changes.
TEST(OneMousePlugs, DetachesOnlyWhenNoMouseIsLeft) {
    const uint32_t attach = PlugEventCode(1), detach = PlugEventCode(0);
    const uint32_t nothing = MakeEventCode(EVENT_CLASS_PLUG, 0);
    OneMousePlugs several;
    EXPECT_EQ(several.EventOf(1, 2), attach);
    EXPECT_EQ(several.EventOf(1, 0), attach);
    EXPECT_EQ(several.EventOf(0, 2), nothing);
    EXPECT_EQ(several.EventOf(0, 0), detach);
    EXPECT_EQ(several.EventOf(0, 0), detach) << "a repeated detach passes as before";

    OneMousePlugs one;
    for (const uintptr_t wParam : {1u, 1u, 0u, 0u, 1u, 7u})
        EXPECT_EQ(one.EventOf(wParam, 0), PlugEventCode(wParam)) << wParam;
}

}  // namespace
}  // namespace talun
