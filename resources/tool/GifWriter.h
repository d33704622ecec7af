#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>

// Writes an endlessly looping GIF89a animation: one global colour table
// shared by all frames (exact colours when there are at most 256, else the
// most frequent ones), one graphic control extension and one full-size image
// per frame, LZW-compressed.
QByteArray writeGif(const QList<QImage>& frames, int delayHundredths);
