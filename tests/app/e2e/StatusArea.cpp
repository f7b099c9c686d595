#include "tests/app/e2e/StatusArea.h"

namespace talun::e2e {
namespace {

constexpr int LARGE_FONT = 40;
constexpr int SMALL_FONT = 20;

// A text drawn in a rectangle's size as the status area draws it; the rectangle
// blank when there is no text.
Image Drawn(const RECT& rect, const char* text, int fontHeight) {
    const int w = rect.right - rect.left;
    const int h = rect.bottom - rect.top;
    return text == nullptr ? Blank(w, h) : RenderStatusText(w, h, text, fontHeight);
}

Image ExpectedStatus(Shown shown) {
    switch (shown) {
        case Shown::Updating:
            return Drawn(STATUS_RECT, "UPDATING....", LARGE_FONT);
        case Shown::Updated:
            return Drawn(STATUS_RECT, "FIRMWARE UPDATED.", LARGE_FONT);
        case Shown::NotUpdated:
            return Drawn(STATUS_RECT, "FIRMWARE NOT UPDATED.", LARGE_FONT);
        case Shown::Idle:
            break;
    }
    return Drawn(STATUS_RECT, nullptr, LARGE_FONT);
}

Image ExpectedHint(Shown shown) {
    const bool hint = shown == Shown::NotUpdated;
    return Drawn(HINT_RECT, hint ? "MAKE SURE THE TALUN R5 IS CONNECTED." : nullptr, SMALL_FONT);
}

}  // namespace

const char* ShownName(Shown shown) {
    switch (shown) {
        case Shown::Idle:
            return "idle (no status text)";
        case Shown::Updating:
            return "UPDATING....";
        case Shown::Updated:
            return "FIRMWARE UPDATED.";
        case Shown::NotUpdated:
            return "FIRMWARE NOT UPDATED. with its hint";
    }
    return "?";
}

std::string CompareStatusArea(HWND window, Shown shown, Lines lines) {
    const Image status = CaptureClient(window, STATUS_RECT);
    const Image hint = CaptureClient(window, HINT_RECT);
    const int statusDiff = Differences(status, ExpectedStatus(shown));
    const int hintDiff = lines == Lines::StatusOnly ? 0 : Differences(hint, ExpectedHint(shown));
    if (statusDiff == 0 && hintDiff == 0) return "";
    return std::string("expected ") + ShownName(shown) + ": " + std::to_string(statusDiff) +
           " pixels of StatusRect and " + std::to_string(hintDiff) +
           " of HintRect differ (dark pixels: " + std::to_string(CountPixels(status, IsDark)) +
           " and " + std::to_string(CountPixels(hint, IsDark)) + ")";
}

std::string WaitForStatusArea(HWND window, Shown shown, uint32_t timeoutMs, Lines lines) {
    std::string last;
    WaitFor([&] { return (last = CompareStatusArea(window, shown, lines)).empty(); }, timeoutMs);
    return last;
}

std::string CompareBrandArea(HWND window, HWND picture) {
    RECT pictureRect{};
    ::GetWindowRect(picture, &pictureRect);
    ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&pictureRect), 2);
    const Image brand = CaptureClient(window, BRAND_RECT);
    int notWhite = 0;
    for (int y = 0; y < brand.height; ++y) {
        for (int x = 0; x < brand.width; ++x) {
            const POINT p{BRAND_RECT.left + x, BRAND_RECT.top + y};
            if (::PtInRect(&pictureRect, p)) continue;
            if (brand.At(x, y) != WHITE) ++notWhite;
        }
    }
    if (notWhite == 0) return "";
    return std::to_string(notWhite) + " pixels of BrandRect beside the picture are not white";
}

}  // namespace talun::e2e
