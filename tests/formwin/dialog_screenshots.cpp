// The quick dialogs in their real windows as PNG files, at the screen's resolution, as the add-in
// opens them (its code with the Win32 platform, tests/formwin/addin_session.h):
//   dialog_screenshots.exe OUTDIR en|de
// writes OUTDIR\dialog-<task|appointment>-<en|de>-<dpi>.png, each dialog with its frame, in the
// add-in's English or German (the dates in the process's locale). Exit code 0 when both were
// written.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <ole2.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "automation/error.h"
#include "automation/value.h"
#include "addin_session.h"
#include "form_window_testing.h"
#include "tools/outlook-sim/sim_exposure.h"

namespace brisko::formwin_testing {
namespace {

// --- A minimal PNG writer (stored deflate blocks) ---------------------------------------------

unsigned long Crc(const unsigned char* data, size_t n, unsigned long crc = 0xFFFFFFFFul) {
  static unsigned long table[256];
  static bool ready = false;
  if (!ready) {
    for (unsigned long i = 0; i < 256; ++i) {
      unsigned long c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320ul ^ (c >> 1) : c >> 1;
      table[i] = c;
    }
    ready = true;
  }
  for (size_t i = 0; i < n; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return crc;
}

void Put32(std::vector<unsigned char>& out, unsigned long v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<unsigned char>((v >> shift) & 0xFF));
}

void Chunk(std::vector<unsigned char>& png, const char* type, const std::vector<unsigned char>& data) {
  Put32(png, static_cast<unsigned long>(data.size()));
  std::vector<unsigned char> body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  png.insert(png.end(), body.begin(), body.end());
  Put32(png, Crc(body.data(), body.size()) ^ 0xFFFFFFFFul);
}

// rgb: width * height * 3 bytes, top row first.
std::vector<unsigned char> EncodePng(int width, int height, const std::vector<unsigned char>& rgb) {
  std::vector<unsigned char> raw;
  raw.reserve(static_cast<size_t>(height) * (static_cast<size_t>(width) * 3 + 1));
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);  // no filter
    auto row = rgb.begin() + static_cast<std::ptrdiff_t>(y) * width * 3;
    raw.insert(raw.end(), row, row + width * 3);
  }
  std::vector<unsigned char> z = {0x78, 0x01};
  for (size_t pos = 0; pos < raw.size() || pos == 0;) {
    const size_t n = std::min<size_t>(65535, raw.size() - pos);
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

// The window with its frame as it is on the screen, RGB top row first.
std::vector<unsigned char> Capture(HWND window, int& width, int& height) {
    RECT rc{};
    GetWindowRect(window, &rc);
    width = rc.right - rc.left;
    height = rc.bottom - rc.top;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::vector<unsigned char> rgb;
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(dc, bitmap);
        BitBlt(dc, 0, 0, width, height, screen, rc.left, rc.top, SRCCOPY);
        GdiFlush();
        SelectObject(dc, old);
        const auto* px = static_cast<const unsigned char*>(bits);
        rgb.reserve(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
        for (size_t i = 0; i < static_cast<size_t>(width) * static_cast<size_t>(height); ++i) {
            rgb.push_back(px[i * 4 + 2]);
            rgb.push_back(px[i * 4 + 1]);
            rgb.push_back(px[i * 4 + 0]);
        }
    }
    if (bitmap) DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return rgb;
}

bool Save(const std::wstring& path, HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    for (int i = 0; i < 10; ++i) {
        Pump();
        Sleep(20);  // the X server draws what Wine sent it
    }
    int width = 0, height = 0;
    const std::vector<unsigned char> rgb = Capture(window, width, height);
    if (rgb.empty()) return false;
    const std::vector<unsigned char> png = EncodePng(width, height, rgb);
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f) return false;
    const bool written = fwrite(png.data(), 1, png.size(), f) == png.size();
    fclose(f);
    return written;
}

// Each dialog as the add-in opens it: ShowQuickTask / ShowQuickAppointment on a sample mail (a
// reminder on 10 December 2026) with Inbox\Projects\Alpha remembered as the move folder, in the
// session's language; Form_Load, Init and the localisation are the dialogs' own.
int Run(const std::wstring& folder, bool german) {
    Kelvane kelvane;
    if (!kelvane.registered) {
        std::fprintf(stderr, "Kelvane.dll could not be registered\n");
        return 2;
    }
    tools::SimExposure exposure;
    WinAddinPlatform platform;
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    int saved = 0;
    {
        AddinSession session(german ? L"DE" : L"EN");
        for (bool task : {true, false}) {
            ObjectPtr mail;
            sim::SimItem* item = session.NewMail(mail, L"Quarterly report: figures for the board meeting",
                                                 MakeDate({2026, 12, 10, 9, 0, 0}));
            if (task) ShowQuickTask(mail, true);
            else ShowQuickAppointment(mail, true);
            Pump();
            const auto form = session.Dialog(task, item);
            if (!form) {
                std::fprintf(stderr, "no %s dialog\n", task ? "task" : "appointment");
                continue;
            }
            // Above the screen's top left corner, whatever the window manager chose.
            SetWindowPos(reinterpret_cast<HWND>(form->hWnd()), nullptr, 20, 20, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            const std::wstring path = folder + L"\\dialog-" + (task ? L"task" : L"appointment") + L"-" +
                                      (german ? L"de" : L"en") + L"-" + std::to_wstring(dpi) + L".png";
            if (Save(path, reinterpret_cast<HWND>(form->hWnd()))) {
                ++saved;
                std::printf("saved %ls\n", path.c_str());
            }
            SendMessageW(ChildOf(*form, L"btnCancel"), BM_CLICK, 0, 0);
            Pump();
        }
    }
    return saved == 2 ? 0 : 1;
}

}  // namespace
}  // namespace brisko::formwin_testing

int wmain(int argc, wchar_t** argv) {
    if (argc != 3 || (std::wstring(argv[2]) != L"en" && std::wstring(argv[2]) != L"de")) {
        std::fprintf(stderr, "usage: dialog_screenshots OUTDIR en|de\n");
        return 2;
    }
    if (FAILED(OleInitialize(nullptr))) return 2;
    const int rc = brisko::formwin_testing::Run(argv[1], std::wstring(argv[2]) == L"de");
    OleUninitialize();
    return rc;
}
