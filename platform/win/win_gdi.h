// Owners of GDI and user32 handles: device contexts, selections, bitmaps, icons.
#pragma once

#include <windows.h>

#include <utility>

namespace brisko::win {

// GetDC of the desktop, released with ReleaseDC.
class ScreenDc {
public:
    ScreenDc() : dc_(GetDC(nullptr)) {}
    ~ScreenDc() {
        if (dc_) ReleaseDC(nullptr, dc_);
    }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    HDC get() const noexcept { return dc_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }

private:
    HDC dc_;
};

// CreateCompatibleDC, deleted with DeleteDC.
class MemoryDc {
public:
    explicit MemoryDc(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
    ~MemoryDc() {
        if (dc_) DeleteDC(dc_);
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    HDC get() const noexcept { return dc_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }

private:
    HDC dc_;
};

// An object selected into a device context; the previous one is selected back.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
    ~Selection() {
        if (old_ && old_ != HGDI_ERROR) SelectObject(dc_, old_);
    }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// A bitmap, deleted with DeleteObject unless released.
class GdiBitmap {
public:
    GdiBitmap() = default;
    explicit GdiBitmap(HBITMAP b) : b_(b) {}
    ~GdiBitmap() {
        if (b_) DeleteObject(b_);
    }
    GdiBitmap(GdiBitmap&& other) noexcept : b_(std::exchange(other.b_, nullptr)) {}
    GdiBitmap& operator=(GdiBitmap&& other) noexcept {
        if (this != &other) {
            if (b_) DeleteObject(b_);
            b_ = std::exchange(other.b_, nullptr);
        }
        return *this;
    }
    GdiBitmap(const GdiBitmap&) = delete;
    GdiBitmap& operator=(const GdiBitmap&) = delete;
    HBITMAP get() const noexcept { return b_; }
    [[nodiscard]] HBITMAP release() noexcept { return std::exchange(b_, nullptr); }
    explicit operator bool() const noexcept { return b_ != nullptr; }

private:
    HBITMAP b_ = nullptr;
};

}  // namespace brisko::win
