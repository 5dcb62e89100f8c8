#include "ui/form1.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace morvane {

namespace {

const QString kTitle = QStringLiteral("Morvane");

// The From and To fields' face: 9.75 pt in the classic bitmap face, whose
// digits are narrower; 9 pt of the stand-in shows the 16-digit To whole.
constexpr qreal kFieldPoints = 9.0;

// A click or a key waits at most this long, plus one pass of numbers
// (below), to be handled. A pass through the event loop with its repaint costs about a millisecond
// under X; at 15 ms the window keeps some nine tenths of the run's speed and
// still answers well within what a person notices.
constexpr auto kEventInterval = std::chrono::milliseconds(15);
// The run calls for an event pass, and so a clock read, only every so many
// numbers: the two calls and the read cost several numbers' time, and 1024
// numbers still take well under a tenth of a millisecond.
constexpr std::uint32_t kNumbersPerEventPass = 1024;
// The progress line goes into the status field at most this often: a run
// makes thousands a second, more than anyone can read, and each one shown
// costs a repaint that waits for the X server, which at every pass took a
// tenth of the run's speed.
constexpr auto kStatusInterval = std::chrono::milliseconds(100);

// The window's layout is given in twips, 15 to a pixel at the usual 96 dpi.
int Pixels(int twips) { return static_cast<int>(std::lround(twips / 15.0)); }

QRect TwipsRect(int left, int top, int width, int height) {
  return QRect(Pixels(left), Pixels(top), Pixels(width), Pixels(height));
}

// The classic Windows faces are not on a Linux desktop: each is named first
// so that it wins where it is installed, then a metric-close stand-in that
// Debian ships (fontconfig alone would pick a proportional face for both).
QFont SansFont(qreal points, bool bold = false) {
  QFont font;
  font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans")});
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

QFont MonospaceFont(qreal points) {
  QFont font;
  font.setFamilies({QStringLiteral("Lucida Console"), QStringLiteral("DejaVu Sans Mono")});
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  font.setPointSizeF(points);
  return font;
}

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

Form1::Form1(std::string programFolder, QWidget* parent)
    : QWidget(parent),
      programFolder_(std::move(programFolder)),
      generator_(*this, programFolder_),
      pacer_(kEventInterval),
      statusPacer_(kStatusInterval) {
  createControls();
  placeControls();
  setTabOrder();
  fillLinesPerFileList();
  // Sees Escape before the focused control does, whichever one that is.
  qApp->installEventFilter(this);
}

void Form1::createControls() {
  setWindowTitle(kTitle);
  setWindowIcon(QIcon(QStringLiteral(":/morvane/morvane.png")));
  setFont(SansFont(8.25));

  Command1 = new QPushButton(QStringLiteral("Start"), this);
  Command1->setObjectName(QStringLiteral("Command1"));
  connect(Command1, &QPushButton::clicked, this, &Form1::onCommand1Pressed);

  txFrom = new QLineEdit(QStringLiteral("1"), this);
  txFrom->setObjectName(QStringLiteral("txFrom"));
  txFrom->setAccessibleName(QStringLiteral("From"));
  txFrom->setFont(SansFont(kFieldPoints));

  txTo = new QLineEdit(QStringLiteral("1000000000000000"), this);
  txTo->setObjectName(QStringLiteral("txTo"));
  txTo->setAccessibleName(QStringLiteral("To"));
  txTo->setFont(SansFont(kFieldPoints));

  Combo1 = new QComboBox(this);
  Combo1->setObjectName(QStringLiteral("Combo1"));
  Combo1->setAccessibleName(QStringLiteral("Lines per file"));
  Combo1->setEditable(true);
  // What is typed is read as it stands; it never becomes a list entry.
  Combo1->setInsertPolicy(QComboBox::NoInsert);
  // Typing 10 means ten lines, not an entry that starts with "10".
  Combo1->setCompleter(nullptr);
  // On Linux a list speaks its value as its name; its text field says what it is.
  Combo1->lineEdit()->setAccessibleName(QStringLiteral("Lines per file"));
  Combo1->setToolTip(QStringLiteral("Select or enter file size in lines (default is 100,000)"));

  Frame2 = new QFrame(this);
  Frame2->setObjectName(QStringLiteral("Frame2"));
  Frame2->setFrameShape(QFrame::NoFrame);

  Label1 = new QLabel(
      QStringLiteral("WARNING: Generates ~200MB of Data Per Minute (~10GB in 45 Minutes)"), Frame2);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setTextFormat(Qt::PlainText);
  Label1->setFont(SansFont(8.25, true));
  QPalette warningColours = Label1->palette();
  warningColours.setColor(QPalette::WindowText, QColor(255, 0, 0));
  Label1->setPalette(warningColours);

  txCt = new QLineEdit(this);
  txCt->setObjectName(QStringLiteral("txCt"));
  txCt->setAccessibleName(QStringLiteral("Status"));
  txCt->setFont(MonospaceFont(8.25));
  // Only the run writes here; the user can still select and scroll the text.
  txCt->setReadOnly(true);
  QPalette statusColours = txCt->palette();
  statusColours.setColor(QPalette::Base, statusColours.color(QPalette::Button));
  txCt->setPalette(statusColours);
}

void Form1::placeControls() {
  setFixedSize(Pixels(6615), Pixels(1110));
  Command1->setGeometry(TwipsRect(5280, 353, 1215, 350));
  txFrom->setGeometry(TwipsRect(165, 348, 1605, 360));
  txTo->setGeometry(TwipsRect(1890, 348, 1785, 360));
  Combo1->setGeometry(TwipsRect(3780, 371, 1395, 315));
  Frame2->setGeometry(TwipsRect(75, 15, 6450, 330));
  Label1->setGeometry(TwipsRect(45, 75, 6300, 255));
  txCt->setGeometry(TwipsRect(165, 750, 6315, 330));
}

void Form1::setTabOrder() {
  // The button comes first, and so has the focus when the window opens.
  QWidget::setTabOrder(Command1, txFrom);
  QWidget::setTabOrder(txFrom, txTo);
  QWidget::setTabOrder(txTo, Combo1);
  QWidget::setTabOrder(Combo1, txCt);
  Command1->setFocus();
}

void Form1::fillLinesPerFileList() {
  Combo1->addItems({QStringLiteral("# lines per file"), QStringLiteral("10000"), QStringLiteral("100000"),
                    QStringLiteral("1000000"), QStringLiteral("10000000")});
  Combo1->setCurrentIndex(0);
}

void Form1::onCommand1Pressed() {
  if (!warned_) {
    warned_ = true;
    if (!confirmSaveLocation()) endProgram();
  }
  // While a run is going on this press arrives from inside its event
  // processing, and the caption is "Stop".
  if (Command1->text() == QLatin1String("Stop")) {
    requestStop();
    return;
  }
  Command1->setText(QStringLiteral("Stop"));
  pacer_.Restart();
  statusPacer_.Restart();
  messageTime_ = EventPacer::Clock::duration::zero();
  const EventPacer::Clock::time_point started = EventPacer::Clock::now();
  generator_.PD();
  showWantedStatus();
  reportRunIfAsked(EventPacer::Clock::now() - started - messageTime_);
}

bool Form1::confirmSaveLocation() {
  // A blank line between the two sentences; a message box breaks lines at
  // "\n" and would show a carriage return as a stray glyph on some fonts.
  QMessageBox box(QMessageBox::Warning, kTitle,
                  QStringLiteral("All data files will be saved to ") + ToQString(programFolder_) +
                      QStringLiteral("\n\nIf this is not a good location, click Cancel and copy the "
                                     "program to a dedicated folder."),
                  QMessageBox::Ok | QMessageBox::Cancel, this);
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(QMessageBox::Ok);
  return box.exec() == QMessageBox::Ok;
}

void Form1::requestStop() {
  generator_.RequestStop();
  Command1->setEnabled(false);
}

void Form1::closeOutput() noexcept { generator_.CloseOutput(); }

void Form1::stopWriting() noexcept {
  // A hand-over of 256 KiB takes well under a millisecond; one that takes a
  // second is stuck, and the program ends all the same.
  generator_.StopWriting(std::chrono::seconds(1));
}

void Form1::endProgram() noexcept {
  closeOutput();
  std::fflush(nullptr);
  // Not exit() and not the event loop's quit: the run may be on the stack
  // below this handler, and returning into it, or destroying the window and
  // the application under it, is what must not happen. The file is closed and
  // nothing else is held that the system does not release.
  std::_Exit(EXIT_SUCCESS);
}

void Form1::reportRunIfAsked(EventPacer::Clock::duration runTime) const {
  // For the window benchmark: how long the run worked, and how long a click
  // could have waited.
  if (!std::getenv("MORVANE_REPORT_RUN")) return;
  using Milliseconds = std::chrono::duration<double, std::milli>;
  std::fprintf(stderr, "morvane: run %.1f ms, longest gap between event passes %.3f ms\n",
               Milliseconds(runTime).count(), Milliseconds(pacer_.longestGap()).count());
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  // What the session manager sends when the desktop session ends: quitting
  // the event loop instead would leave a run going on below it.
  if (event->type() == QEvent::Quit && watched == qApp) endProgram();
  if (event->type() != QEvent::KeyPress || !watched->isWidgetType() ||
      static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape) {
    return QWidget::eventFilter(watched, event);
  }
  const QWidget* window = static_cast<QWidget*>(watched)->window();
  if (window == this) {
    requestStop();
    return true;
  }
  // The list's open drop-down is a window of its own; it closes on Escape as
  // usual, and the stop is requested all the same.
  if (window == Combo1->view()->window()) {
    requestStop();
    return false;
  }
  return QWidget::eventFilter(watched, event);
}

void Form1::closeEvent(QCloseEvent* event) {
  event->accept();
  endProgram();
}

// ---- RunView ----

std::string Form1::FromText() const { return txFrom->text().toStdString(); }

std::string Form1::ToText() const { return txTo->text().toStdString(); }

std::string Form1::LinesPerFileText() const { return Combo1->currentText().toStdString(); }

void Form1::SetFromText(std::string_view text) { txFrom->setText(ToQString(text)); }

void Form1::SetToText(std::string_view text) { txTo->setText(ToQString(text)); }

void Form1::SetStatusText(std::string_view text) {
  // Shown at a pass through the event loop once the status interval has
  // passed, or before a message box or at the run's end: the field is drawn
  // and read out only at a pass, and laying out its text for every progress
  // line, thousands of times a second, cost the run several percent of its
  // speed.
  wantedStatus_ = text;
  statusWanted_ = true;
}

void Form1::showWantedStatus() {
  if (!statusWanted_) return;
  statusWanted_ = false;
  txCt->setText(ToQString(wantedStatus_));
}

void Form1::SetStatusToolTip(std::string_view text) { txCt->setToolTip(ToQString(text)); }

void Form1::SetButtonCaption(std::string_view caption) { Command1->setText(ToQString(caption)); }

void Form1::ShowMessage(std::string_view text, MessageIcon icon) {
  // The time the box takes to be built and shown and the user to answer is
  // not the run's.
  const EventPacer::Clock::time_point shown = EventPacer::Clock::now();
  showWantedStatus();
  QMessageBox box(icon == MessageIcon::kCritical ? QMessageBox::Critical : QMessageBox::Information, kTitle,
                  ToQString(text), QMessageBox::Ok, this);
  // A failure's description may quote a file name; it is never markup.
  box.setTextFormat(Qt::PlainText);
  box.exec();
  messageTime_ += EventPacer::Clock::now() - shown;
}

void Form1::ProcessEvents() {
  if (!pacer_.Due()) return;
  if (statusPacer_.Due()) showWantedStatus();
  // Deferred deletes posted in here wait for the run to end. The one thing
  // of ours that uses them, the status tooltip's label, does not need them:
  // a new tooltip deletes the old label itself (a test shows it again and
  // again during a run).
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

std::uint32_t Form1::NumbersPerEventPass() const { return kNumbersPerEventPass; }

void Form1::Repaint() {
  // Nothing to ask for: every control a run changes (the status field, the
  // button) asks for its own repaint, and Qt draws it at the next pass
  // through the event loop. Drawing the whole window at every pass as well
  // showed nothing new and cost the run a few percent of its speed.
}

}  // namespace morvane
