// The skin's windows, buttons and progress bars, and every numbered resource.
#include <gtest/gtest.h>
#include <QCheckBox>
#include <QEnterEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QRadioButton>
#include <QTest>
#include <vector>

#include "skin/SkinTestWindows.h"
#include "skin/CBitButtonNL.h"
#include "skin/CMacProgressCtrl.h"
#include "skin/ResourceLoader.h"
#include "gallery/Screenshot.h"

namespace kiv {
namespace {

// An options-like window built from the skin's pieces, to judge them together.
class OptionsPreview : public test::TestDialog {
 public:
  OptionsPreview() {
    resize(393, 280);
    auto* header = new QLabel(this);
    header->setPixmap(ResourceLoader::bitmap(263));
    header->setGeometry(5, 30, 148, 60);
    auto* first = new CBitButtonNL(this);
    first->setBitmaps(229, 230, 229);
    first->setGeometry(5, 98, 148, 28);
    auto* second = new CBitButtonNL(this);
    second->setBitmaps(264, 228, 231);
    second->setGeometry(5, 130, 148, 28);
    auto* page = new QWidget(this);
    page->setGeometry(157, 26, 233, 250);
    auto* start = new QCheckBox(QStringLiteral("开机时自动启动木棉"), page);
    start->setGeometry(20, 20, 200, 20);
    auto* login = new QCheckBox(QStringLiteral("自动登录"), page);
    login->setGeometry(20, 46, 200, 20);
    login->setChecked(true);
    auto* soundOn = new QRadioButton(QStringLiteral("开启声音"), page);
    soundOn->setGeometry(20, 82, 100, 20);
    soundOn->setChecked(true);
    auto* soundOff = new QRadioButton(QStringLiteral("关闭声音"), page);
    soundOff->setGeometry(120, 82, 100, 20);
    auto* label = new QLabel(QStringLiteral("正在通讯中:"), page);
    label->setGeometry(20, 130, 80, 16);
    auto* bar = new CMacProgressCtrl(page);
    bar->setColor(QColor(255, 0, 0));
    bar->setGeometry(100, 130, 110, 16);
    bar->setRange(0, 100);
    bar->setValue(50);
    auto* ok = new CBitButtonNL(page);
    ok->setBitmaps(232, 232, 233);
    ok->setGeometry(60, 210, 72, 24);
    auto* cancel = new CBitButtonNL(page);
    cancel->setBitmaps(206, 206, 207);
    cancel->setGeometry(140, 210, 72, 24);
  }

