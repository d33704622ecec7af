#pragma once

#include <QUrl>

namespace kiv {

// Plays the program's short sounds (a WAV behind a "qrc:" URL) without
// waiting for them. Where there is no audio output at all (a server, a test
// machine) nothing is heard and nothing is reported. UI thread only.
class WavePlayer {
 public:
  // Starts `source` from its beginning and returns at once; a sound still
  // playing is restarted.
  static void play(const QUrl& source);
  // How often play() was asked since the start of the program.
  static int requests();
};

}  // namespace kiv
