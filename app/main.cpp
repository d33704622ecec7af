#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "KivVersion.h"
#include "app/CKivApp.h"
#include "app/InfoOptions.h"
#include "platform/MessageBox.h"
#include "platform/PrivateFiles.h"
#include "platform/qt/QtMessagePresenter.h"

int main(int argc, char** argv) {
  // Everything the program writes (passwords, history, log) is its user's.
  kiv::paths::restrictNewFiles();
  // Answered before QApplication exists: they need no display.
  if (const auto rc = kiv::answerInfoOptions(argc, argv, stdout)) return *rc;
  QApplication app(argc, argv);
  QApplication::setApplicationVersion(QString::fromLatin1(kiv::kVersion));
  // Lets the desktop match the windows with the installed entry and icon.
  QGuiApplication::setDesktopFileName(QString::fromLatin1(kiv::kAppId));
  // The program speaks Chinese whatever the system's language, so Qt's own
  // texts (the text views' context menu, the font and colour dialogs) do
  // too; without Qt's translations installed they stay English.
  QTranslator qtTexts;
  if (qtTexts.load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(&qtTexts);
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
