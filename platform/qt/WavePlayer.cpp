#include "platform/qt/WavePlayer.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QHash>
#include <QMediaDevices>
#include <QSoundEffect>

namespace kiv {
namespace {

int requestCount = 0;

// Asked once: without any output a sound effect only fills the log with
// complaints about the missing device.
bool haveAudioOutput() {
  static const bool any = !QMediaDevices::audioOutputs().isEmpty();
  return any;
}

// One loaded effect per sound, kept for the rest of the run: loading a WAV
// on every message would cost more than playing it.
QSoundEffect* effectFor(const QUrl& source) {
  static QHash<QString, QSoundEffect*> effects;
  QSoundEffect*& effect = effects[source.toString()];
  if (effect == nullptr) {
    effect = new QSoundEffect(QCoreApplication::instance());
    effect->setSource(source);
  }
  return effect;
}

}  // namespace

void WavePlayer::play(const QUrl& source) {
  ++requestCount;
  if (QCoreApplication::instance() == nullptr || source.isEmpty() || !haveAudioOutput()) return;
  QSoundEffect* effect = effectFor(source);
  effect->stop();
  effect->play();
}

int WavePlayer::requests() {
  return requestCount;
}

}  // namespace kiv
