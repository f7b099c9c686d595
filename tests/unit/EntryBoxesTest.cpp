// The entry boxes: what text counts as a number, the range messages, and that a
// failing box ends the exchange.
#include <gtest/gtest.h>

#include <map>

#include "testpanel/EntryBoxes.h"

namespace talun {
namespace {

TEST(EntryBoxText, AcceptedNumbers) {
    EXPECT_EQ(ParseEntryBoxInteger(" 3 "), 3);
    EXPECT_EQ(ParseEntryBoxInteger("\t3\t"), 3);
    EXPECT_EQ(ParseEntryBoxInteger("0"), 0);
    EXPECT_EQ(ParseEntryBoxInteger("  0"), 0);
    EXPECT_EQ(ParseEntryBoxInteger("+2"), 2);
    EXPECT_EQ(ParseEntryBoxInteger("-7"), -7);
    EXPECT_EQ(ParseEntryBoxInteger("007"), 7);
    EXPECT_EQ(ParseEntryBoxInteger("2147483647"), 2147483647);
    EXPECT_EQ(ParseEntryBoxInteger("-2147483648"), INT32_MIN);
}

TEST(EntryBoxText, RefusedTexts) {
    for (const char* text : {"3a", "", "   ", "-0", "+0", "-", "+", "a3", "3 4", "0x1", "1.0",
                             "2147483648", "99999999999999999999", "\n3"}) {
        EXPECT_FALSE(ParseEntryBoxInteger(text)) << '"' << text << '"';
    }
}

TEST(EntryBoxText, OnlyTheFirst31CharactersAreRead) {
    EXPECT_EQ(ParseEntryBoxInteger(std::string(30, ' ') + "4" + "garbage"), 4);
}

TEST(EntryBoxText, RangeMessageFillsInTheBounds) {
    EXPECT_EQ(RangeMessage(0, 4), "Please enter an integer between 0 and 4.");
    EXPECT_EQ(RangeMessage(0, 14), "Please enter an integer between 0 and 14.");
}

struct Boxes {
    std::map<int, std::string> text;
    std::vector<int> read;
    std::function<std::string(int)> Reader() {
        return [this](int id) {
            read.push_back(id);
            return text[id];
        };
    }
};

TEST(Exchange, BothBoxesGood) {
    Boxes boxes{{{1040, "4"}, {1041, " 14 "}}, {}};
    TestPanelValues values;
    EXPECT_FALSE(SaveEntryBoxes(values, boxes.Reader()));
    EXPECT_EQ(values.profileId, 4);
    EXPECT_EQ(values.buttonNumber, 14);
    EXPECT_EQ(boxes.read, (std::vector<int>{1040, 1041}));
}

TEST(Exchange, ProfileOutOfRangeStopsBeforeTheButtonBox) {
    Boxes boxes{{{1040, "5"}, {1041, "3"}}, {}};
    TestPanelValues values{1, 2};
    const auto failure = SaveEntryBoxes(values, boxes.Reader());
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->boxId, 1040);
    EXPECT_EQ(failure->message, "Please enter an integer between 0 and 4.");
    EXPECT_EQ(boxes.read, (std::vector<int>{1040}));
    EXPECT_EQ(values.profileId, 5);  // the value stays in its field
    EXPECT_EQ(values.buttonNumber, 2);
}

TEST(Exchange, ProfileNotANumberLeavesTheFieldAlone) {
    Boxes boxes{{{1040, "3a"}, {1041, "3"}}, {}};
    TestPanelValues values{1, 2};
    const auto failure = SaveEntryBoxes(values, boxes.Reader());
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->boxId, 1040);
    EXPECT_EQ(failure->message, "Please enter an integer.");
    EXPECT_EQ(values.profileId, 1);
    EXPECT_EQ(boxes.read.size(), 1u);
}

TEST(Exchange, ButtonOutOfRangeOnEitherSide) {
    for (const char* text : {"15", "-1"}) {
        Boxes boxes{{{1040, "0"}, {1041, text}}, {}};
        TestPanelValues values;
        const auto failure = SaveEntryBoxes(values, boxes.Reader());
        ASSERT_TRUE(failure) << text;
        EXPECT_EQ(failure->boxId, 1041);
        EXPECT_EQ(failure->message, "Please enter an integer between 0 and 14.");
    }
}

TEST(Exchange, EmptyButtonBox) {
    Boxes boxes{{{1040, "0"}, {1041, ""}}, {}};
    TestPanelValues values;
    const auto failure = SaveEntryBoxes(values, boxes.Reader());
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->boxId, 1041);
    EXPECT_EQ(failure->message, "Please enter an integer.");
    EXPECT_EQ(values.profileId, 0);
}

}  // namespace
}  // namespace talun
