#include <QApplication>
#include <QDialog>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QDialog dialog;
  dialog.setWindowTitle(QStringLiteral("木棉"));
  dialog.resize(300, 200);
  dialog.show();
  return app.exec();
}
