// Starts the program: its one window, writing next to the executable, and the
// ways the system may end it, each leaving every record whole in its file.
#include <QApplication>
#include <QMessageBox>
#include <cstdlib>
#include <string>

#include "engine/files/program_folder.h"
#include "number/failure.h"
#include "ui/qt/ending_signals.h"
#include "ui/qt/form1.h"

namespace {

morvane::Form1* shownForm = nullptr;

// Losing the X server makes Qt call exit() from inside the event processing,
// where a run may be waiting with records in its buffer.
void CloseOutputAtExit() {
  if (shownForm) shownForm->behaviour().CloseOutput();
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  std::string programFolder;
  try {
    programFolder = morvane::ProgramFolder();
  } catch (const morvane::Failure& failure) {
    // Every run would write into a folder the program cannot name.
    QMessageBox::critical(nullptr, QStringLiteral("Morvane"), QString::fromUtf8(failure.description()));
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