 protected:
  void OnDrawBackground(QPainter& painter, int /*left*/, int /*top*/, int /*right*/, int bottom) override {
    const QPixmap pane = ResourceLoader::bitmap(227);
    const int step = ResourceLoader::logicalSize(pane).height();
    for (int y = 25; y < bottom - 2; y += step) painter.drawPixmap(1, y, pane);
  }
};

TEST(SkinScene, EmptyWindows) {
  test::TestDialog dialog;
  dialog.resize(330, 230);
  EXPECT_FALSE(test::saveScreenshot(&dialog, QStringLiteral("skin-dialog")).isEmpty());
  OptionsPreview options;
  EXPECT_FALSE(test::saveScreenshot(&options, QStringLiteral("skin-dialog-options-preview")).isEmpty());

  test::TestResizable main;
  main.resize(181, 466);
  main.setProfileText(QStringLiteral("昵称:木棉花开\nID号:10086\n积分:128"));
  main.setSignatureText(QStringLiteral("简介:春风十里，不如木棉花开"));
  // The own avatar sits where the main window puts it, left of the profile.
  auto* avatar = new QLabel(&main);
  avatar->setPixmap(ResourceLoader::bitmap(148));
  avatar->setGeometry(6, 27, 40, 40);
  // Tabs and buttons where the main window's layout puts them.
  auto place = [&](int normal, int pressed, int hover, QPoint at) {
    auto* button = new CBitButtonNL(&main);
    button->setBitmaps(normal, pressed, hover);
    button->setGeometry(QRect(at, button->sizeHint()));
  };
  place(301, 301, 301, {3, 87});
  place(303, 304, 305, {57, 87});
  place(306, 307, 308, {111, 87});
  place(310, 311, 312, {7, 117});
  place(313, 314, 315, {64, 117});
  place(320, 321, 322, {0, 466 - 3 - 17});
  place(323, 324, 325, {73, 466 - 3 - 17});
  place(326, 327, 328, {100, 466 - 3 - 17});
  place(329, 330, 331, {129, 466 - 3 - 17});
  EXPECT_FALSE(test::saveScreenshot(&main, QStringLiteral("skin-main-window")).isEmpty());
}

struct Triple {
  int normal, pressed, hover;
  const char* name;
};

// One row per button: its normal, hover, pressed and disabled look.
void saveButtonSheet(const std::vector<Triple>& triples, const QString& name) {
  QWidget sheet;
  auto* grid = new QGridLayout(&sheet);
  grid->setHorizontalSpacing(14);
  sheet.setAutoFillBackground(true);
  QPalette pal = sheet.palette();
  pal.setColor(QPalette::Window, QColor(0xf3, 0xf8, 0xfe));
  sheet.setPalette(pal);
  const char* states[] = {"normal", "hover", "pressed", "disabled"};
  for (int c = 0; c < 4; ++c) grid->addWidget(new QLabel(QString::fromLatin1(states[c])), 0, c + 1);
  int row = 1;
  for (const Triple& t : triples) {
    auto* label = new QLabel(QString::fromLatin1(t.name));
    // The title buttons sit on the caption band; show them there.
    if (t.normal == 138 || t.normal == 139) {
      label->setAutoFillBackground(true);
      QPalette blue = label->palette();
      blue.setColor(QPalette::Window, QColor(0x6c, 0xad, 0xec));
      label->setPalette(blue);
    }
    grid->addWidget(label, row, 0);
    for (int c = 0; c < 4; ++c) {
      auto* holder = new QWidget;
      holder->setAutoFillBackground(label->autoFillBackground());
      holder->setPalette(label->palette());
      auto* button = new CBitButtonNL(holder);
      button->setBitmaps(t.normal, t.pressed, t.hover);
      button->setGeometry(2, 2, button->sizeHint().width(), button->sizeHint().height());
      holder->setFixedSize(button->sizeHint() + QSize(4, 4));
      if (c == 1) {
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QCoreApplication::sendEvent(button, &enter);
      }
      if (c == 2) button->setDown(true);
      if (c == 3) button->setEnabled(false);
      grid->addWidget(holder, row, c + 1);
    }
    ++row;
  }
  sheet.setFixedSize(grid->sizeHint());  // adjustSize would cap it to the screen
  EXPECT_FALSE(test::saveScreenshot(&sheet, name).isEmpty());
}

TEST(SkinScene, ButtonsInEveryState) {
  saveButtonSheet({{138, 179, 180, "close"},
                   {139, 181, 182, "minimize"},
                   {232, 232, 233, "ok"},
                   {206, 206, 207, "cancel"},
                   {246, 246, 247, "send"},
                   {248, 248, 245, "chat close"},
                   {218, 217, 218, "add friend"},
                   {281, 279, 280, "font"},
                   {225, 226, 226, "previous page"},
                   {223, 224, 224, "next page"},
                   {229, 230, 229, "tab settings"},
                   {262, 230, 229, "tab settings off"},
                   {231, 228, 231, "tab password"},
                   {264, 228, 231, "tab password off"}},
                  QStringLiteral("skin-buttons"));
  // The skin's own pictures for the main window and the search form.
  saveButtonSheet({{303, 304, 305, "main tab"},
                   {304, 304, 304, "main tab chosen"},
                   {310, 311, 312, "create group"},
                   {313, 314, 315, "search group"},
                   {316, 317, 318, "add friend (main)"},
                   {320, 321, 322, "menu"},
                   {323, 324, 325, "settings"},
                   {326, 327, 328, "history"},
                   {329, 330, 331, "search"},
                   {332, 333, 334, "search tab"},
                   {336, 336, 336, "search tab chosen"}},
                  QStringLiteral("skin-buttons-main"));
}

TEST(SkinScene, ProgressBars) {
  QWidget sheet;
  auto* grid = new QGridLayout(&sheet);
  const QColor colours[] = {QColor(), QColor(255, 0, 0)};
  int row = 0;
  for (const QColor& colour : colours) {
    for (int value : {0, 50, 100, -1}) {
      auto* label = new QLabel(value < 0 ? QStringLiteral("busy") : QStringLiteral("%1 %").arg(value));
      auto* bar = new CMacProgressCtrl;
      if (colour.isValid()) bar->setColor(colour);
      bar->setRange(0, 100);
      bar->setFixedSize(200, 16);
      bar->setValue(value < 0 ? 50 : value);
      if (value < 0) {
        bar->setBusy(true);
        QTest::qWait(6 * CMacProgressCtrl::kBusyInterval);
      }
      grid->addWidget(label, row, 0);
      grid->addWidget(bar, row, 1);
      ++row;
    }
  }
  auto* vertical = new CMacProgressCtrl;
  vertical->setOrientation(Qt::Vertical);
  vertical->setFixedSize(16, 120);
  vertical->setRange(0, 100);
  vertical->setValue(60);
  grid->addWidget(vertical, 0, 2, row, 1);
  sheet.adjustSize();
  EXPECT_FALSE(test::saveScreenshot(&sheet, QStringLiteral("skin-progress")).isEmpty());
}

// Every resource with its number and logical size, and the small marks as
// they appear in a list row (16 and 20 pixels, on white); on a HiDPI screen
// with the pictures drawn for it.
TEST(SkinScene, ContactSheetOfAllResources) {
  const qreal ratio = qApp->devicePixelRatio();
  const auto sizeOf = [](int number) { return ResourceLoader::logicalSize(ResourceLoader::bitmap(number)); };
  const auto scaledTo = [ratio](const QPixmap& picture, int side) {
    QPixmap scaled = picture.scaled(QSize(side, side) * ratio, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(ratio);
    return scaled;
  };
  const QList<int> numbers = ResourceLoader::bitmapNumbers();
  const int columns = 6;
  const int cellW = 170;
  QList<int> rowHeights;
  for (int i = 0; i < numbers.size(); i += columns) {
    int h = 0;
    for (int j = i; j < std::min<int>(i + columns, numbers.size()); ++j)
      h = std::max(h, std::min(sizeOf(numbers[j]).height(), 130));
    rowHeights.append(h + 26);
  }
  int height = 10;
  for (int h : rowHeights) height += h;
  height += 120;
  QImage sheet(QSize(columns * cellW + 20, height) * ratio, QImage::Format_RGB32);
  sheet.setDevicePixelRatio(ratio);
  sheet.fill(QColor(0xe6, 0xe6, 0xe6));
  QPainter p(&sheet);
  QFont font = p.font();
  font.setPixelSize(11);
  p.setFont(font);
  int y = 10;
  for (int i = 0; i < numbers.size(); ++i) {
    const int col = i % columns;
    if (i > 0 && col == 0) y += rowHeights[i / columns - 1];
    const QPixmap pix = ResourceLoader::bitmap(numbers[i]);
    const int x = 10 + col * cellW;
    p.setPen(Qt::black);
    const QSize size = ResourceLoader::logicalSize(pix);
    p.drawText(x, y + 11, QStringLiteral("%1  (%2x%3)").arg(numbers[i]).arg(size.width()).arg(size.height()));
    const QSize shown(std::min(size.width(), cellW - 8), std::min(size.height(), 130));
    p.drawPixmap(QRect(QPoint(x, y + 16), shown), pix, QRect(QPoint(0, 0), shown * pix.devicePixelRatio()));
  }
  y += rowHeights.last() + 10;
  // Icons at their sizes, and the list marks on white at 16 and 20 pixels.
  int x = 10;
  for (int number : ResourceLoader::iconNumbers()) {
    p.drawText(x, y + 11, QStringLiteral("icon %1").arg(number));
    p.drawPixmap(x, y + 16, ResourceLoader::iconPixmap(number, 32));
    p.drawPixmap(x + 40, y + 16, ResourceLoader::iconPixmap(number, 16));
    p.drawPixmap(x + 60, y + 16, ResourceLoader::iconPixmap(number, 20));
    x += 100;
  }
  p.fillRect(QRect(x, y, 420, 100), Qt::white);
  int mx = x + 6;
  for (int number : {274, 275, 276, 277, 257}) {
    const QPixmap mark = ResourceLoader::bitmap(number);
    p.drawText(mx, y + 14, QString::number(number));
    p.drawPixmap(mx, y + 20, mark);
    p.drawPixmap(mx, y + 42, scaledTo(mark, 20));
    mx += 36;
  }
  for (int number : {148, 240, 149}) {
    p.drawPixmap(mx, y + 20, scaledTo(ResourceLoader::bitmap(number), 20));
    p.drawPixmap(mx, y + 46, scaledTo(ResourceLoader::bitmap(number), 40));
    mx += 48;
  }
  p.end();
  QLabel label;
  label.setPixmap(QPixmap::fromImage(sheet));
  label.setFixedSize(sheet.deviceIndependentSize().toSize());  // adjustSize would cap it to the screen
  EXPECT_FALSE(test::saveScreenshot(&label, QStringLiteral("skin-resources")).isEmpty());
}

}  // namespace
}  // namespace kiv
