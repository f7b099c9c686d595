// Binding the driver library: missing library, missing entry points, and the
// order of opening and closing.
#include <gtest/gtest.h>

#include <map>

#include "Fakes.h"
#include "device/DriverLibrary.h"
#include "device/SlotAccess.h"
#include "update/UpdateRun.h"

namespace talun {
namespace {

std::vector<std::string>* g_calls = nullptr;  // what the fake library's functions saw
void FakeOpenMonitor(HidWindow, unsigned input, unsigned plug) {
    g_calls->push_back("Open_DevMonitor " + std::to_string(input) + " " + std::to_string(plug));
}
void FakeCloseMonitor() {
    g_calls->push_back("Close_DevMonitor");
}
int FakeOpenDevice() {
    g_calls->push_back("Open_FeatureDevice");
    return 7;
}
void FakeCloseDevice() {
    g_calls->push_back("Close_FeatureDevice");
}
int FakeSetFeature(unsigned char*, int length) {
    g_calls->push_back("SetFeature " + std::to_string(length));
    return 1;
}

int FakeOpenSlot(int slot) {
    g_calls->push_back("Open_FeatureDeviceSlot " + std::to_string(slot));
    return slot == 2 ? 1 : 0;
}
void FakeCloseSlot(int slot) {
    g_calls->push_back("Close_FeatureDeviceSlot " + std::to_string(slot));
}
int FakeSetSlot(int slot, unsigned char*, int length) {
    g_calls->push_back("SetFeatureSlot " + std::to_string(slot) + " " + std::to_string(length));
    return 1;
}
int FakeGetSlot(int slot, unsigned char* report, int) {
    report[1] = static_cast<unsigned char>(slot);
    return 1;
}
int g_listResult = 3;
int FakeListSlots(int* slots, int capacity) {
    const int present[] = {2, 5, 9};
    for (int i = 0; i < capacity && i < 3; ++i) slots[i] = present[i];
    return g_listResult;
}

class FakeLibrary final : public LoadedLibrary {
  public:
    explicit FakeLibrary(std::map<std::string, void*> exports) : exports_(std::move(exports)) {}
    void* Resolve(const char* name) const override {
        auto it = exports_.find(name);
        return it == exports_.end() ? nullptr : it->second;
    }

