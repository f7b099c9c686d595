// The station file: the station's name, the labels of its ports, and the clear
// error (with its line) for every file that cannot be taken.
#include "production/StationFile.h"

#include <gtest/gtest.h>

namespace talun::production {
namespace {

TEST(StationFile, NamesTheStationAndLabelsEachPort) {
    std::string error;
    const auto file = ParseStationFile(
        "\xEF\xBB\xBF# hub on the left\r\nstation = line 3 west\r\n1-1.4 = A4\n\n; more\n"
        "Port_#0002.Hub_#0003 = B2\n",
        error);
    ASSERT_TRUE(file) << error;
    EXPECT_EQ(file->station, "line 3 west");
    EXPECT_EQ(file->labels.size(), 2u);
    EXPECT_EQ(MouseName(*file, "1-1.4", 0), "A4");
    EXPECT_EQ(MouseName(*file, "Port_#0002.Hub_#0003", 1), "B2");
    EXPECT_EQ(MouseName(*file, "1-1.5", 2), "1-1.5") << "a port without a label";
    EXPECT_EQ(MouseName(*file, "", 3), "slot 3") << "a library that gives no port";
    EXPECT_TRUE(ParseStationFile("", error)) << "an empty file labels nothing";
}

TEST(StationFile, EveryMistakeIsRefusedWithItsLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"1-1.4 = A4\n1-1.5 = A4\n", "line 2: label A4 is used for two ports"},
        {"1-1.4 = A4\n\n1-1.4 = A5\n", "line 3: port 1-1.4 is labelled twice"},
        {"station = a\nstation = b\n", "line 2: the station is named twice"},
        {"1-1.4 A4\n", "line 1: expected \"port = label\" or \"station = name\""},
        {"[ports]\n", "line 1: expected \"port = label\" or \"station = name\""},
        {"1-1.4 =\n", "line 1: no label after '='"},
        {"station =  \n", "line 1: no name after '='"},
        {"= A4\n", "line 1: no port before '='"},
        {"1-1.4 = A\x01"
         "4\n",
         "line 1: a control character"},
    };
    for (const auto& [text, expected] : cases) {
        std::string error;
        EXPECT_FALSE(ParseStationFile(text, error)) << text;
        EXPECT_EQ(error, expected) << text;
    }
}

TEST(StationFile, AFileThatCannotBeReadIsNamed) {
    std::string error;
    EXPECT_FALSE(ReadStationFile("/nonexistent/station.ini", error));
    EXPECT_EQ(error, "cannot read the station file /nonexistent/station.ini");
}

}  // namespace
}  // namespace talun::production
