#pragma once

#include <QByteArray>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <QString>
#include <QUrl>

namespace kiv {

// The program's numbered pictures, icons, sounds and animations, compiled in
// from resources/. The numbers are the interface: windows ask for bitmap(171)
// or icon(128) and never name files. A number that does not exist gives an
// empty result (null pixmap, null icon, empty bytes or path), never a crash.
class ResourceLoader {
 public:
  // Bitmaps (PNG inside). bitmap() needs a QGuiApplication; on a screen
  // with a device pixel ratio above 1 it gives the picture drawn at twice the
  // pixels each way (device pixel ratio 2), so lay pictures out by
  // logicalSize(), not by their pixel size. bitmapImage() works on any thread
  // and always gives the plain picture.
  static QPixmap bitmap(int number);
  static QImage bitmapImage(int number);
  static QString bitmapPath(int number);
  // The size a picture covers on the window, whatever its pixel density.
  static QSize logicalSize(const QPixmap& picture);

  // Window and notification-area icons, with every size that was drawn for
  // them (16 to 256 pixels), so each screen gets a sharp one.
  static QIcon icon(int number);
  static QPixmap iconPixmap(int number, int size);
  static QString iconPath(int number);

  // Sounds: the resource path (":/wave/268.wav"), its "qrc:" URL for
  // QSoundEffect, or the bytes.
  static QString wavePath(int number);
  static QUrl waveUrl(int number);
  static QByteArray wave(int number);

  // Animated pictures: the GIF bytes.
  static QString gifPath(int number);
  static QByteArray gif(int number);

  // Every number of each kind that is compiled in, ascending.
  static QList<int> bitmapNumbers();
  static QList<int> iconNumbers();
  static QList<int> waveNumbers();
  static QList<int> gifNumbers();
};

}  // namespace kiv
