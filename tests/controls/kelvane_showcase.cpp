// Shows the four Kelvane controls in one window and saves a PNG of it:
//   kelvane_showcase.exe OUT.png
// Exit code 0 when the picture was saved and shows more than one colour.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <cstdio>
#include <vector>

#include "container.h"
#include "kelvane_testing.h"

namespace kelvane_test {
namespace {

// --- A minimal PNG writer (stored deflate blocks) ---------------------------------

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

// The window's client area as it is on the screen, RGB top row first.
std::vector<unsigned char> Capture(HWND window, int& width, int& height) {
  RECT rc{};
  GetClientRect(window, &rc);
  width = rc.right;
  height = rc.bottom;
  HDC window_dc = GetDC(window);
  HDC dc = CreateCompatibleDC(window_dc);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  olectl::GdiObject<HBITMAP> bitmap(CreateDIBSection(window_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  std::vector<unsigned char> rgb;
  if (bitmap && bits) {
    HGDIOBJ old = SelectObject(dc, bitmap.Get());
    BitBlt(dc, 0, 0, width, height, window_dc, 0, 0, SRCCOPY);
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
  DeleteDC(dc);
  ReleaseDC(window, window_dc);
  return rgb;
}

void Label(HWND parent, const wchar_t* text, int x, int y, int w) {
  HWND label = CreateWindowExW(0, L"STATIC", text, WS_CHILD | WS_VISIBLE, x, y, w, 16, parent, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
}

int Run(const wchar_t* out_path) {
  if (FAILED(OleInitialize(nullptr))) return 2;
  int rc = 1;
  {
    Container container(560, 300, L"Kelvane controls");
    HWND frame = container.Window();
    std::vector<ComPtr<Site>> sites;
    auto add = [&](REFCLSID clsid, RECT rect, auto&& before) -> ComPtr<Site> {
      ComPtr<Site> site;
      if (FAILED(Site::Create(container, clsid, site))) return nullptr;
      before(site);
      if (FAILED(site->Activate(rect))) return nullptr;
      sites.push_back(site);
      return site;
    };
    SYSTEMTIME st{2010, 6, 0, 18, 9, 30, 0, 0};
    DATE date = 0;
    SystemTimeToVariantTime(&st, &date);

    Label(frame, L"SysMonthCal32", 10, 8, 240);
    ComPtr<Site> calendar = add(CLSID_SysMonthCal32, {10, 28, 260, 228}, [&](const ComPtr<Site>& s) {
      s->Control<ISysMonthCal32>()->put_Value(date);
    });
    if (calendar) {
      int w = 0, h = 0;
      if (SUCCEEDED(calendar->Control<ISysMonthCal32>()->GetMinSize(&w, &h))) calendar->Move({10, 28, 10 + w, 28 + h});
    }
    Label(frame, L"SysDateTimePick32", 300, 8, 240);
    add(CLSID_SysDateTimePick32, {300, 28, 520, 52},
        [&](const ComPtr<Site>& s) { s->Control<ISysDateTimePick32>()->put_Value(date); });
    ComPtr<Site> spin = add(CLSID_SysDateTimePick32, {300, 58, 520, 82}, [&](const ComPtr<Site>& s) {
      auto picker = s->Control<ISysDateTimePick32>();
      picker->put_Value(date);
      picker->put_UpDown(VARIANT_TRUE);
    });
    if (spin) {
      olectl::Bstr format(L"dd.MM.yyyy HH:mm");
      spin->Control<ISysDateTimePick32>()->SetCustomFormat(format.Get());
    }
    Label(frame, L"PriorityBar", 300, 96, 240);
    add(CLSID_PriorityBar, {300, 116, 460, 194},
        [&](const ComPtr<Site>& s) { s->Control<IPriorityBar>()->put_Value(2); });
    Label(frame, L"EditBox", 300, 208, 240);
    ComPtr<Site> edit = add(CLSID_EditBox, {300, 228, 520, 250}, [](const ComPtr<Site>&) {});
    if (edit) SetWindowTextW(edit->ChildWindow(), L"Typed into the edit field");

    if (sites.size() == 5) {
      RedrawWindow(frame, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      for (int i = 0; i < 20; ++i) {
        PumpMessages();
        Sleep(25);
      }
      int width = 0, height = 0;
      std::vector<unsigned char> rgb = Capture(frame, width, height);
      bool varied = false;
      for (size_t i = 3; i < rgb.size() && !varied; i += 3) varied = rgb[i] != rgb[0] || rgb[i + 1] != rgb[1];
      if (!rgb.empty()) {
        std::vector<unsigned char> png = EncodePng(width, height, rgb);
        FILE* f = _wfopen(out_path, L"wb");
        if (f) {
          const bool written = fwrite(png.data(), 1, png.size(), f) == png.size();
          fclose(f);
          if (written && varied) {
            std::printf("saved %dx%d\n", width, height);
            rc = 0;
          }
        }
      }
    }
    for (auto& site : sites) site->Close();
  }
  OleUninitialize();
  return rc;
}

}  // namespace
}  // namespace kelvane_test

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kelvane_showcase OUT.png\n");
    return 2;
  }
  try {
    return kelvane_test::Run(argv[1]);
  } catch (...) {
    return 3;
  }
}
