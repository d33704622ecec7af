#include "skin/ResourceLoader.h"

#include <QDir>
#include <QGuiApplication>
#include <QFile>
#include <algorithm>
#include <mutex>

// The resource file lives in a static library; nothing references its
// registration object, so the linker would drop it unless it is pulled in
// explicitly. Q_INIT_RESOURCE must be used outside any namespace.
static void registerKivResources() {
  Q_INIT_RESOURCE(kiv_resources);
}

namespace kiv {

namespace {

void ensureRegistered() {
  static std::once_flag once;
  std::call_once(once, registerKivResources);
}

QString pathOf(const char* folder, int number, const char* suffix) {
  ensureRegistered();
  const QString path = QStringLiteral(":/%1/%2.%3").arg(QLatin1String(folder)).arg(number).arg(QLatin1String(suffix));
  return QFile::exists(path) ? path : QString();
}

QByteArray bytesOf(const QString& path) {
  if (path.isEmpty()) return {};
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

QList<int> numbersIn(const char* folder) {
  ensureRegistered();
  QList<int> numbers;
  const QStringList names = QDir(QStringLiteral(":/") + QLatin1String(folder)).entryList(QDir::Files);
  for (const QString& name : names) {
    bool ok = false;
    const int number = name.section(QLatin1Char('.'), 0, 0).toInt(&ok);
    if (ok) numbers.append(number);
  }
  std::sort(numbers.begin(), numbers.end());
  return numbers;
}

}  // namespace

QString ResourceLoader::bitmapPath(int number) {
  return pathOf("bitmap", number, "png");
}

QPixmap ResourceLoader::bitmap(int number) {
  const QString path = bitmapPath(number);
  if (path.isEmpty()) return QPixmap();
  const auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  if (gui != nullptr && gui->devicePixelRatio() > 1.0) {
    const QString fine = QStringLiteral(":/bitmap/%1@2x.png").arg(number);
    QPixmap picture(fine);
    if (!picture.isNull()) {
      picture.setDevicePixelRatio(2.0);
      return picture;
    }
  }
  return QPixmap(path);
}

QSize ResourceLoader::logicalSize(const QPixmap& picture) {
  return picture.deviceIndependentSize().toSize();
}

QImage ResourceLoader::bitmapImage(int number) {
  const QString path = bitmapPath(number);
  return path.isEmpty() ? QImage() : QImage(path);
}

QString ResourceLoader::iconPath(int number) {
  return pathOf("icon", number, "png");
}

QIcon ResourceLoader::icon(int number) {
  const QString path = iconPath(number);
  if (path.isEmpty()) return QIcon();
  QIcon icon(path);
  // Each size was drawn for itself: a small one reads better in lists and
  // the tray than a scaled-down large one, a large one stays sharp.
  for (const QString& side : QDir(QStringLiteral(":/icon")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    const QString sized = QStringLiteral(":/icon/%1/%2.png").arg(side).arg(number);
    if (QFile::exists(sized)) icon.addFile(sized, QSize(side.toInt(), side.toInt()));
  }
  return icon;
}

QPixmap ResourceLoader::iconPixmap(int number, int size) {
  return icon(number).pixmap(size, size);
}

QString ResourceLoader::wavePath(int number) {
  return pathOf("wave", number, "wav");
}

QUrl ResourceLoader::waveUrl(int number) {
  const QString path = wavePath(number);
  return path.isEmpty() ? QUrl() : QUrl(QStringLiteral("qrc") + path);
}

QByteArray ResourceLoader::wave(int number) {
  return bytesOf(wavePath(number));
}

QString ResourceLoader::gifPath(int number) {
  return pathOf("gif", number, "gif");
}

QByteArray ResourceLoader::gif(int number) {
  return bytesOf(gifPath(number));
}

QList<int> ResourceLoader::bitmapNumbers() {
  return numbersIn("bitmap");
}
QList<int> ResourceLoader::iconNumbers() {
  return numbersIn("icon");
}
QList<int> ResourceLoader::waveNumbers() {
  return numbersIn("wave");
}
QList<int> ResourceLoader::gifNumbers() {
  return numbersIn("gif");
}

}  // namespace kiv
