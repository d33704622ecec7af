#include "chat/InputStyle.h"

#include <QColorDialog>
#include <QFontDialog>
#include <QTextCursor>

#include "chat/CRichEditCtrlEx.h"
#include "skin/DialogControls.h"
#include "skin/CBitButtonNL.h"

namespace kiv {
namespace {

constexpr int kButtonSide = 24;
constexpr int kGap = 4;
// Pictures of the skin: normal, pressed, hover.
constexpr int kFontImages[3] = {281, 279, 280};
constexpr int kColourImages[3] = {362, 363, 364};

std::optional<QFont> askFontDialog(const QFont& current, QWidget* parent) {
  bool ok = false;
  const QFont chosen = QFontDialog::getFont(&ok, current, parent, QStringLiteral("字体"), QFontDialog::ScalableFonts);
  if (!ok) return std::nullopt;
  return chosen;
}

std::optional<QColor> askColourDialog(const QColor& current, QWidget* parent) {
  const QColor chosen = QColorDialog::getColor(current, parent, QStringLiteral("颜色"));
  if (!chosen.isValid()) return std::nullopt;
  return chosen;
}

CBitButtonNL* toolButton(QWidget* window, int id, const QString& text, const int (&images)[3], QPoint at) {
  CBitButtonNL* button =
      controls::button(window, id, text, images[0], images[1], images[2], QRect(at, QSize(kButtonSide, kButtonSide)));
  button->setToolTip(text);
  return button;
}

}  // namespace

InputStyle::InputStyle(CRichEditCtrlEx* input, const QFont& font, QWidget* window, const QPoint& topLeft)
    : QObject(window), input_(input), window_(window), fontChooser_(askFontDialog), colourChooser_(askColourDialog) {
  format_.setFont(font);
  format_.setFontWeight(QFont::Normal);
  format_.setFontUnderline(false);
  format_.setForeground(QColor(Qt::black));
  input_->setFont(font);
  input_->setCurrentCharFormat(format_);
  fontButton_ = toolButton(window, kFontId, QStringLiteral("字体"), kFontImages, topLeft);
  colourButton_ = toolButton(window, kColourId, QStringLiteral("颜色"), kColourImages,
                             topLeft + QPoint(kButtonSide + kGap, 0));
  connect(fontButton_, &QAbstractButton::clicked, this, &InputStyle::chooseFont);
  connect(colourButton_, &QAbstractButton::clicked, this, &InputStyle::chooseColour);
}

int InputStyle::right() const {
  return colourButton_->geometry().right() + 1;
}

void InputStyle::chooseFont() {
  if (!fontChooser_) return;
  const auto chosen = fontChooser_(input_->currentCharFormat().font(), window_);
  if (!chosen) return;
  format_.setFont(*chosen);
  input_->setFont(*chosen);
  apply();
}

void InputStyle::chooseColour() {
  if (!colourChooser_) return;
  const auto chosen = colourChooser_(format_.foreground().color(), window_);
  if (!chosen) return;
  format_.setForeground(*chosen);
  apply();
}

void InputStyle::apply() {
  // What is typed already takes the look too, not only what comes next.
  QTextCursor all(input_->document());
  all.select(QTextCursor::Document);
  all.mergeCharFormat(format_);
  input_->setCurrentCharFormat(format_);
}

}  // namespace kiv
