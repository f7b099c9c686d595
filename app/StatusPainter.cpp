#include "app/StatusPainter.h"

#include "app/framework/WinHandles.h"
#include "update/UpdateRun.h"

namespace talun {

HFONT CreateStatusFont(int height) {
    return ::CreateFontA(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                         FF_SWISS | DEFAULT_PITCH, STATUS_FONT_FACE);
}

namespace {

using ui::GdiObject;
using ui::SelectObjectScope;

void DrawStatusText(HDC dc, const char* text, RECT rect) {
    ::DrawTextA(dc, text, -1, &rect, STATUS_TEXT_FORMAT);
}

}  // namespace

void PaintStatusArea(HDC target, int clientWidth, int clientHeight, const StatusLayout& layout,
                     UpdateStatus status) {
    ui::MemoryDC memory(target);
    if (!memory) return;
    // Compatible with the window's context, so that it has the screen's format.
    GdiObject<HBITMAP> bitmap(::CreateCompatibleBitmap(target, clientWidth, clientHeight));
    if (!bitmap) return;
    // Fonts before the selections: they are deleted after being deselected.
    GdiObject<HFONT> largeFont(CreateStatusFont(LARGE_FONT_HEIGHT));
    GdiObject<HFONT> smallFont(CreateStatusFont(SMALL_FONT_HEIGHT));
    const HDC dc = memory.Get();
    SelectObjectScope selectBitmap(dc, bitmap.Get());

    const RECT whole = {0, 0, clientWidth, clientHeight};
    GdiObject<HBRUSH> white(::CreateSolidBrush(STATUS_BACKGROUND_COLOUR));
    ::FillRect(dc, &whole, white.Get());
    ::SetBkMode(dc, TRANSPARENT);

    {
        SelectObjectScope selectLarge(dc, largeFont.Get());
        ::SetTextColor(dc, BRAND_COLOUR);
        DrawStatusText(dc, BRAND_TEXT, layout.BrandRect);

        ::SetTextColor(dc, STATUS_TEXT_COLOUR);
        switch (status) {
            case UpdateStatus::Updating:
            case UpdateStatus::Updated:
                DrawStatusText(dc, UpdateStatusText(status), layout.StatusRect);
                break;
            case UpdateStatus::NotUpdated: {
                DrawStatusText(dc, UpdateStatusText(status), layout.StatusRect);
                SelectObjectScope selectSmall(dc, smallFont.Get());
                DrawStatusText(dc, HINT_NOT_UPDATED, layout.HintRect);
                break;
            }
            case UpdateStatus::Idle:
                break;
        }
    }

    ::BitBlt(target, 0, 0, clientWidth, clientHeight, dc, 0, 0, SRCCOPY);
}

}  // namespace talun
