#pragma once

#include <QAction>
#include <QMenu>
#include <QString>

class QAbstractItemView;

namespace kiv {

// Menus whose entries carry their command numbers (the menu resources'
// ids), so that the entries can be found, enabled and tested by number.
namespace menus {

// Appends an entry for command `id` that calls `run` (on `context`).
template <class Run>
QAction* addCommand(QMenu* menu, int id, const QString& text, QObject* context, Run run) {
  QAction* action = menu->addAction(text);
  action->setData(id);
  action->setProperty("controlId", id);
  QObject::connect(action, &QAction::triggered, context, run);
  return action;
}

// The entry of command `id`, or nullptr.
QAction* findCommand(const QMenu* menu, int id);

}  // namespace menus

// What the contact lists and the group tree share: the text font, no frame,
// one selected row at a time, a white background, and the mouse tracked for
// the hover row.
void setUpContactView(QAbstractItemView& view);

}  // namespace kiv
