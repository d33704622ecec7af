#include "gallery/Screenshot.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QPixmap>
#include <QWidget>

namespace kiv::test {

QString saveScreenshot(QWidget* widget, const QString& name) {
  const QByteArray dir = qgetenv("KIV_SCREENSHOTS");
  if (dir.isEmpty() || widget == nullptr) return {};
  QDir().mkpath(QString::fromLocal8Bit(dir));
  const QString suffix = widget->devicePixelRatioF() > 1 ? QStringLiteral("@2x.png") : QStringLiteral(".png");
  const QString path = QDir(QString::fromLocal8Bit(dir)).filePath(name + suffix);
  const bool saved = widget->grab().save(path, "PNG");
  EXPECT_TRUE(saved) << path.toStdString();
  return saved ? path : QString();
}

}  // namespace kiv::test
