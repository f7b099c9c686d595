// Every text of the status area fits on one line of its rectangle in the font
// the window really gets, as the system itself lays the text out. A substitute
// font wider than Arial breaks "FIRMWARE NOT UPDATED." at a word, and its second
// line falls outside the rectangle.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "app/StatusPainter.h"
#include "app/framework/WinHandles.h"
#include "update/UpdateRun.h"

namespace talun {
namespace {

// The font the system really chose: GetTextFace gives a substitute the asked-for name.
std::string ChosenFontName(HDC dc) {
    const UINT size = ::GetOutlineTextMetricsA(dc, 0, nullptr);
    std::vector<char> buffer(size);
    auto* metrics = reinterpret_cast<OUTLINETEXTMETRICA*>(buffer.data());
    if (size == 0 || ::GetOutlineTextMetricsA(dc, size, metrics) == 0) return "?";
    return buffer.data() + reinterpret_cast<uintptr_t>(metrics->otmpFullName);
}

struct StatusLine {
    const char* text;
    int fontHeight;
    RECT rect;
};

TEST(StatusTexts, EachFitsOnOneLineOfItsRectangleInTheSelectedFont) {
    const StatusLine lines[] = {
        {BRAND_TEXT, LARGE_FONT_HEIGHT, BRAND_RECT},
        {UpdateStatusText(UpdateStatus::Updating), LARGE_FONT_HEIGHT, STATUS_RECT},
        {UpdateStatusText(UpdateStatus::Updated), LARGE_FONT_HEIGHT, STATUS_RECT},
        {UpdateStatusText(UpdateStatus::NotUpdated), LARGE_FONT_HEIGHT, STATUS_RECT},
        {HINT_NOT_UPDATED, SMALL_FONT_HEIGHT, HINT_RECT},
    };
    // As the painter's own context: compatible with the screen.
    ui::MemoryDC dc(nullptr);
    ASSERT_TRUE(dc);
    for (const StatusLine& line : lines) {
        ui::GdiObject<HFONT> font(CreateStatusFont(line.fontHeight));
        ASSERT_TRUE(font);
        ui::SelectObjectScope select(dc.Get(), font.Get());
        TEXTMETRICA metrics{};
        ASSERT_TRUE(::GetTextMetricsA(dc.Get(), &metrics));
        SIZE extent{};
        ASSERT_TRUE(::GetTextExtentPoint32A(dc.Get(), line.text,
                                            static_cast<int>(std::strlen(line.text)), &extent));
        RECT laidOut = line.rect;
        ::DrawTextA(dc.Get(), line.text, -1, &laidOut, STATUS_TEXT_FORMAT | DT_CALCRECT);

        const int width = line.rect.right - line.rect.left;
        const int height = line.rect.bottom - line.rect.top;
        SCOPED_TRACE(std::string("\"") + line.text + "\" in \"" + ChosenFontName(dc.Get()) +
                     "\", height " + std::to_string(line.fontHeight));
        EXPECT_LE(extent.cx, width) << "wider than its rectangle";
        EXPECT_EQ(laidOut.bottom - laidOut.top, metrics.tmHeight) << "broken into lines";
        EXPECT_LE(metrics.tmHeight, height) << "taller than its rectangle";
    }
}

}  // namespace
}  // namespace talun
