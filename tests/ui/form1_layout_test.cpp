// The window as it opens: its controls where the layout puts them, their
// contents, order, names for a screen reader, and texts that show whole.
#include <QAccessible>
#include <QApplication>
#include <QFontMetrics>
#include <QStyleOptionComboBox>
#include <utility>

#include "tests/ui/ui_test_support.h"
#include "ui/shared/form1_layout.h"

namespace morvane::ui_test {
namespace {

using Form1Layout = WindowTest;

// Each control at its place in the layout's twips, 15 to a pixel; Label1
// from Frame2's corner.
TEST_F(Form1Layout, OpensWithTheControlsAtTheirPlacesAndContents) {
  EXPECT_EQ(form_->windowTitle(), "Morvane");
  EXPECT_EQ(form_->size(), QSize(form1::Pixels(form1::kClientWidth), form1::Pixels(form1::kClientHeight)));
  EXPECT_EQ(Label1->parentWidget()->objectName(), "Frame2");
  const std::pair<const QWidget*, form1::Twips> placed[] = {
      {Command1, form1::kCommand1}, {txFrom, form1::kTxFrom},       {txTo, form1::kTxTo},
      {Combo1, form1::kCombo1},     {Label1->parentWidget(), form1::kFrame2}, {Label1, form1::kLabel1},
      {txCt, form1::kTxCt},         {ProgressBar1, form1::kProgressBar1},    {Label2, form1::kLabel2},
      {Label3, form1::kLabel3},
  };
  for (const auto& [widget, twips] : placed) {
    EXPECT_EQ(widget->geometry(), QRect(form1::Pixels(twips.left), form1::Pixels(twips.top), form1::Pixels(twips.width),
                                        form1::Pixels(twips.height)))
        << widget->objectName().toStdString();
  }

  EXPECT_EQ(Command1->text(), "Start");
  EXPECT_TRUE(Command1->isEnabled());
  EXPECT_EQ(txFrom->text(), "1");
  EXPECT_EQ(txTo->text(), "1000000000000000");
  EXPECT_EQ(txCt->text(), "");
  EXPECT_EQ(ProgressBar1->value(), 0);
  EXPECT_EQ(Label2->text(), "");
  EXPECT_EQ(Label3->text(), "");
  EXPECT_EQ(Label1->text(), "WARNING: Writes at full disk speed until To or a nearly full disk");
  EXPECT_EQ(Combo1->toolTip(), "Select or enter file size in lines (default is 100,000)");
  EXPECT_TRUE(Combo1->isEditable());
}

TEST_F(Form1Layout, ListHoldsTheLinesPerFileChoicesWithTheFirstShown) {
  QStringList entries;
  for (int i = 0; i < Combo1->count(); ++i) entries << Combo1->itemText(i);
  EXPECT_EQ(entries, QStringList({"# lines per file", "10000", "100000", "1000000", "10000000"}));
  EXPECT_EQ(Combo1->currentIndex(), 0);
  EXPECT_EQ(Combo1->currentText(), "# lines per file");
}

TEST_F(Form1Layout, WarningIsRedAndBoldAndStatusSitsOnTheButtonFace) {
  EXPECT_EQ(Label1->palette().color(QPalette::WindowText), QColor(255, 0, 0));
  EXPECT_TRUE(Label1->font().bold());
  EXPECT_EQ(txCt->palette().color(QPalette::Base), txCt->palette().color(QPalette::Button));
  EXPECT_TRUE(txCt->font().fixedPitch());
}

TEST_F(Form1Layout, TabWalksButtonFromToListStatusAndTheButtonHasTheFocus) {
  QApplication::setActiveWindow(form_.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get(), 30000)) << "the window did not become active in 30 s";
  EXPECT_EQ(QApplication::focusWidget(), Command1);
  std::vector<QString> visited;
  QWidget* widget = Command1;
  for (int i = 0; i < 5; ++i) {
    visited.push_back(widget->objectName());
    widget = widget->nextInFocusChain();
    // The list's own text field takes its focus for it.
    while (!(widget->focusPolicy() & Qt::TabFocus) || widget->parentWidget() == Combo1) {
      widget = widget->nextInFocusChain();
    }
  }
  EXPECT_EQ(visited, (std::vector<QString>{"Command1", "txFrom", "txTo", "Combo1", "txCt"}));
}

TEST_F(Form1Layout, EveryControlHasANameAScreenReaderCanSpeak) {
  // The button and the warning are named by what they show: a fixed name
  // would hide the caption's change to "Stop" and the warning itself.
  const std::vector<std::pair<QWidget*, QString>> expected = {
      {txFrom, "From"},         {txTo, "To"},     {Combo1, "Lines per file"}, {Combo1->lineEdit(), "Lines per file"},
      {Command1, "Start"},      {txCt, "Status"}, {Label1, Label1->text()},   {ProgressBar1, "Progress"}};
  for (const auto& [widget, name] : expected) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    ASSERT_NE(accessible, nullptr) << name.toStdString();
    EXPECT_EQ(accessible->text(QAccessible::Name), name);
  }
  // The list is still a list, whose value is what its field shows.
  QAccessibleInterface* list = QAccessible::queryAccessibleInterface(Combo1);
  EXPECT_EQ(list->role(), QAccessible::ComboBox);
  EXPECT_EQ(list->text(QAccessible::Value), "# lines per file");
}

// The stand-in fonts must not cut off a fixed text: the warning, the button's
// two captions, the fields' first values and the list's entries. The warning
// also in the face a desktop without the stand-in gives (DejaVu Sans, the
// sans of Debian's fontconfig), which is wider.
TEST_F(Form1Layout, FixedTextsFitTheirControlsWhole) {
  const auto fitsIn = [](const QFont& font, const QString& text, int room) {
    const int needed = QFontMetrics(font).horizontalAdvance(text);
    EXPECT_LE(needed, room) << text.toStdString() << " needs " << needed << " px in " << font.family().toStdString()
                            << ", has " << room;
  };
  const auto fits = [&](const QWidget* widget, const QString& text, int room) { fitsIn(widget->font(), text, room); };
  fits(Label1, Label1->text(), Label1->contentsRect().width());
  QFont fallback = Label1->font();
  fallback.setFamilies({QStringLiteral("DejaVu Sans")});
  fitsIn(fallback, Label1->text(), Label1->contentsRect().width());
  for (const QString& caption : {QString("Start"), QString("Stop")}) fits(Command1, caption, Command1->width() - 8);
  // A line edit keeps its frame and a margin on each side.
  fits(txFrom, txFrom->text(), txFrom->width() - 8);
  fits(txTo, txTo->text(), txTo->width() - 8);
  QStyleOptionComboBox option;
  option.initFrom(Combo1);
  option.editable = true;
  const QRect editRect =
      Combo1->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, Combo1);
  for (int i = 0; i < Combo1->count(); ++i) fits(Combo1, Combo1->itemText(i), editRect.width());
  EXPECT_LE(QFontMetrics(Label1->font()).height(), Label1->height());
  EXPECT_LE(QFontMetrics(txCt->font()).height(), txCt->height() - 4);
}

}  // namespace
}  // namespace morvane::ui_test
