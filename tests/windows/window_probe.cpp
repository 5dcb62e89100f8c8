// Reads Morvane's window from another process, as a screen reader would on
// Windows, and what Windows shows of the program's file: the end-to-end
// tests run it beside the program, in the same wine prefix and display, to
// see what the window shows.
//   window_probe controls   the main window's controls, one a line:
//                           "button Start enabled", "from 1", "to 25",
//                           "lines 10", "status Files saved to Z:\..."
//   window_probe messages   the text of each open message box, one a line,
//                           its line breaks written as "\n"
//   window_probe centre NAME  the screen point "X Y" at the centre of the
//                           control NAME (button, from, to, lines, status),
//                           for clicks with xdotool
//   window_probe details FILE  what Windows shows of the program FILE in its
//                           Properties, Details: "version 1.2.3.0" (the
//                           numbers), then "ProductName Morvane" and the
//                           other texts, one a line
// Prints nothing when the window is not there. A control's text is asked for
// with a message, which a window busy with a run answers at its next pass
// through its events; the probe waits for that up to ten seconds.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ui/win32/form1_window.h"

namespace {

constexpr wchar_t kTitle[] = L"Morvane";
// The class of the system's dialog boxes, message boxes among them.
constexpr wchar_t kDialogClass[] = L"#32770";
// The control of a message box that holds its text.
constexpr int kMessageTextId = 0xFFFF;

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

std::wstring TitleOf(HWND window) {
  wchar_t title[256] = {};
  GetWindowTextW(window, title, 256);
  return title;
}

// The program's visible top-level windows titled Morvane: the main window
// (dialogs == false) or its message boxes (dialogs == true).
std::vector<HWND> ProgramWindows(bool dialogs) {
  struct Search {
    bool dialogs;
    std::vector<HWND> found;
  } search{dialogs, {}};
  EnumWindows(
      [](HWND window, LPARAM context) -> BOOL {
        auto& search = *reinterpret_cast<Search*>(context);
        if (IsWindowVisible(window) && TitleOf(window) == kTitle &&
            (ClassOf(window) == kDialogClass) == search.dialogs) {
          search.found.push_back(window);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A control's text, asked of the process that owns it.
std::wstring TextOf(HWND control) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_BLOCK, 10000, &length)) return L"?";
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(control, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()), SMTO_BLOCK,
                           10000, &copied)) {
    return L"?";
  }
  text.resize(copied);
  return text;
}

void PrintUtf8(const std::wstring& text) {
  std::string line;
  for (wchar_t c : text) {
    if (c == L'\r') continue;
    if (c == L'\n') {
      line += "\\n";
      continue;
    }
    const wchar_t one[2] = {c, 0};
    char bytes[8] = {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, one, 1, bytes, sizeof bytes, nullptr, nullptr);
    line.append(bytes, static_cast<std::size_t>(size > 0 ? size : 0));
  }
  std::printf("%s\n", line.c_str());
}

struct Control {
  const wchar_t* name;
  int id;
};
constexpr Control kControls[] = {
    {L"button", morvane::Form1::kCommand1}, {L"from", morvane::Form1::kTxFrom}, {L"to", morvane::Form1::kTxTo},
    {L"lines", morvane::Form1::kCombo1},    {L"status", morvane::Form1::kTxCt},
};

void PrintControls(HWND window) {
  for (const Control& control : kControls) {
    HWND handle = GetDlgItem(window, control.id);
    std::wstring line = std::wstring(control.name) + L" " + TextOf(handle);
    if (control.id == morvane::Form1::kCommand1) line += IsWindowEnabled(handle) ? L" enabled" : L" disabled";
    PrintUtf8(line);
  }
}

void PrintCentre(HWND window, const std::wstring& name) {
  for (const Control& control : kControls) {
    RECT box{};
    if (name == control.name && GetWindowRect(GetDlgItem(window, control.id), &box)) {
      std::printf("%ld %ld\n", (box.left + box.right) / 2, (box.top + box.bottom) / 2);
    }
  }
}

// Read as Explorer reads them: the texts of the first language the file
// lists.
bool PrintDetails(const wchar_t* file) {
  DWORD unused = 0;
  std::vector<unsigned char> info(GetFileVersionInfoSizeW(file, &unused));
  if (info.empty() || !GetFileVersionInfoW(file, 0, static_cast<DWORD>(info.size()), info.data())) return false;
  VS_FIXEDFILEINFO* numbers = nullptr;
  struct Translation {
    WORD language;
    WORD codePage;
  }* translation = nullptr;
  UINT size = 0;
  if (!VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&numbers), &size) ||
      !VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &size) ||
      size < sizeof(Translation)) {
    return false;
  }
  std::printf("version %d.%d.%d.%d\n", HIWORD(numbers->dwFileVersionMS), LOWORD(numbers->dwFileVersionMS),
              HIWORD(numbers->dwFileVersionLS), LOWORD(numbers->dwFileVersionLS));
  wchar_t block[64];
  std::swprintf(block, 64, L"\\StringFileInfo\\%04x%04x\\", translation->language, translation->codePage);
  for (const wchar_t* name : {L"ProductName", L"FileDescription", L"FileVersion", L"ProductVersion",
                              L"OriginalFilename", L"LegalCopyright"}) {
    wchar_t* text = nullptr;
    if (!VerQueryValueW(info.data(), (std::wstring(block) + name).c_str(), reinterpret_cast<void**>(&text), &size)) {
      text = const_cast<wchar_t*>(L"(none)");
    }
    PrintUtf8(std::wstring(name) + L" " + text);
  }
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring what = argc > 1 ? argv[1] : L"";
  if (what == L"controls") {
    for (HWND window : ProgramWindows(false)) PrintControls(window);
  } else if (what == L"centre" && argc > 2) {
    for (HWND window : ProgramWindows(false)) PrintCentre(window, argv[2]);
  } else if (what == L"messages") {
    for (HWND box : ProgramWindows(true)) PrintUtf8(TextOf(GetDlgItem(box, kMessageTextId)));
  } else if (what == L"details" && argc > 2) {
    if (!PrintDetails(argv[2])) {
      std::fprintf(stderr, "window_probe: no version information in the file\n");
      return 1;
    }
  } else {
    std::fprintf(stderr, "usage: window_probe controls | messages | centre NAME | details FILE\n");
    return 2;
  }
  return 0;
}
