#include "WaveWriter.h"

#include <QtEndian>
#include <cmath>
#include <vector>

namespace {

void put32(QByteArray& out, quint32 v) {
  char b[4];
  qToLittleEndian(v, b);
  out.append(b, 4);
}

void put16(QByteArray& out, quint16 v) {
  char b[2];
  qToLittleEndian(v, b);
  out.append(b, 2);
}

// A bell-like note: a sine with a quieter octave and twelfth, a 4 ms attack
// so it starts without a click, and an exponential decay.
void addNote(std::vector<double>& samples, int rate, double start, double frequency, double length, double level) {
  const int first = int(start * rate);
  const int count = int(length * rate);
  for (int i = 0; i < count && first + i < int(samples.size()); ++i) {
    const double t = double(i) / rate;
    const double attack = std::min(1.0, t / 0.004);
    const double decay = std::exp(-t * 6.0);
    const double tone = std::sin(2 * M_PI * frequency * t) +
                        0.28 * std::sin(2 * M_PI * 2 * frequency * t) * std::exp(-t * 9.0) +
                        0.12 * std::sin(2 * M_PI * 3 * frequency * t) * std::exp(-t * 14.0);
    samples[size_t(first + i)] += level * attack * decay * tone;
  }
}

}  // namespace

QByteArray writeChime() {
  const int rate = 22050;
  const double total = 0.75;
  std::vector<double> samples(size_t(total * rate), 0.0);
  addNote(samples, rate, 0.0, 1318.51, 0.75, 0.32);  // E6
  addNote(samples, rate, 0.12, 1760.0, 0.63, 0.30);  // A6
  // A last short fade so the file ends in silence.
  const size_t fade = size_t(0.03 * rate);
  for (size_t i = 0; i < fade; ++i) samples[samples.size() - 1 - i] *= double(i) / fade;

  QByteArray data;
  for (double s : samples) {
    const double clipped = std::max(-1.0, std::min(1.0, s));
    put16(data, quint16(qint16(std::lround(clipped * 32000))));
  }
  QByteArray out("RIFF");
  put32(out, quint32(36 + data.size()));
  out.append("WAVEfmt ");
  put32(out, 16);
  put16(out, 1);  // PCM
  put16(out, 1);  // mono
  put32(out, rate);
  put32(out, rate * 2);
  put16(out, 2);
  put16(out, 16);
  out.append("data");
  put32(out, quint32(data.size()));
  out.append(data);
  return out;
}
