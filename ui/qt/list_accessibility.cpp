#include "ui/qt/list_accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>

namespace morvane {

namespace {

class NamedList : public QAccessibleWidget {
 public:
  explicit NamedList(QComboBox* list) : QAccessibleWidget(list, QAccessible::ComboBox) {}

  // The name is the widget's accessible name, as for any widget.
  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Value) return list()->currentText();
    return QAccessibleWidget::text(kind);
  }

  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.editable = list()->isEditable();
    state.expandable = true;
    return state;
  }

  // Opening the drop-down, as a screen reader's user asks for it.
  QStringList actionNames() const override {
    return QAccessibleWidget::actionNames() << showMenuAction();
  }
  void doAction(const QString& action) override {
    if (action == showMenuAction()) {
      list()->showPopup();
    } else {
      QAccessibleWidget::doAction(action);
    }
  }

 private:
  QComboBox* list() const { return static_cast<QComboBox*>(widget()); }
};

QAccessibleInterface* NamedListFactory(const QString& className, QObject* object) {
  if (className != QLatin1String("QComboBox") || !object->isWidgetType()) return nullptr;
  return new NamedList(static_cast<QComboBox*>(object));
}

}  // namespace

void NameListsForScreenReaders() {
  static const bool installed = [] {
    QAccessible::installFactory(NamedListFactory);
    return true;
  }();
  static_cast<void>(installed);
}

}  // namespace morvane
