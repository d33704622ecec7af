// kiv-draw-resources OUTPUT_DIR QRC_FILE
//
// Draws every numbered resource of the program into OUTPUT_DIR (bitmap/,
// icon/, wave/, gif/), writes the Qt resource list QRC_FILE and the index
// OUTPUT_DIR/README.md. The table below is the one list of numbers and roles.
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <cstdio>
#include <functional>

#include "Art.h"
#include "GifWriter.h"
#include "WaveWriter.h"

using namespace art;

namespace {

struct Entry {
  const char* kind;  // bitmap, icon, wave, gif
  int number;
  const char* role;
  std::function<QImage()> draw;  // pictures only
};

QString sizeOf(const QImage& image) {
  return QStringLiteral("%1 x %2").arg(image.width()).arg(image.height());
}

QList<Entry> entries() {
  const QString ok = QStringLiteral("确定"), cancel = QStringLiteral("取消");
  return {
      // Frame of the ordinary skinned window.
      {"bitmap", 196, "dialog frame: top-left corner with the program's flower and name",
       [] { return frameCorner(96, 26, false, true); }},
      {"bitmap", 197, "dialog frame: top edge (tiled across)", [] { return frameTop(8, 26, false); }},
      {"bitmap", 195, "dialog frame: top-right corner", [] { return frameCorner(8, 26, false, false); }},
      {"bitmap", 176, "frame (both kinds): left edge (tiled down)", [] { return frameSide(3, true); }},
      {"bitmap", 175, "frame (both kinds): right edge (tiled down)", [] { return frameSide(3, false); }},
      {"bitmap", 201, "dialog background tile; also the option pages' background brush",
       [] { return paperTile(tone::paper); }},
      {"bitmap", 199, "dialog frame: bottom-left and bottom-right corner (one symmetric piece)",
       [] { return frameBottomCorner(3); }},
      {"bitmap", 200, "dialog frame: bottom edge (tiled across)", [] { return frameBottom(8, 3, false); }},
      // Frame of the main window: caption plus the header band.
      {"bitmap", 172, "main-window frame: top-left corner (caption and header band)",
       [] { return frameCorner(96, 110, true, true); }},
      {"bitmap", 173, "main-window frame: top edge (tiled across)", [] { return frameTop(8, 110, true); }},
      {"bitmap", 174, "main-window frame: top-right corner", [] { return frameCorner(8, 110, true, false); }},
      {"bitmap", 171, "skin background tile (main window: loaded, not drawn; chat window background)",
       [] { return paperTile(tone::paper); }},
      {"bitmap", 177, "main-window frame: bottom-left and bottom-right corner (one symmetric piece)",
       [] { return frameBottomCorner(24); }},
      {"bitmap", 178, "main-window frame: bottom edge, a light bar for the bottom buttons",
       [] { return frameBottom(8, 24, true); }},
      // Title buttons.
      {"bitmap", 138, "close button, normal", [] { return titleButton(true, State::Normal); }},
      {"bitmap", 179, "close button, pressed", [] { return titleButton(true, State::Pressed); }},
      {"bitmap", 180, "close button, hover", [] { return titleButton(true, State::Hover); }},
      {"bitmap", 139, "minimize button, normal", [] { return titleButton(false, State::Normal); }},
      {"bitmap", 181, "minimize button, pressed", [] { return titleButton(false, State::Pressed); }},
      {"bitmap", 182, "minimize button, hover", [] { return titleButton(false, State::Hover); }},
      // Text buttons.
      {"bitmap", 232, "button \"确定\", normal and pressed", [ok] { return textButton(ok, State::Normal); }},
      {"bitmap", 233, "button \"确定\", hover", [ok] { return textButton(ok, State::Hover); }},
      {"bitmap", 206, "button \"取消\", normal and pressed", [cancel] { return textButton(cancel, State::Normal); }},
      {"bitmap", 207, "button \"取消\", hover", [cancel] { return textButton(cancel, State::Hover); }},
      {"bitmap", 246, "chat button \"发送\", normal and pressed",
       [] { return textButton(QStringLiteral("发送"), State::Normal); }},
      {"bitmap", 247, "chat button \"发送\", hover", [] { return textButton(QStringLiteral("发送"), State::Hover); }},
      {"bitmap", 248, "chat button \"关闭\", normal and pressed",
       [] { return textButton(QStringLiteral("关闭"), State::Normal); }},
      {"bitmap", 245, "chat button \"关闭\", hover", [] { return textButton(QStringLiteral("关闭"), State::Hover); }},
      {"bitmap", 218, "chat button \"加为好友\", normal and hover",
       [] { return textButton(QStringLiteral("加为好友"), State::Normal); }},
      {"bitmap", 217, "chat button \"加为好友\", pressed",
       [] { return textButton(QStringLiteral("加为好友"), State::Pressed); }},
      {"bitmap", 281, "chat font button, normal", [] { return fontButton(State::Normal); }},
      {"bitmap", 279, "chat font button, pressed", [] { return fontButton(State::Pressed); }},
      {"bitmap", 280, "chat font button, hover", [] { return fontButton(State::Hover); }},
      {"bitmap", 225, "history button \"上一页\", normal",
       [] { return textButton(QStringLiteral("上一页"), State::Normal); }},
      {"bitmap", 226, "history button \"上一页\", hover and pressed",
       [] { return textButton(QStringLiteral("上一页"), State::Hover); }},
      {"bitmap", 223, "history button \"下一页\", normal",
       [] { return textButton(QStringLiteral("下一页"), State::Normal); }},
      {"bitmap", 224, "history button \"下一页\", hover and pressed",
       [] { return textButton(QStringLiteral("下一页"), State::Hover); }},
      // Options window.
      {"bitmap", 227, "left pane strip of the options window and the history viewer (tiled down from x = 1)",
       [] { return leftPane(); }},
      {"bitmap", 263, "options header picture: settings", [] { return optionHeader(false); }},
      {"bitmap", 265, "options header picture: password", [] { return optionHeader(true); }},
      {"bitmap", 229, "options tab \"基本设置\", selected (also its hover)",
       [] { return optionTab(QStringLiteral("基本设置"), true, false); }},
      {"bitmap", 262, "options tab \"基本设置\", not selected",
       [] { return optionTab(QStringLiteral("基本设置"), false, false); }},
      {"bitmap", 230, "options tab \"基本设置\", pressed",
       [] { return optionTab(QStringLiteral("基本设置"), true, true); }},
      {"bitmap", 231, "options tab \"密码安全\", selected (also its hover)",
       [] { return optionTab(QStringLiteral("密码安全"), true, false); }},
      {"bitmap", 264, "options tab \"密码安全\", not selected",
       [] { return optionTab(QStringLiteral("密码安全"), false, false); }},
      {"bitmap", 228, "options tab \"密码安全\", pressed",
       [] { return optionTab(QStringLiteral("密码安全"), true, true); }},
      // Chat window.
      {"bitmap", 243, "chat frame strip: header band under the caption (tiled across)", [] { return chatStrip(243); }},
      {"bitmap", 244, "chat frame strip: tool bar between conversation and input (tiled across)",
       [] { return chatStrip(244); }},
      {"bitmap", 242, "chat frame strip: upright rule beside the picture column (tiled down)",
       [] { return chatStrip(242); }},
      {"bitmap", 214, "chat frame strip: button bar along the bottom (tiled across)", [] { return chatStrip(214); }},
      {"bitmap", 238, "male figure (chat side picture)", [] { return figure(0); }},
      {"bitmap", 239, "female figure (chat side picture)", [] { return figure(1); }},
      {"bitmap", 271, "group figure (chat side picture)", [] { return figure(2); }},
      // Avatars and list marks.
      {"bitmap", 148, "default user avatar (scaled to 20 in lists)", [] { return avatar(40, false); }},
      {"bitmap", 149, "default large user avatar (login window, profile)", [] { return avatar(70, false); }},
      {"bitmap", 240, "default group avatar (scaled to 40 and 20)", [] { return avatar(70, true); }},
      {"bitmap", 274, "terminal icon: mobile client (white is transparent)", [] { return terminalIcon(2); }},
      {"bitmap", 275, "terminal icon: PC client (white is transparent)", [] { return terminalIcon(3); }},
      {"bitmap", 276, "terminal icon: SMS only (white is transparent)", [] { return terminalIcon(0); }},
      {"bitmap", 277, "terminal icon: WAP (white is transparent)", [] { return terminalIcon(1); }},
      {"bitmap", 257, "group owner mark (white is transparent)", [] { return ownerMark(); }},
      {"bitmap", 253, "tree glyph: expand", [] { return treeGlyph(true); }},
      {"bitmap", 254, "tree glyph: collapse", [] { return treeGlyph(false); }},
      {"bitmap", 266, "history tree: picture of the root items", [] { return folder(); }},
      // Icons (a 16-pixel drawing beside each).
      {"icon", 128, "program icon; notification-area icon while online", [] { return appIcon(32, false); }},
      {"icon", 273, "notification-area icon while offline", [] { return appIcon(32, true); }},
      {"wave", 268, "new-message chime (0.75 s, 22050 Hz, 16-bit mono)", nullptr},
      {"gif", 278, "sign-in animation (9 frames, 100 ms each, looping)", nullptr},
  };
}

bool writeFile(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  return file.write(bytes) == bytes.size();
}

bool savePng(const QImage& image, const QString& path) {
  QDir().mkpath(QFileInfo(path).path());
  // Straight alpha keeps the files identical from run to run.
  return image.convertToFormat(QImage::Format_ARGB32).save(path, "PNG", 9);
}

// The GIF must read back as the frames we drew.
bool checkGif(const QByteArray& gif, const QList<QImage>& frames) {
  QBuffer buffer;
  buffer.setData(gif);
  QImageReader reader(&buffer, "gif");
  int n = 0;
  QImage frame;
  while (reader.read(&frame)) {
    if (n >= frames.size() || frame.size() != frames[n].size()) return false;
    ++n;
  }
  return n == frames.size();
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: kiv-draw-resources OUTPUT_DIR QRC_FILE\n");
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  const QString qrcPath = QString::fromLocal8Bit(argv[2]);
  const QString qrcPrefix = QDir(QFileInfo(qrcPath).absolutePath()).relativeFilePath(out.absolutePath());

  QString qrc = QStringLiteral("<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/\">\n");
  QString index;
  auto addFile = [&](const QString& alias) {
    qrc += QStringLiteral("  <file alias=\"%1\">%2/%1</file>\n").arg(alias, qrcPrefix);
  };
  QList<Entry> list = entries();
  std::sort(list.begin(), list.end(), [](const Entry& a, const Entry& b) {
    const int ka = QByteArray(a.kind) == "bitmap" ? 0 : QByteArray(a.kind) == "icon" ? 1 : 2;
    const int kb = QByteArray(b.kind) == "bitmap" ? 0 : QByteArray(b.kind) == "icon" ? 1 : 2;
    return ka != kb ? ka < kb : a.number < b.number;
  });
  for (const Entry& e : list) {
    const QString kind = QString::fromLatin1(e.kind);
    QString size;
    if (kind == QLatin1String("bitmap")) {
      const QImage image = e.draw();
      const QString alias = QStringLiteral("bitmap/%1.png").arg(e.number);
      if (!savePng(image, out.filePath(alias))) return 1;
      addFile(alias);
      size = sizeOf(image);
    } else if (kind == QLatin1String("icon")) {
      const QImage image = e.draw();
      const QString alias = QStringLiteral("icon/%1.png").arg(e.number);
      const QString small = QStringLiteral("icon/16/%1.png").arg(e.number);
      if (!savePng(image, out.filePath(alias))) return 1;
      if (!savePng(appIcon(16, e.number == 273), out.filePath(small))) return 1;
      addFile(alias);
      addFile(small);
      size = sizeOf(image) + QStringLiteral(" and 16 x 16");
    } else if (kind == QLatin1String("wave")) {
      const QString alias = QStringLiteral("wave/%1.wav").arg(e.number);
      if (!writeFile(out.filePath(alias), writeChime())) return 1;
      addFile(alias);
      size = QStringLiteral("sound");
    } else {
      const QList<QImage> frames = signInFrames();
      const QByteArray gif = writeGif(frames, 10);
      if (!checkGif(gif, frames)) {
        std::fprintf(stderr, "the GIF writer produced an unreadable animation\n");
        return 1;
      }
      const QString alias = QStringLiteral("gif/%1.gif").arg(e.number);
      if (!writeFile(out.filePath(alias), gif)) return 1;
      addFile(alias);
      size = sizeOf(frames.first());
    }
    index += QStringLiteral("| %1 | %2 | %3 | %4 |\n").arg(kind).arg(e.number).arg(size, QString::fromUtf8(e.role));
  }
  qrc += QStringLiteral("</qresource>\n</RCC>\n");
  if (!writeFile(qrcPath, qrc.toUtf8())) return 1;

  const QString readme = QStringLiteral(
      "# Resources\n\n"
      "The program's numbered pictures, icons, sound and animation. Windows ask for them by number through\n"
      "`kiv::ResourceLoader` (`bitmap(171)`, `icon(128)`, `wave(268)`, `gif(278)`); they are compiled in from\n"
      "`skin/kiv_resources.qrc` under `:/bitmap/N.png`, `:/icon/N.png` (plus `:/icon/16/N.png`),\n"
      "`:/wave/N.wav` and `:/gif/N.gif`.\n\n"
      "Everything here is drawn by `tool/` (a small Qt program). After changing it run `./generate.sh`, which\n"
      "rebuilds the tool, redraws every file, rewrites the `.qrc` and this page; commit the results.\n\n"
      "The skin: a soft blue frame with a one-pixel darker outline, a caption band 26 pixels high (presses\n"
      "there move the window), side bands 3 pixels wide, a pale content background, white-backed list marks.\n"
      "Button pictures carry their own lettering. The main window's top pieces are 110 pixels high: caption,\n"
      "then a light header band for the avatar, the profile and signature lines and the tabs, ending in a rule\n"
      "at row 109; its bottom edge is a 24-pixel bar for the bottom buttons.\n\n"
      "| kind | number | size | role |\n|---|---|---|---|\n");
  if (!writeFile(out.filePath(QStringLiteral("README.md")), (readme + index).toUtf8())) return 1;
  std::printf("drew %lld resources\n", static_cast<long long>(list.size()));
  return 0;
}
