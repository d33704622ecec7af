#include "support/QtAccessibility.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTextEdit>
#include <QWidget>

namespace kiv::test {

namespace {

bool isControl(const QWidget* widget) {
  return widget->property("controlId").isValid() || qobject_cast<const QAbstractButton*>(widget) ||
         qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QLabel*>(widget) ||
         qobject_cast<const QAbstractItemView*>(widget) || qobject_cast<const QPlainTextEdit*>(widget) ||
         qobject_cast<const QTextEdit*>(widget) || qobject_cast<const QProgressBar*>(widget);
}

// Inside a view (its viewport, scroll bars, editors) up to `window`.
bool insideView(const QWidget* widget, const QWidget* window) {
  for (const QWidget* up = widget->parentWidget(); up != nullptr && up != window; up = up->parentWidget())
    if (qobject_cast<const QAbstractScrollArea*>(up)) return true;
  return false;
}

}  // namespace

QStringList unnamedControls(QWidget* window) {
  QStringList unnamed;
  for (QWidget* widget : window->findChildren<QWidget*>()) {
    if (!isControl(widget) || insideView(widget, window)) continue;
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    if (accessible != nullptr && !accessible->text(QAccessible::Name).isEmpty()) continue;
    unnamed << QStringLiteral("%1 #%2").arg(QString::fromLatin1(widget->metaObject()->className()),
                                             widget->property("controlId").toString());
  }
  return unnamed;
}

}  // namespace kiv::test
