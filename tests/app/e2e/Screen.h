// What the tool's windows show on the screen, read back as pixels, and what the
// status area should show, drawn here independently as the window is to draw it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace talun::e2e {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // 0x00RRGGBB, rows from the top

    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

inline constexpr uint32_t WHITE = 0xFFFFFF;
inline constexpr uint32_t BLACK = 0x000000;

// The status area's rectangles, in client pixels.
inline constexpr RECT BRAND_RECT = {100, 20, 600, 100};
inline constexpr RECT STATUS_RECT = {100, 100, 600, 150};
inline constexpr RECT HINT_RECT = {100, 150, 600, 200};

// Part of a window's client area as the screen shows it.
Image CaptureClient(HWND window, const RECT& clientRect);
// The whole window, frame included.
Image CaptureWindow(HWND window);

// A text as the status area draws it: bold "Arial" of this height, this colour,
// centred, top-aligned, broken at words, on white, in a rectangle of this size.
Image RenderStatusText(int width, int height, const char* text, int fontHeight,
                       COLORREF colour = RGB(0, 0, 0));
Image Blank(int width, int height);

// Pixels that differ by more than tolerance in any channel.
int Differences(const Image& a, const Image& b, int tolerance = 0);
int CountPixels(const Image& image, bool (*test)(uint32_t));
bool IsDark(uint32_t pixel);
bool IsOrange(uint32_t pixel);

// Saved as a 32-bit BMP under screenshots\ beside the test program; the path.
std::string SaveScreenshot(const Image& image, const std::string& name);

}  // namespace talun::e2e
