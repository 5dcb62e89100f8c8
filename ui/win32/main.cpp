// Starts the program on Windows: its one window, writing next to the
// executable.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "engine/files/program_folder.h"
#include "engine/files/windows_text.h"
#include "number/failure.h"
#include "ui/win32/form1_window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  std::string programFolder;
  try {
    programFolder = morvane::ProgramFolder();
  } catch (const morvane::Failure& failure) {
    // Every run would write into a folder the program cannot name.
    ::MessageBoxW(nullptr, morvane::windows::Utf16(failure.description()).c_str(), L"Morvane", MB_OK | MB_ICONERROR);
    return EXIT_FAILURE;
  }
  morvane::Form1 form(instance, programFolder);
  form.Show(showCommand);
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) form.Dispatch(message);
  return EXIT_SUCCESS;
}
