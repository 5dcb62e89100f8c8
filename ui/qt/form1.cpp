#include "ui/qt/form1.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <cmath>
#include <utility>

#include "ui/qt/list_accessibility.h"
#include "ui/shared/form1_layout.h"

namespace morvane {

namespace {

// The bar's steps: fine enough that a long run's bar moves.
constexpr int kProgressSteps = 1000;

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A message box breaks lines at "\n" and would show a carriage return as a
// stray glyph with some fonts.
QString MessageText(std::string_view text) { return ToQString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

// Qt lays the window out in pixels of 96 dpi and scales them itself on a
// screen of more.
QRect PixelRect(const form1::Twips& twips) {
  return QRect(form1::Pixels(twips.left), form1::Pixels(twips.top), form1::Pixels(twips.width),
               form1::Pixels(twips.height));
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

}  // namespace

Form1::Form1(std::string programFolder, QWidget* parent)
    : QWidget(parent), behaviour_(*this, std::move(programFolder)) {
  createControls();
  placeControls();
  setTabOrder();
  fillLinesPerFileList();
  // Sees Escape before the focused control does, whichever one that is.
  qApp->installEventFilter(this);
}

void Form1::createControls() {
  setWindowTitle(ToQString(form1::kTitle));
  setWindowIcon(QIcon(QStringLiteral(":/morvane/morvane.png")));
  setFont(SansFont(form1::kWindowPoints));

  Command1 = new QPushButton(ToQString(kStartCaption), this);
  Command1->setObjectName(QStringLiteral("Command1"));
  connect(Command1, &QPushButton::clicked, this, [this] { behaviour_.ButtonPressed(); });

  txFrom = new QLineEdit(ToQString(kFirstFromText), this);
  txFrom->setObjectName(QStringLiteral("txFrom"));
  txFrom->setAccessibleName(ToQString(form1::kFromName));
  txFrom->setFont(SansFont(form1::kFieldPoints));

  txTo = new QLineEdit(ToQString(kFirstToText), this);
  txTo->setObjectName(QStringLiteral("txTo"));
  txTo->setAccessibleName(ToQString(form1::kToName));
  txTo->setFont(SansFont(form1::kFieldPoints));

  NameListsForScreenReaders();
  Combo1 = new QComboBox(this);
  Combo1->setObjectName(QStringLiteral("Combo1"));
  Combo1->setAccessibleName(ToQString(form1::kLinesPerFileName));
  Combo1->setEditable(true);
  // What is typed is read as it stands; it never becomes a list entry.
  Combo1->setInsertPolicy(QComboBox::NoInsert);
  // Typing 10 means ten lines, not an entry that starts with "10".
  Combo1->setCompleter(nullptr);
  // Its text field says what it is too, as a field of its own.
  Combo1->lineEdit()->setAccessibleName(ToQString(form1::kLinesPerFileName));
  Combo1->setToolTip(ToQString(form1::kCombo1ToolTip));

  Frame2 = new QFrame(this);
  Frame2->setObjectName(QStringLiteral("Frame2"));
  Frame2->setFrameShape(QFrame::NoFrame);

  Label1 = new QLabel(ToQString(form1::kWarningText), Frame2);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setTextFormat(Qt::PlainText);
  Label1->setFont(SansFont(form1::kWarningPoints, true));
  QPalette warningColours = Label1->palette();
  warningColours.setColor(QPalette::WindowText, QColor(255, 0, 0));
  Label1->setPalette(warningColours);

  txCt = new QLineEdit(this);
  txCt->setObjectName(QStringLiteral("txCt"));
  txCt->setAccessibleName(ToQString(form1::kStatusName));
  txCt->setFont(MonospaceFont(form1::kStatusPoints));
  // Only the run writes here; the user can still select and scroll the text.
  txCt->setReadOnly(true);
  QPalette statusColours = txCt->palette();
  statusColours.setColor(QPalette::Base, statusColours.color(QPalette::Button));
  txCt->setPalette(statusColours);

  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
  ProgressBar1->setAccessibleName(ToQString(form1::kProgressName));
  ProgressBar1->setRange(0, kProgressSteps);
  ProgressBar1->setValue(0);
  // The line beside it says it in words, with the rate and the time left.
  ProgressBar1->setTextVisible(false);

  Label2 = new QLabel(this);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->setTextFormat(Qt::PlainText);

  Label3 = new QLabel(this);
  Label3->setObjectName(QStringLiteral("Label3"));
  Label3->setTextFormat(Qt::PlainText);
  Label3->setWordWrap(true);
  Label3->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void Form1::placeControls() {
  setFixedSize(form1::Pixels(form1::kClientWidth), form1::Pixels(form1::kClientHeight));
  Command1->setGeometry(PixelRect(form1::kCommand1));
  txFrom->setGeometry(PixelRect(form1::kTxFrom));
  txTo->setGeometry(PixelRect(form1::kTxTo));
  Combo1->setGeometry(PixelRect(form1::kCombo1));
  Frame2->setGeometry(PixelRect(form1::kFrame2));
  Label1->setGeometry(PixelRect(form1::kLabel1));
  txCt->setGeometry(PixelRect(form1::kTxCt));
  ProgressBar1->setGeometry(PixelRect(form1::kProgressBar1));
  Label2->setGeometry(PixelRect(form1::kLabel2));
  Label3->setGeometry(PixelRect(form1::kLabel3));
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
  for (const std::string_view choice : form1::kLinesPerFileChoices) Combo1->addItem(ToQString(choice));
  Combo1->setCurrentIndex(0);
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  // What the session manager sends when the desktop session ends: quitting
  // the event loop instead would leave a run going on below it.
  if (event->type() == QEvent::Quit && watched == qApp) behaviour_.EndProgram();
  if (event->type() != QEvent::KeyPress || !watched->isWidgetType() ||
      static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape) {
    return QWidget::eventFilter(watched, event);
  }
  const QWidget* window = static_cast<QWidget*>(watched)->window();
  if (window == this) {
    behaviour_.EscapePressed();
    return true;
  }
  // The list's open drop-down is a window of its own; it closes on Escape as
  // usual, and the stop is requested all the same.
  if (window == Combo1->view()->window()) {
    behaviour_.EscapePressed();
    return false;
  }
  return QWidget::eventFilter(watched, event);
}

void Form1::closeEvent(QCloseEvent* event) {
  event->accept();
  behaviour_.EndProgram();
}

// ---- WindowControls ----

std::string Form1::FromText() const { return txFrom->text().toStdString(); }

std::string Form1::ToText() const { return txTo->text().toStdString(); }

std::string Form1::LinesPerFileText() const { return Combo1->currentText().toStdString(); }

void Form1::SetFromText(std::string_view text) { txFrom->setText(ToQString(text)); }

void Form1::SetToText(std::string_view text) { txTo->setText(ToQString(text)); }

void Form1::SetStatusText(std::string_view text) { txCt->setText(ToQString(text)); }

void Form1::SetStatusToolTip(std::string_view text) { txCt->setToolTip(ToQString(text)); }

std::string Form1::ButtonCaption() const { return Command1->text().toStdString(); }

void Form1::SetButtonCaption(std::string_view caption) { Command1->setText(ToQString(caption)); }

void Form1::DisableButton() { Command1->setEnabled(false); }

void Form1::ShowProgress(double share, std::string_view text) {
  ProgressBar1->setValue(static_cast<int>(std::lround(share * kProgressSteps)));
  const QString line = ToQString(text);
  Label2->setText(line);
  // A screen reader reads the bar by its value; this says the rest.
  ProgressBar1->setAccessibleDescription(line);
}

void Form1::ShowPlan(std::string_view text) { Label3->setText(ToQString(text)); }

void Form1::ShowMessage(std::string_view text, MessageIcon icon) {
  QMessageBox box(icon == MessageIcon::kCritical ? QMessageBox::Critical : QMessageBox::Information,
                  ToQString(form1::kTitle), MessageText(text), QMessageBox::Ok, this);
  // A failure's description may quote a file name; it is never markup.
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

bool Form1::Confirm(std::string_view text) {
  QMessageBox box(QMessageBox::Warning, ToQString(form1::kTitle), MessageText(text),
                  QMessageBox::Ok | QMessageBox::Cancel, this);
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(QMessageBox::Ok);
  return box.exec() == QMessageBox::Ok;
}

void Form1::HandlePendingEvents() {
  // Deferred deletes posted in here wait for the run to end. The one thing
  // of ours that uses them, the status tooltip's label, does not need them:
  // a new tooltip deletes the old label itself (a test shows it again and
  // again during a run).
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace morvane