  private:
    std::map<std::string, void*> exports_;
};

class FakeLoader final : public LibraryLoader {
  public:
    std::unique_ptr<LoadedLibrary> Load(const std::string& path) override {
        loaded.push_back(path);
        if (path != availablePath) return nullptr;
        return std::make_unique<FakeLibrary>(exports);
    }
    std::string LastError() const override { return "no such file"; }
    std::string availablePath = "/opt/talun/libhiddriver.so";
    std::map<std::string, void*> exports = {
        {"Open_DevMonitor", reinterpret_cast<void*>(&FakeOpenMonitor)},
        {"Close_DevMonitor", reinterpret_cast<void*>(&FakeCloseMonitor)},
        {"Open_FeatureDevice", reinterpret_cast<void*>(&FakeOpenDevice)},
        {"Close_FeatureDevice", reinterpret_cast<void*>(&FakeCloseDevice)},
        {"SetFeature", reinterpret_cast<void*>(&FakeSetFeature)},
    };  // GetFeature is missing
    std::vector<std::string> loaded;
};

class DriverBinding : public ::testing::Test {
  protected:
    void SetUp() override { g_calls = &calls; }
    void TearDown() override { g_calls = nullptr; }
    std::vector<std::string> calls;
    FakeLoader loader;
    DriverLibrary library;
};

TEST_F(DriverBinding, OpensMonitorThenDeviceAndClosesInThatOrder) {
    ASSERT_EQ(LoadDriverLibrary(library, loader, std::string("/opt/talun/libhiddriver.so")), 1);
    EXPECT_EQ(OpenDeviceAccess(library, nullptr), 7);
    EXPECT_EQ(CloseDeviceAccess(library), 1);
    EXPECT_EQ(calls, (std::vector<std::string>{"Open_DevMonitor 1325 1326", "Open_FeatureDevice",
                                               "Close_DevMonitor", "Close_FeatureDevice"}));
}

TEST_F(DriverBinding, MissingEntryPointIsNeverCalledAndCountsAsFailed) {
    ASSERT_EQ(LoadDriverLibrary(library, loader, std::string("/opt/talun/libhiddriver.so")), 1);
    EXPECT_EQ(library.Problem(), "driver library lacks GetFeature");
    uint8_t buffer[3] = {0x04, 0, 0};
    EXPECT_EQ(library.GetFeature(buffer, 3), 0);
    EXPECT_EQ(library.SetFeature(buffer, 3), 1);
}

TEST_F(DriverBinding, MissingLibraryLeavesEverySlotEmpty) {
    EXPECT_EQ(LoadDriverLibrary(library, loader, std::string("/elsewhere/libhiddriver.so")), 0);
    EXPECT_FALSE(library.IsLoaded());
    EXPECT_NE(library.Problem().find("no such file"), std::string::npos);
    EXPECT_EQ(OpenDeviceAccess(library, nullptr), 0);
    EXPECT_EQ(CloseDeviceAccess(library), 1);
    EXPECT_TRUE(calls.empty());

    // A whole run through the empty binding ends not updated, calling nothing.
    ToolState state;
    testing::FakeClock clock;
    testing::FakeProfileFile profile;
    UpdateObserver observer;
    CoreContext ctx{state, library, clock, profile, FirmwareImage::BuiltIn(), observer};
    EXPECT_EQ(RunUpdate(ctx), UpdateStatus::NotUpdated);
    EXPECT_TRUE(calls.empty());
    EXPECT_TRUE(clock.sleeps.empty());
}

TEST_F(DriverBinding, PathThatDoesNotFitIsNeverLoaded) {
    EXPECT_EQ(JoinBoundedPath(std::string(250, 'd') + "/", "libhiddriver.so", 259), std::nullopt);
    EXPECT_EQ(JoinBoundedPath("C:\\Tools\\", "hiddriver.dll", 259), "C:\\Tools\\hiddriver.dll");
    EXPECT_EQ(LoadDriverLibrary(library, loader, std::nullopt), 0);
    EXPECT_TRUE(loader.loaded.empty());
    EXPECT_NE(library.Problem().find("too long"), std::string::npos);
}

TEST_F(DriverBinding, SlotEntryPointsReachTheirSlot) {
    ASSERT_EQ(LoadDriverLibrary(library, loader, std::string("/opt/talun/libhiddriver.so")), 1);
    EXPECT_FALSE(library.HasMouseSlots());
    EXPECT_EQ(ListMouseSlots(library), std::nullopt);
    EXPECT_EQ(SlotAccess(library, 2).OpenFeatureDevice(), 0);  // not offered: failed

    loader.exports["Open_FeatureDeviceSlot"] = reinterpret_cast<void*>(&FakeOpenSlot);
    loader.exports["Close_FeatureDeviceSlot"] = reinterpret_cast<void*>(&FakeCloseSlot);
    loader.exports["SetFeatureSlot"] = reinterpret_cast<void*>(&FakeSetSlot);
    loader.exports["GetFeatureSlot"] = reinterpret_cast<void*>(&FakeGetSlot);
    loader.exports["List_FeatureDeviceSlots"] = reinterpret_cast<void*>(&FakeListSlots);
    ASSERT_EQ(LoadDriverLibrary(library, loader, std::string("/opt/talun/libhiddriver.so")), 1);
    EXPECT_TRUE(library.HasMouseSlots());
    EXPECT_EQ(ListMouseSlots(library), (std::vector<int>{2, 5, 9}));
    g_listResult = -1;  // cannot tell mice apart now: a library of one mouse
    EXPECT_EQ(ListMouseSlots(library), std::nullopt);
    g_listResult = 3;

    SlotAccess slot(library, 2);
    uint8_t report[3] = {0x04, 0, 0};
    EXPECT_EQ(slot.OpenFeatureDevice(), 1);
    EXPECT_EQ(slot.SetFeature(report, 3), 1);
    EXPECT_EQ(SlotAccess(library, 5).GetFeature(report, 3), 1);
    EXPECT_EQ(report[1], 5);
    slot.OpenDevMonitor(nullptr, 1, 2);  // the library's one monitor is not the slot's
    slot.CloseFeatureDevice();
    EXPECT_EQ(calls, (std::vector<std::string>{"Open_FeatureDeviceSlot 2", "SetFeatureSlot 2 3",
                                               "Close_FeatureDeviceSlot 2"}));
}

TEST_F(DriverBinding, UnloadEmptiesTheSlots) {
    LoadDriverLibrary(library, loader, std::string("/opt/talun/libhiddriver.so"));
    library.Unload();
    EXPECT_EQ(library.OpenFeatureDevice(), 0);
    EXPECT_TRUE(calls.empty());
}

}  // namespace
}  // namespace talun
