// The Linux driver library as it ships, against emulated hidraw mice: listing,
// opening, a whole update and the test commands moving exactly the golden
// traces' bytes (padded as each descriptor declares), the monitor's plug
// messages with their slots, and the reasons it gives.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/support/GoldenRun.h"
#include "tests/support/Hex.h"
#include "tests/support/TraceTransfers.h"
#include "tests/umock/MouseDescriptor.h"
#include "tests/umock/UmockBed.h"
#include "tests/umock/UmockDriver.h"

namespace talun::umock {
namespace {

using ::testing::HasSubstr;

// The SET and GET lines' bytes of a golden trace, each padded to length(ID).
std::vector<Transfer> GoldenTransfers(const std::string& trace, const FeatureLengths& lengths) {
    std::vector<Transfer> transfers;
    for (const TraceLine& line : testing::TransfersOf(trace)) {
        Transfer t{line.kind == TraceKind::SetFeature, line.bytes, 0};
        t.bytes.resize(lengths.at(t.bytes[0]), 0);
        transfers.push_back(t);
    }
    return transfers;
}

std::string Describe(const std::vector<Transfer>& transfers) {
    std::string text;
    for (const Transfer& t : transfers)
        text += std::string(t.write ? "SET " : "GET ") + testing::ToHex(t.bytes) + " e" +
                std::to_string(t.error) + "\n";
    return text;
}

class UmockLibrary : public ::testing::Test {
  protected:
    UmockBed bed;
};

TEST_F(UmockLibrary, ListsEveryEmulatedMouseWithItsVendorCollection) {
    bed.Plug(bed.Add());
    bed.Plug(bed.Add(WithDescriptor(MouseDescriptor(CatalogueLengths(), true))));
    BoundDriver driver;
    char text[4096] = {};
    ASSERT_GE(driver.copy.List_HidDevices(text, sizeof text), 2) << driver.copy.LastError();
    EXPECT_THAT(text, HasSubstr("7e57:0005 ff00:0001 1034 \"Talun R5\" /dev/hidraw0"));
    EXPECT_THAT(text, HasSubstr("7e57:0005 0001:0002 0 \"Talun R5\" /dev/hidraw1"));
    EXPECT_THAT(text, HasSubstr("7e57:0005 ff00:0001 1034 \"Talun R5\" /dev/hidraw1"));
    EXPECT_EQ(driver.copy.Open_FeatureDevice(), 1) << driver.copy.LastError();
}

// Catalogue lengths, longer ones (the library pads), and a pointer collection
// beside the vendor one: the tool's traffic is the golden trace's, and the mouse
// sees each report padded to the length its descriptor declares.
struct DescriptorCase {
    const char* name;
    FeatureLengths lengths;
    bool pointer;
};
// By its name in test listings (not as the bytes of the struct).
void PrintTo(const DescriptorCase& c, std::ostream* out) {
    *out << c.name;
}

class UmockGolden : public UmockLibrary, public ::testing::WithParamInterface<DescriptorCase> {};

TEST_P(UmockGolden, WholeUpdateAndTestCommandsMoveTheGoldenBytes) {
    const int mouse =
        bed.Add(WithDescriptor(MouseDescriptor(GetParam().lengths, GetParam().pointer)));
    bed.Plug(mouse);
    BoundDriver driver;

    // The real library in place of the simulated mouse.
    testing::GoldenRun update(driver.copy.Library());
    EXPECT_EQ(update.PlugIn(), UpdateStatus::Updated) << driver.copy.Library().LastErrorText();
    update.Unplug();
    EXPECT_EQ(update.trace, testing::ReadGolden("update-after-plug-in.trace"));

    testing::GoldenRun panel(driver.copy.Library());
    panel.TestPanelCommands();
    EXPECT_EQ(panel.trace, testing::ReadGolden("test-panel-commands.trace"));

    EXPECT_EQ(Describe(bed.Mouse(mouse).Log()),
              Describe(GoldenTransfers(update.trace + panel.trace, GetParam().lengths)));
}

INSTANTIATE_TEST_SUITE_P(Descriptors, UmockGolden,
                         ::testing::Values(DescriptorCase{"Catalogue", CatalogueLengths(), false},
                                           DescriptorCase{"LongerReports", LongerLengths(8), false},
                                           DescriptorCase{"PointerBesideVendor", CatalogueLengths(),
                                                          true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace talun::umock
