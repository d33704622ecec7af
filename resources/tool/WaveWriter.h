#pragma once

#include <QByteArray>

// The new-message chime: two soft bell notes a fourth apart, as a 16-bit
// mono PCM RIFF wave at 22050 Hz.
QByteArray writeChime();
