#include "skin/CDlgBasic.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QWindow>

#include "skin/CBitButtonNL.h"
#include "skin/ResourceLoader.h"

namespace kiv {

namespace {

constexpr int kAppIcon = 128;
// Frame bitmaps in FramePieces::Piece order: the two bottom corners share
// one bitmap, which is drawn symmetrically.
constexpr int kFrame[FramePieces::Count] = {196, 197, 195, 176, 201, 175, 199, 200, 199};
constexpr int kCloseImages[3] = {138, 179, 180};     // normal, pressed, hover
constexpr int kMinimizeImages[3] = {139, 181, 182};  // normal, pressed, hover

// The first of `families` that is installed, else the last one (fontconfig
// then substitutes as best it can).
QString installedFamily(const QStringList& families) {
  const QStringList present = QFontDatabase::families();
  for (const QString& family : families)
    if (present.contains(family, Qt::CaseInsensitive)) return family;
  return families.last();
}

CBitButtonNL* makeTitleButton(QWidget* parent, int id, const int (&images)[3], const QString& tip) {
  auto* button = new CBitButtonNL(parent);
  button->setProperty("controlId", id);
  button->setBitmaps(images[0], images[1], images[2]);
  // Clicking them must not take the focus from the window's own controls.
  button->setFocusPolicy(Qt::NoFocus);
  button->setAutoDefault(false);
  button->setToolTip(tip);
  // Screen readers name a button by its text, and these have none.
  button->setAccessibleName(tip);
  return button;
}

}  // namespace

QFont CDlgBasic::makeTitleFont() {
  QFont font(installedFamily({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans"),
                              QStringLiteral("WenQuanYi Micro Hei")}));
  font.setPixelSize(15);
  font.setWeight(QFont::Bold);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

QFont CDlgBasic::makeTextFont() {
  QFont font(installedFamily({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("NSimSun"),
                              QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
                              QStringLiteral("Noto Sans SC"), QStringLiteral("WenQuanYi Zen Hei")}));
  font.setPixelSize(12);
  font.setWeight(QFont::Normal);
  font.setStyleHint(QFont::SansSerif, QFont::PreferQuality);
  return font;
}

void CDlgBasic::placeControl(QWidget* widget, int id, int x, int y, int w, int h) {
  if (widget == nullptr) return;
  widget->setProperty("controlId", id);
  widget->setGeometry(dluRect(x, y, w, h));
}

CDlgBasic::CDlgBasic(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      titleFont_(makeTitleFont()),
      textFont_(makeTextFont()) {
  icon_ = ResourceLoader::icon(kAppIcon);
  setWindowIcon(icon_);
  setWindowTitle(QStringLiteral("木棉"));
  setFont(textFont_);
  // Painting covers every pixel; skipping the erase avoids flicker.
  setAttribute(Qt::WA_OpaquePaintEvent);
  loadFrame(kFrame);

  closeButton_ = makeTitleButton(this, kCloseId, kCloseImages, QStringLiteral("关闭"));
  minimizeButton_ = makeTitleButton(this, kMinimizeId, kMinimizeImages, QStringLiteral("最小化"));
  placeTitleButtons();
  connect(closeButton_, &QAbstractButton::clicked, this, [this] { onCloseClicked(); });
  connect(minimizeButton_, &QAbstractButton::clicked, this, [this] { onMinimizeClicked(); });
}

CDlgBasic::~CDlgBasic() = default;

QWidget* CDlgBasic::control(int id) const {
  const QList<QWidget*> children = findChildren<QWidget*>();
  for (QWidget* child : children) {
    bool ok = false;
    const int childId = child->property("controlId").toInt(&ok);
    if (ok && childId == id) return child;
  }
  return nullptr;
}

void CDlgBasic::loadFrame(const int (&numbers)[FramePieces::Count]) {
  frame_.load(numbers);
  update();
}

void CDlgBasic::placeTitleButtons() {
  if (closeButton_)
    closeButton_->setGeometry(width() - kCloseFromRight, kTitleButtonTop, kTitleButtonSize, kTitleButtonSize);
  if (minimizeButton_)
    minimizeButton_->setGeometry(width() - kMinimizeFromRight, kTitleButtonTop, kTitleButtonSize, kTitleButtonSize);
}

void CDlgBasic::OnDrawBackground(QPainter& /*painter*/, int /*left*/, int /*top*/, int /*right*/, int /*bottom*/) {}

void CDlgBasic::onCloseClicked() {
  reject();
}

void CDlgBasic::onMinimizeClicked() {
  if (hideOnMinimize_)
    hide();
  else
    showMinimized();
}

void CDlgBasic::drawFrame(QPainter& painter, bool withBackground) {
  painter.fillRect(rect(), Qt::white);
  frame_.draw(painter, width(), height(), withBackground);
  OnDrawBackground(painter, 0, 0, width(), height());
}

void CDlgBasic::drawWindow(QPainter& painter) {
  drawFrame(painter, true);
}

void CDlgBasic::paintEvent(QPaintEvent* /*event*/) {
  placeTitleButtons();  // a window resized while hidden has had no resize event yet
  // Minimised or not, the window paints all of itself: a window manager
  // does not show a minimised window, and where none runs the window stays
  // on screen and must not lose its skin.
  QPainter screen(this);
  // Everything is composed off-screen first and reaches the screen in one
  // copy, so moving and resizing never show half-drawn frames.
  const qreal ratio = devicePixelRatioF();
  QPixmap picture(size() * ratio);
  picture.setDevicePixelRatio(ratio);
  {
    QPainter painter(&picture);
    drawWindow(painter);
  }
  screen.drawPixmap(0, 0, picture);
}

void CDlgBasic::resizeEvent(QResizeEvent* event) {
  placeTitleButtons();
  QDialog::resizeEvent(event);
}

void CDlgBasic::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && event->position().y() < kCaptionHeight) {
    captionMoving_ = true;
    moveOffset_ = event->globalPosition().toPoint() - pos();
    // Where the platform only lets the window manager move windows, hand it
    // the drag; elsewhere the window follows the mouse itself.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")) && windowHandle() &&
        windowHandle()->startSystemMove())
      captionMoving_ = false;
    event->accept();
    return;
  }
  QDialog::mousePressEvent(event);
}

void CDlgBasic::mouseMoveEvent(QMouseEvent* event) {
  if (captionMoving_ && (event->buttons() & Qt::LeftButton)) {
    move(event->globalPosition().toPoint() - moveOffset_);
    event->accept();
    return;
  }
  QDialog::mouseMoveEvent(event);
}

void CDlgBasic::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) captionMoving_ = false;
  QDialog::mouseReleaseEvent(event);
}

void CDlgBasic::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  // Coming back from minimised the window paints itself again, also where
  // no window manager asks it to.
  if (event->type() == QEvent::WindowStateChange) update();
  if (event->type() == QEvent::WindowStateChange && hideOnMinimize_ && isMinimized()) {
    // Minimized by the system (taskbar, keyboard): disappear into the
    // notification area as the minimize button does.
    QMetaObject::invokeMethod(
        this,
        [this] {
          setWindowState(windowState() & ~Qt::WindowMinimized);
          hide();
        },
        Qt::QueuedConnection);
  }
}

}  // namespace kiv
