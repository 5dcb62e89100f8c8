// Starts the program: its one window, writing next to the executable, and the
// ways the system may end it, each leaving every record whole in its file.
#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "engine/files/program_folder.h"
#include "number/failure.h"
#include "ui/qt/ending_signals.h"
#include "ui/qt/form1.h"
#include "ui/qt/platform_plugin_check.h"

namespace {

morvane::Form1* shownForm = nullptr;

// Losing the X server makes Qt call exit() from inside the event processing,
// where a run may be waiting with records in its buffer.
void CloseOutputAtExit() {
  if (shownForm) shownForm->behaviour().CloseOutput();
}

}  // namespace

int main(int argc, char* argv[]) {
  std::string programFolder;
  std::optional<morvane::Failure> folderFailure;
  try {
    programFolder = morvane::ProgramFolder();
  } catch (const morvane::Failure& failure) {
    folderFailure = failure;
  }
  // Before the application object, which aborts when its platform plugin
  // does not load: no window can open then, so the terminal is told. Qt
  // finds that plugin through the program's folder, as this does.
  try {
    if (!folderFailure) morvane::CheckPlatformPlugin(programFolder);
  } catch (const morvane::Failure& failure) {
    std::fprintf(stderr, "morvane: %s\n", failure.description());
    return EXIT_FAILURE;
  }
  QApplication app(argc, argv);
  if (folderFailure) {
    // Every run would write into a folder the program cannot name.
    QMessageBox::critical(nullptr, QStringLiteral("Morvane"), QString::fromUtf8(folderFailure->description()));
    return EXIT_FAILURE;
  }
  morvane::Form1 form(programFolder);
  const morvane::EndingSignals endingSignals([&form] { form.behaviour().CloseOutput(); }, [&form] { form.behaviour().StopWriting(); });
  shownForm = &form;
  std::atexit(CloseOutputAtExit);
  form.show();
  const int status = app.exec();
  shownForm = nullptr;
  return status;
}
