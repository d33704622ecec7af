#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// Reading pictures that come from outside (a web host, a file the user
// picked): only JPEG, PNG and GIF, told apart by their first bytes, each read
// by its own decoder. Nothing is left to the image library's guessing, so a
// file that calls itself .jpg cannot reach any other decoder it has.
namespace kiv::avatar {

// The most a downloaded avatar may weigh; a bigger one is refused whole.
inline constexpr qint64 kMaxDownloadBytes = 1024 * 1024;
// The most pixels either side of an avatar picture may have; a bigger one is
// refused before it is decoded.
inline constexpr int kMaxPictureSide = 4096;

// "jpeg", "png" or "gif" for bytes that start like one, else empty.
QByteArray pictureFormat(const QByteArray& head);

// The picture in `bytes`, null when it is none of the three formats, is
// broken, or is too big.
QImage decodePicture(const QByteArray& bytes);

// The same for the file at `path`; it is not read whole before its first
// bytes have said what it is.
QImage readPictureFile(const QString& path);

}  // namespace kiv::avatar
