// Owners of the GDI objects and painting scopes the window uses (kernel handles:
// platform/win32/UniqueHandle.h): each releases or restores what it holds when it
// goes out of scope, on every path.
#pragma once

#include <windows.h>

#include "platform/win32/UniqueHandle.h"

namespace talun::ui {

// A GDI object (font, bitmap, brush), deleted with DeleteObject. It must not be
// selected into a device context any more when this goes: declare it before the
// SelectObjectScope that selects it.
template <typename T>
class GdiObject {
  public:
    explicit GdiObject(T object = nullptr) : object_(object) {}
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    ~GdiObject() {
        if (object_ != nullptr) ::DeleteObject(object_);
    }
    T Get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

  private:
    T object_;
};

// A memory device context, deleted with DeleteDC.
class MemoryDC {
  public:
    explicit MemoryDC(HDC compatibleWith) : dc_(::CreateCompatibleDC(compatibleWith)) {}
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    ~MemoryDC() {
        if (dc_ != nullptr) ::DeleteDC(dc_);
    }
    HDC Get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

  private:
    HDC dc_;
};

// An object selected into a device context; the previous one is selected again
// when this goes.
class SelectObjectScope {
  public:
    SelectObjectScope(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
    SelectObjectScope(const SelectObjectScope&) = delete;
    SelectObjectScope& operator=(const SelectObjectScope&) = delete;
    ~SelectObjectScope() {
        if (previous_ != nullptr && previous_ != HGDI_ERROR) ::SelectObject(dc_, previous_);
    }

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

// A window's painting between BeginPaint and EndPaint.
class PaintScope {
  public:
    explicit PaintScope(HWND window) : window_(window) { dc_ = ::BeginPaint(window_, &paint_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    ~PaintScope() { ::EndPaint(window_, &paint_); }
    HDC Dc() const { return dc_; }
    const RECT& Area() const { return paint_.rcPaint; }

  private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_ = nullptr;
};

}  // namespace talun::ui
