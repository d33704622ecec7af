#include <QApplication>

#include "app/WelcomeWindow.h"
#include "platform/MessageBox.h"
#include "platform/qt/QtMessagePresenter.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  kiv::QtMessagePresenter presenter;
  kiv::installMessagePresenter(&presenter);
  kiv::WelcomeWindow window;
  window.show();
  const int rc = app.exec();
  kiv::installMessagePresenter(nullptr);
  return rc;
}
