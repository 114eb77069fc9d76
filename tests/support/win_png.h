// Pictures of test windows as PNG files (Win32 and the C++ library only).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace test_support {

// A PNG of RGB pixels, width * height * 3 bytes, top row first, in stored deflate blocks.
std::vector<unsigned char> EncodePng(int width, int height, const std::vector<unsigned char>& rgb);

// The window's client area as RGB, top row first; empty when it cannot be read.
std::vector<unsigned char> CaptureClient(HWND window, int& width, int& height);

// The window with its frame as it is on the screen, RGB top row first; empty when it cannot be read.
std::vector<unsigned char> CaptureWithFrame(HWND window, int& width, int& height);

// A rectangle of the screen (screen coordinates) as RGB, top row first; empty when it cannot be read.
std::vector<unsigned char> CaptureScreen(const RECT& area, int& width, int& height);

// Writes EncodePng(width, height, rgb) to the file; false when it was not written whole.
bool WritePng(const std::wstring& path, int width, int height, const std::vector<unsigned char>& rgb);

}  // namespace test_support
