#pragma once

#include <QStringList>

class QWidget;

namespace kiv::test {

// The controls of `window` that a screen reader could not name: every
// numbered control, button, entry, label, list, tree, text view and progress
// bar whose accessible name is empty. The scroll bars and viewports inside
// a view are the view's own and are not looked at. Each is described by its
// class and control number.
QStringList unnamedControls(QWidget* window);

}  // namespace kiv::test
