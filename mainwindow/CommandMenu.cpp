#include "mainwindow/CommandMenu.h"

#include <QAbstractItemView>

#include "skin/CDlgBasic.h"

namespace kiv {

QAction* menus::findCommand(const QMenu* menu, int id) {
  for (QAction* action : menu->actions())
    if (action->data().toInt() == id) return action;
  return nullptr;
}

void setUpContactView(QAbstractItemView& view) {
  view.setFont(CDlgBasic::makeTextFont());
  view.setFrameShape(QFrame::NoFrame);
  view.setSelectionMode(QAbstractItemView::SingleSelection);
  view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  view.setMouseTracking(true);
  view.viewport()->setMouseTracking(true);
  QPalette colours = view.palette();
  colours.setColor(QPalette::Base, Qt::white);
  view.setPalette(colours);
}

}  // namespace kiv
