// The dots per inch a window is drawn at, and the outer size that gives it a
// client area of a given size there, on every Windows the program runs on:
// per window on Windows 10 (1607) and later, the system's elsewhere.
#pragma once

#include <windows.h>

namespace morvane::win32 {

UINT WindowDpi(HWND window);

// The window's outer size for a client area of width x height pixels, with
// its frame and caption as drawn at dpi.
SIZE OuterSize(int width, int height, DWORD style, DWORD extendedStyle, UINT dpi);

}  // namespace morvane::win32
