// Starts the program: its one window, writing next to the executable.
#include <QApplication>

#include "ui/form1.h"
#include "ui/program_folder.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  morvane::Form1 form(morvane::ProgramFolder());
  form.show();
  return app.exec();
}
