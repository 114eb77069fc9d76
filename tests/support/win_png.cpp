#include "win_png.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <type_traits>

namespace test_support {
namespace {

unsigned long Crc(const unsigned char* data, std::size_t n) {
    static const auto table = [] {
        std::vector<unsigned long> t(256);
        for (unsigned long i = 0; i < 256; ++i) {
            unsigned long c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320ul ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    unsigned long crc = 0xFFFFFFFFul;
    for (std::size_t i = 0; i < n; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFul;
}

void Put32(std::vector<unsigned char>& out, unsigned long v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<unsigned char>((v >> shift) & 0xFF));
}

void Chunk(std::vector<unsigned char>& png, const char* type, const std::vector<unsigned char>& data) {
    Put32(png, static_cast<unsigned long>(data.size()));
    std::vector<unsigned char> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    png.insert(png.end(), body.begin(), body.end());
    Put32(png, Crc(body.data(), body.size()));
}

struct DcDeleter {
    void operator()(HDC dc) const { DeleteDC(dc); }
};
struct BitmapDeleter {
    void operator()(HBITMAP bitmap) const { DeleteObject(bitmap); }
};
using MemoryDc = std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter>;
using Bitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, BitmapDeleter>;

// A DC got with GetDC, released on the same window.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC Get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// width x height pixels of the source DC from (x, y), as RGB top row first.
std::vector<unsigned char> Copy(HDC source, int x, int y, int width, int height) {
    std::vector<unsigned char> rgb;
    if (!source || width <= 0 || height <= 0) return rgb;
    MemoryDc dc(CreateCompatibleDC(source));
    if (!dc) return rgb;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    Bitmap bitmap(CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) return rgb;
    HGDIOBJ old = SelectObject(dc.get(), bitmap.get());
    BitBlt(dc.get(), 0, 0, width, height, source, x, y, SRCCOPY);
    GdiFlush();
    SelectObject(dc.get(), old);
    const auto* px = static_cast<const unsigned char*>(bits);
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    rgb.reserve(count * 3);
    for (std::size_t i = 0; i < count; ++i) {
        rgb.push_back(px[i * 4 + 2]);
        rgb.push_back(px[i * 4 + 1]);
        rgb.push_back(px[i * 4 + 0]);
    }
    return rgb;
}

}  // namespace

std::vector<unsigned char> EncodePng(int width, int height, const std::vector<unsigned char>& rgb) {
    std::vector<unsigned char> raw;
    raw.reserve(static_cast<std::size_t>(height) * (static_cast<std::size_t>(width) * 3 + 1));
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // no filter
        const auto row = rgb.begin() + static_cast<std::ptrdiff_t>(y) * width * 3;
        raw.insert(raw.end(), row, row + width * 3);
    }
    std::vector<unsigned char> z = {0x78, 0x01};
    for (std::size_t pos = 0; pos < raw.size() || pos == 0;) {
        const std::size_t n = std::min<std::size_t>(65535, raw.size() - pos);
        const bool last = pos + n >= raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(static_cast<unsigned char>(n & 0xFF));
        z.push_back(static_cast<unsigned char>(n >> 8));
        z.push_back(static_cast<unsigned char>(~n & 0xFF));
        z.push_back(static_cast<unsigned char>((~n >> 8) & 0xFF));
        z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(pos),
                 raw.begin() + static_cast<std::ptrdiff_t>(pos + n));
        pos += n;
        if (last) break;
    }
    unsigned long a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    Put32(z, (b << 16) | a);

    std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<unsigned char> header;
    Put32(header, static_cast<unsigned long>(width));
    Put32(header, static_cast<unsigned long>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", z);
    Chunk(png, "IEND", {});
    return png;
}

std::vector<unsigned char> CaptureClient(HWND window, int& width, int& height) {
    RECT rc{};
    GetClientRect(window, &rc);
    width = rc.right;
    height = rc.bottom;
    WindowDc source(window);
    return Copy(source.Get(), 0, 0, width, height);
}

std::vector<unsigned char> CaptureWithFrame(HWND window, int& width, int& height) {
    RECT rc{};
    GetWindowRect(window, &rc);
    width = rc.right - rc.left;
    height = rc.bottom - rc.top;
    WindowDc screen(nullptr);
    return Copy(screen.Get(), rc.left, rc.top, width, height);
}

std::vector<unsigned char> CaptureScreen(const RECT& area, int& width, int& height) {
    width = area.right - area.left;
    height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return {};
    WindowDc screen(nullptr);
    return Copy(screen.Get(), area.left, area.top, width, height);
}

bool WritePng(const std::wstring& path, int width, int height, const std::vector<unsigned char>& rgb) {
    const std::vector<unsigned char> png = EncodePng(width, height, rgb);
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f) return false;
    const bool written = std::fwrite(png.data(), 1, png.size(), f) == png.size();
    return std::fclose(f) == 0 && written;
}

}  // namespace test_support
