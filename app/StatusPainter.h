// The main window's status area: the brand word and, by UpdateStatus, the status
// line and the hint, painted white through an off-screen bitmap.
#pragma once

#include <windows.h>

#include "update/ToolState.h"

namespace talun {

// The three text rectangles, in client-area pixels.
struct StatusLayout {
    RECT StatusRect;  // the status line
    RECT HintRect;    // the hint under "FIRMWARE NOT UPDATED."
    RECT BrandRect;   // the brand word, behind the picture
};

inline constexpr RECT BRAND_RECT = {100, 20, 600, 100};
inline constexpr RECT STATUS_RECT = {100, 100, 600, 150};
inline constexpr RECT HINT_RECT = {100, 150, 600, 200};

inline constexpr char BRAND_TEXT[] = "Talun";
inline constexpr char STATUS_FONT_FACE[] = "Arial";
inline constexpr int LARGE_FONT_HEIGHT = 40;
inline constexpr int SMALL_FONT_HEIGHT = 20;
inline constexpr COLORREF STATUS_BACKGROUND_COLOUR = RGB(255, 255, 255);
inline constexpr COLORREF BRAND_COLOUR = RGB(255, 128, 10);
inline constexpr COLORREF STATUS_TEXT_COLOUR = RGB(0, 0, 0);
// Centred, top-aligned, broken at words, a word too wide cut with an ellipsis.
inline constexpr UINT STATUS_TEXT_FORMAT = DT_CENTER | DT_WORDBREAK | DT_WORD_ELLIPSIS;
static_assert(STATUS_TEXT_FORMAT == 0x40011, "the status texts' layout");

// One of the status area's two fonts (LARGE_FONT_HEIGHT, SMALL_FONT_HEIGHT),
// made as every paint makes it; the caller deletes it.
HFONT CreateStatusFont(int height);

// Paints the whole client area (clientWidth x clientHeight) into target: white,
// the brand word in orange, and the texts for status in black. Everything is
// drawn into an off-screen bitmap first and copied in one operation; what
// reaches the screen is limited to target's clipping (the region being
// repainted).
void PaintStatusArea(HDC target, int clientWidth, int clientHeight, const StatusLayout& layout,
                     UpdateStatus status);

}  // namespace talun
