#include <QApplication>

#include "app/CKivApp.h"
#include "platform/MessageBox.h"
#include "platform/qt/QtMessagePresenter.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  kiv::QtMessagePresenter presenter;
  kiv::installMessagePresenter(&presenter);
  int rc = 0;
  {
    kiv::CKivApp kiv;
    rc = kiv.InitInstance();
  }  // the connection is shut down here
  kiv::installMessagePresenter(nullptr);
  return rc;
}
