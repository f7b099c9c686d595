#include "tests/app/e2e/Screen.h"

#include <cstdlib>
#include <cstring>
#include <fstream>

#include "tests/app/e2e/Files.h"

namespace talun::e2e {
namespace {

// The header of a 32-bit top-down bitmap: the canvas's and a screenshot file's.
BITMAPINFOHEADER TopDown32(int width, int height) {
    return {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
}

// A 32-bit top-down DIB section selected into a memory context.
class Canvas {
  public:
    Canvas(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader = TopDown32(width, height);
        dc_ = ::CreateCompatibleDC(nullptr);
        bitmap_ = ::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
        previous_ = ::SelectObject(dc_, bitmap_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    ~Canvas() {
        ::SelectObject(dc_, previous_);
        ::DeleteObject(bitmap_);
        ::DeleteDC(dc_);
    }
    HDC Dc() const { return dc_; }
    Image Pixels() const {
        ::GdiFlush();
        Image image{width_, height_, {}};
        image.pixels.resize(static_cast<size_t>(width_) * height_);
        const auto* source = static_cast<const uint32_t*>(bits_);
        for (size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = source[i] & 0xFFFFFF;
        return image;
    }

  private:
    int width_;
    int height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    void* bits_ = nullptr;
};

Image CaptureScreen(int left, int top, int width, int height) {
    Canvas canvas(width, height);
    const HDC screen = ::GetDC(nullptr);
    ::BitBlt(canvas.Dc(), 0, 0, width, height, screen, left, top, SRCCOPY);
    ::ReleaseDC(nullptr, screen);
    return canvas.Pixels();
}

int Channel(uint32_t pixel, int shift) {
    return static_cast<int>((pixel >> shift) & 0xFF);
}

}  // namespace

Image CaptureClient(HWND window, const RECT& clientRect) {
    POINT origin{clientRect.left, clientRect.top};
    ::ClientToScreen(window, &origin);
    return CaptureScreen(origin.x, origin.y, clientRect.right - clientRect.left,
                         clientRect.bottom - clientRect.top);
}

Image CaptureWindow(HWND window) {
    RECT r{};
    ::GetWindowRect(window, &r);
    return CaptureScreen(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

Image RenderStatusText(int width, int height, const char* text, int fontHeight, COLORREF colour) {
    Canvas canvas(width, height);
    RECT all{0, 0, width, height};
    HBRUSH white = ::CreateSolidBrush(RGB(255, 255, 255));
    ::FillRect(canvas.Dc(), &all, white);
    ::DeleteObject(white);
    ::SetBkMode(canvas.Dc(), TRANSPARENT);
    ::SetTextColor(canvas.Dc(), colour);
    HFONT font = ::CreateFontA(fontHeight, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                               FF_SWISS | DEFAULT_PITCH, "Arial");
    HGDIOBJ previous = ::SelectObject(canvas.Dc(), font);
    ::DrawTextA(canvas.Dc(), text, -1, &all, DT_CENTER | DT_WORDBREAK | DT_WORD_ELLIPSIS);
    ::SelectObject(canvas.Dc(), previous);
    ::DeleteObject(font);
    return canvas.Pixels();
}

Image Blank(int width, int height) {
    return Image{width, height, std::vector<uint32_t>(static_cast<size_t>(width) * height, WHITE)};
}

int Differences(const Image& a, const Image& b, int tolerance) {
    if (a.width != b.width || a.height != b.height) return -1;
    int count = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) {
        for (const int shift : {0, 8, 16}) {
            if (std::abs(Channel(a.pixels[i], shift) - Channel(b.pixels[i], shift)) > tolerance) {
                ++count;
                break;
            }
        }
    }
    return count;
}

int CountPixels(const Image& image, bool (*test)(uint32_t)) {
    int count = 0;
    for (const uint32_t p : image.pixels)
        if (test(p)) ++count;
    return count;
}

bool IsDark(uint32_t pixel) {
    return Channel(pixel, 16) < 64 && Channel(pixel, 8) < 64 && Channel(pixel, 0) < 64;
}

bool IsOrange(uint32_t pixel) {
    return Channel(pixel, 16) > 200 && Channel(pixel, 8) > 80 && Channel(pixel, 8) < 180 &&
           Channel(pixel, 0) < 90;
}

std::string SaveScreenshot(const Image& image, const std::string& name) {
    const std::string dir = FromTestDirectory("screenshots\\");
    ::CreateDirectoryA(dir.c_str(), nullptr);
    const std::string path = dir + name + ".bmp";
    BITMAPFILEHEADER file{};
    const BITMAPINFOHEADER info = TopDown32(image.width, image.height);
    const DWORD bytes = static_cast<DWORD>(image.pixels.size() * 4);
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + bytes;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    out.write(reinterpret_cast<const char*>(image.pixels.data()), bytes);
    return path;
}

}  // namespace talun::e2e
