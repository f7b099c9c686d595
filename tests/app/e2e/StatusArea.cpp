#include "tests/app/e2e/StatusArea.h"

namespace talun::e2e {
namespace {

constexpr int LARGE_FONT = 40;
constexpr int SMALL_FONT = 20;

int Width(const RECT& r) {
    return r.right - r.left;
}
int Height(const RECT& r) {
    return r.bottom - r.top;
}

Image ExpectedStatus(Shown shown) {
    const int w = Width(STATUS_RECT);
    const int h = Height(STATUS_RECT);
    switch (shown) {
        case Shown::Updating:
            return RenderStatusText(w, h, "UPDATING....", LARGE_FONT);
        case Shown::Updated:
            return RenderStatusText(w, h, "FIRMWARE UPDATED.", LARGE_FONT);
        case Shown::NotUpdated:
            return RenderStatusText(w, h, "FIRMWARE NOT UPDATED.", LARGE_FONT);
        case Shown::Idle:
            break;
    }
    return Blank(w, h);
}

Image ExpectedHint(Shown shown) {
    const int w = Width(HINT_RECT);
    const int h = Height(HINT_RECT);
    if (shown == Shown::NotUpdated)
        return RenderStatusText(w, h, "MAKE SURE THE TALUN R5 IS CONNECTED.", SMALL_FONT);
    return Blank(w, h);
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
