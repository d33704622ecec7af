#include "GifWriter.h"

#include <QHash>
#include <algorithm>
#include <map>
#include <vector>

namespace {

void put16(QByteArray& out, int v) {
  out.append(char(v & 0xff));
  out.append(char((v >> 8) & 0xff));
}

// Packs variable-width codes least significant bit first into 255-byte
// sub-blocks.
class BitPacker {
 public:
  void put(int code, int width) {
    acc_ |= quint32(code) << bits_;
    bits_ += width;
    while (bits_ >= 8) {
      bytes_.push_back(char(acc_ & 0xff));
      acc_ >>= 8;
      bits_ -= 8;
    }
  }
  QByteArray finish() {
    if (bits_ > 0) bytes_.push_back(char(acc_ & 0xff));
    QByteArray out;
    for (size_t i = 0; i < bytes_.size(); i += 255) {
      const int n = int(std::min<size_t>(255, bytes_.size() - i));
      out.append(char(n));
      out.append(bytes_.data() + i, n);
    }
    out.append(char(0));
    return out;
  }

 private:
  std::vector<char> bytes_;
  quint32 acc_ = 0;
  int bits_ = 0;
};

QByteArray lzw(const std::vector<quint8>& pixels, int minCodeSize) {
  const int clear = 1 << minCodeSize;
  const int end = clear + 1;
  BitPacker out;
  std::map<std::pair<int, int>, int> table;
  int next = end + 1;
  int width = minCodeSize + 1;
  out.put(clear, width);
  if (pixels.empty()) {
    out.put(end, width);
    return out.finish();
  }
  int prefix = pixels[0];
  for (size_t i = 1; i < pixels.size(); ++i) {
    const int c = pixels[i];
    const auto found = table.find({prefix, c});
    if (found != table.end()) {
      prefix = found->second;
      continue;
    }
    out.put(prefix, width);
    if (next < 4095) {
      table[{prefix, c}] = next;
      if (next == (1 << width) && width < 12) ++width;
      ++next;
    } else {
      out.put(clear, width);
      table.clear();
      next = end + 1;
      width = minCodeSize + 1;
    }
    prefix = c;
  }
  out.put(prefix, width);
  out.put(end, width);
  return out.finish();
}

int distance(QRgb a, QRgb b) {
  const int dr = qRed(a) - qRed(b), dg = qGreen(a) - qGreen(b), db = qBlue(a) - qBlue(b);
  return dr * dr + dg * dg + db * db;
}

}  // namespace

QByteArray writeGif(const QList<QImage>& frames, int delayHundredths) {
  if (frames.isEmpty()) return {};
  const int w = frames.first().width();
  const int h = frames.first().height();

  QHash<QRgb, int> counts;
  for (const QImage& frame : frames) {
    const QImage rgb = frame.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) ++counts[rgb.pixel(x, y) | 0xff000000u];
  }
  std::vector<std::pair<int, QRgb>> byCount;
  for (auto it = counts.begin(); it != counts.end(); ++it) byCount.push_back({-it.value(), it.key()});
  std::sort(byCount.begin(), byCount.end());
  std::vector<QRgb> palette;
  for (size_t i = 0; i < byCount.size() && i < 256; ++i) palette.push_back(byCount[i].second);
  int tableBits = 1;
  while ((1 << tableBits) < int(palette.size())) ++tableBits;
  palette.resize(size_t(1) << tableBits, qRgb(0, 0, 0));
  QHash<QRgb, int> index;
  auto lookup = [&](QRgb c) {
    const auto found = index.constFind(c);
    if (found != index.constEnd()) return found.value();
    int best = 0;
    for (int i = 1; i < int(palette.size()); ++i)
      if (distance(palette[i], c) < distance(palette[best], c)) best = i;
    index.insert(c, best);
    return best;
  };
  for (size_t i = 0; i < palette.size(); ++i)
    if (!index.contains(palette[i])) index.insert(palette[i], int(i));

  QByteArray out("GIF89a");
  put16(out, w);
  put16(out, h);
  out.append(char(0xf0 | (tableBits - 1)));  // global table, 8-bit colour resolution
  out.append(char(0));                       // background colour index
  out.append(char(0));                       // square pixels
  for (QRgb c : palette) {
    out.append(char(qRed(c)));
    out.append(char(qGreen(c)));
    out.append(char(qBlue(c)));
  }
  // Loop for ever.
  out.append("\x21\xff\x0bNETSCAPE2.0\x03\x01", 16);
  put16(out, 0);
  out.append(char(0));

  const int minCodeSize = std::max(2, tableBits);
  for (const QImage& frame : frames) {
    const QImage rgb = frame.convertToFormat(QImage::Format_RGB32);
    out.append("\x21\xf9\x04", 3);
    out.append(char(1 << 2));  // disposal 1: leave the frame in place
    put16(out, delayHundredths);
    out.append(char(0));  // no transparent colour
    out.append(char(0));
    out.append(char(0x2c));
    put16(out, 0);
    put16(out, 0);
    put16(out, w);
    put16(out, h);
    out.append(char(0));
    std::vector<quint8> pixels;
    pixels.reserve(size_t(w) * h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) pixels.push_back(quint8(lookup(rgb.pixel(x, y) | 0xff000000u)));
    out.append(char(minCodeSize));
    out.append(lzw(pixels, minCodeSize));
  }
  out.append(char(0x3b));
  return out;
}
