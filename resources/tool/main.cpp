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

// The sizes of the icon theme, from the menu's smallest to the software
// centre's largest.
constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

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
       [] { return frameBottomCorner(2); }},
      {"bitmap", 200, "dialog frame: bottom edge (tiled across)", [] { return frameBottom(8, 2, false); }},
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
      // The skin's own numbers, from 300 up, for the buttons and tabs that the
      // windows draw without naming a picture.
      {"bitmap", 300, "main-window tab \"我的群\", not selected",
       [] { return tabButton(QStringLiteral("我的群"), Tab::Off, 54, 22, 3); }},
      {"bitmap", 301, "main-window tab \"我的群\", selected",
       [] { return tabButton(QStringLiteral("我的群"), Tab::On, 54, 22, 3); }},
      {"bitmap", 302, "main-window tab \"我的群\", hover",
       [] { return tabButton(QStringLiteral("我的群"), Tab::Hover, 54, 22, 3); }},
      {"bitmap", 303, "main-window tab \"我的朋友\", not selected",
       [] { return tabButton(QStringLiteral("我的朋友"), Tab::Off, 54, 22, 3); }},
      {"bitmap", 304, "main-window tab \"我的朋友\", selected",
       [] { return tabButton(QStringLiteral("我的朋友"), Tab::On, 54, 22, 3); }},
      {"bitmap", 305, "main-window tab \"我的朋友\", hover",
       [] { return tabButton(QStringLiteral("我的朋友"), Tab::Hover, 54, 22, 3); }},
      {"bitmap", 306, "main-window tab \"陌生人\", not selected",
       [] { return tabButton(QStringLiteral("陌生人"), Tab::Off, 54, 22, 3); }},
      {"bitmap", 307, "main-window tab \"陌生人\", selected",
       [] { return tabButton(QStringLiteral("陌生人"), Tab::On, 54, 22, 3); }},
      {"bitmap", 308, "main-window tab \"陌生人\", hover",
       [] { return tabButton(QStringLiteral("陌生人"), Tab::Hover, 54, 22, 3); }},
      {"bitmap", 310, "main-window button \"创建群\", normal",
       [] { return linkButton(QStringLiteral("创建群"), State::Normal, 49, 16); }},
      {"bitmap", 311, "main-window button \"创建群\", pressed",
       [] { return linkButton(QStringLiteral("创建群"), State::Pressed, 49, 16); }},
      {"bitmap", 312, "main-window button \"创建群\", hover",
       [] { return linkButton(QStringLiteral("创建群"), State::Hover, 49, 16); }},
      {"bitmap", 313, "main-window button \"搜索群\", normal",
       [] { return linkButton(QStringLiteral("搜索群"), State::Normal, 48, 16); }},
      {"bitmap", 314, "main-window button \"搜索群\", pressed",
       [] { return linkButton(QStringLiteral("搜索群"), State::Pressed, 48, 16); }},
      {"bitmap", 315, "main-window button \"搜索群\", hover",
       [] { return linkButton(QStringLiteral("搜索群"), State::Hover, 48, 16); }},
      {"bitmap", 316, "main-window button \"添加好友\", normal",
       [] { return linkButton(QStringLiteral("添加好友"), State::Normal, 57, 16); }},
      {"bitmap", 317, "main-window button \"添加好友\", pressed",
       [] { return linkButton(QStringLiteral("添加好友"), State::Pressed, 57, 16); }},
      {"bitmap", 318, "main-window button \"添加好友\", hover",
       [] { return linkButton(QStringLiteral("添加好友"), State::Hover, 57, 16); }},
      {"bitmap", 320, "main-window button \"菜单\", normal",
       [] { return barButton(Glyph::Menu, State::Normal, 55, 17); }},
      {"bitmap", 321, "main-window button \"菜单\", pressed",
       [] { return barButton(Glyph::Menu, State::Pressed, 55, 17); }},
      {"bitmap", 322, "main-window button \"菜单\", hover",
       [] { return barButton(Glyph::Menu, State::Hover, 55, 17); }},
      {"bitmap", 323, "main-window button \"设置\" (gear), normal",
       [] { return barButton(Glyph::Settings, State::Normal, 18, 17); }},
      {"bitmap", 324, "main-window button \"设置\" (gear), pressed",
       [] { return barButton(Glyph::Settings, State::Pressed, 18, 17); }},
      {"bitmap", 325, "main-window button \"设置\" (gear), hover",
       [] { return barButton(Glyph::Settings, State::Hover, 18, 17); }},
      {"bitmap", 326, "main-window button \"历史\" (clock), normal",
       [] { return barButton(Glyph::History, State::Normal, 18, 17); }},
      {"bitmap", 327, "main-window button \"历史\" (clock), pressed",
       [] { return barButton(Glyph::History, State::Pressed, 18, 17); }},
      {"bitmap", 328, "main-window button \"历史\" (clock), hover",
       [] { return barButton(Glyph::History, State::Hover, 18, 17); }},
      {"bitmap", 329, "main-window button \"查找\" (magnifier), normal",
       [] { return barButton(Glyph::Search, State::Normal, 18, 17); }},
      {"bitmap", 330, "main-window button \"查找\" (magnifier), pressed",
       [] { return barButton(Glyph::Search, State::Pressed, 18, 17); }},
      {"bitmap", 331, "main-window button \"查找\" (magnifier), hover",
       [] { return barButton(Glyph::Search, State::Hover, 18, 17); }},
      {"bitmap", 332, "search tab \"查找好友\", not selected",
       [] { return tabButton(QStringLiteral("查找好友"), Tab::Off, 72, 24); }},
      {"bitmap", 333, "search tab \"查找好友\", selected",
       [] { return tabButton(QStringLiteral("查找好友"), Tab::On, 72, 24); }},
      {"bitmap", 334, "search tab \"查找好友\", hover",
       [] { return tabButton(QStringLiteral("查找好友"), Tab::Hover, 72, 24); }},
      {"bitmap", 335, "search tab \"查找群\", not selected",
       [] { return tabButton(QStringLiteral("查找群"), Tab::Off, 72, 24); }},
      {"bitmap", 336, "search tab \"查找群\", selected",
       [] { return tabButton(QStringLiteral("查找群"), Tab::On, 72, 24); }},
      {"bitmap", 337, "search tab \"查找群\", hover",
       [] { return tabButton(QStringLiteral("查找群"), Tab::Hover, 72, 24); }},
      // Search and profile windows: buttons the windows draw without a number of their own.
      {"bitmap", 350, "search button \"查找\", normal and pressed",
       [] { return textButton(QStringLiteral("查找"), State::Normal); }},
      {"bitmap", 351, "search button \"查找\", hover", [] { return textButton(QStringLiteral("查找"), State::Hover); }},
      {"bitmap", 352, "search button \"重置\", normal and pressed",
       [] { return textButton(QStringLiteral("重置"), State::Normal); }},
      {"bitmap", 353, "search button \"重置\", hover", [] { return textButton(QStringLiteral("重置"), State::Hover); }},
      {"bitmap", 354, "search results button \"加入群\", normal and pressed",
       [] { return textButton(QStringLiteral("加入群"), State::Normal); }},
      {"bitmap", 355, "search results button \"加入群\", hover",
       [] { return textButton(QStringLiteral("加入群"), State::Hover); }},
      {"bitmap", 356, "search results button \"邀请加入我创建的群\", normal and pressed",
       [] { return textButton(QStringLiteral("邀请加入我创建的群"), State::Normal, 132); }},
      {"bitmap", 357, "search results button \"邀请加入我创建的群\", hover",
       [] { return textButton(QStringLiteral("邀请加入我创建的群"), State::Hover, 132); }},
      {"bitmap", 358, "profile button \"保存\", normal and pressed",
       [] { return textButton(QStringLiteral("保存"), State::Normal); }},
      {"bitmap", 359, "profile button \"保存\", hover", [] { return textButton(QStringLiteral("保存"), State::Hover); }},
      {"bitmap", 360, "profile button \"更改\" (picture), normal and pressed",
       [] { return textButton(QStringLiteral("更改"), State::Normal); }},
      {"bitmap", 361, "profile button \"更改\" (picture), hover",
       [] { return textButton(QStringLiteral("更改"), State::Hover); }},
      {"bitmap", 362, "chat colour button, normal", [] { return colourButton(State::Normal); }},
      {"bitmap", 363, "chat colour button, pressed", [] { return colourButton(State::Pressed); }},
      {"bitmap", 364, "chat colour button, hover", [] { return colourButton(State::Hover); }},
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
      setScale(2);
      const QImage fine = e.draw();
      setScale(1);
      if (fine.size() != image.size() * 2) {
        std::fprintf(stderr, "bitmap %d: the @2x drawing is not twice the size\n", e.number);
        return 1;
      }
      const QString alias = QStringLiteral("bitmap/%1.png").arg(e.number);
      const QString fineAlias = QStringLiteral("bitmap/%1@2x.png").arg(e.number);
      if (!savePng(image, out.filePath(alias)) || !savePng(fine, out.filePath(fineAlias))) return 1;
      addFile(alias);
      addFile(fineAlias);
      size = sizeOf(image);
    } else if (kind == QLatin1String("icon")) {
      const QImage image = e.draw();
      const QString alias = QStringLiteral("icon/%1.png").arg(e.number);
      if (!savePng(image, out.filePath(alias))) return 1;
      addFile(alias);
      // Each size drawn for itself: a small flower needs its own proportions,
      // and a large one scaled up from 32 pixels would be blurred.
      for (const int side : kIconSizes) {
        const QString sized = QStringLiteral("icon/%1/%2.png").arg(side).arg(e.number);
        if (!savePng(appIcon(side, e.number == 273), out.filePath(sized))) return 1;
        addFile(sized);
      }
      size = sizeOf(image) + QStringLiteral(" (and 16 to 256 square)");
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
      "`skin/kiv_resources.qrc` under `:/bitmap/N.png`, `:/icon/N.png` (plus `:/icon/SIZE/N.png` for\n"
      "SIZE 16, 22, 24, 32, 48, 64, 128 and 256), `:/wave/N.wav` and `:/gif/N.gif`.\n\n"
      "Every bitmap comes twice: `N.png`, and `N@2x.png` drawn at twice the pixels each way for HiDPI\n"
      "screens. `ResourceLoader::bitmap` hands out the finer one when a screen has a device pixel ratio\n"
      "above 1; lay pictures out by `ResourceLoader::logicalSize`, never by their pixel size. The sizes\n"
      "of icon 128 are also the program's icon in the desktop's icon theme (the package installs them).\n\n"
      "Everything here is drawn by `tool/` (a small Qt program). After changing it run `./generate.sh`, which\n"
      "rebuilds the tool, redraws every file, rewrites the `.qrc` and this page; commit the results.\n\n"
      "The skin: a soft blue frame with a one-pixel darker outline, a caption band 26 pixels high (presses\n"
      "there move the window), side bands 3 pixels wide, a pale content background, white-backed list marks.\n"
      "Button pictures carry their own lettering. The main window's top pieces are 110 pixels high: caption,\n"
      "then a light header band for the avatar, the profile and signature lines and the tabs, ending in a rule\n"
      "at row 109; its bottom edge is a 24-pixel bar for the bottom buttons.\n\n"
      "The main-window tabs leave their top 3 rows clear, so the signature line above them stays readable.\n"
      "Numbers from 300 up are the skin's own: pictures for the tabs and buttons that the windows draw\n"
      "without naming a resource (main-window tabs and buttons, search tabs, the search and profile\n"
      "buttons), sized for their controls.\n"
      "A tab's three pictures are not selected / selected / hover: give a tab (selected, selected, selected)\n"
      "while it is the chosen one and (not selected, selected, hover) otherwise.\n\n"
      "| kind | number | size | role |\n|---|---|---|---|\n");
  if (!writeFile(out.filePath(QStringLiteral("README.md")), (readme + index).toUtf8())) return 1;
  std::printf("drew %lld resources\n", static_cast<long long>(list.size()));
  return 0;
}
