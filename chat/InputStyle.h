#pragma once

#include <QColor>
#include <QFont>
#include <QObject>
#include <QTextCharFormat>
#include <functional>
#include <optional>

class QPoint;
class QWidget;

namespace kiv {

class CBitButtonNL;
class CRichEditCtrlEx;

// The look of what the user types in a conversation: a font and a colour,
// each chosen with its tool button beside the input box. The input box shows
// them, and the own echo in the conversation is written in them.
class InputStyle : public QObject {
  Q_OBJECT
 public:
  static constexpr int kFontId = 1077;
  static constexpr int kColourId = 1078;

  // The dialogs; tests put scripted ones in their place. Nothing means
  // cancelled.
  using FontChooser = std::function<std::optional<QFont>(const QFont& current, QWidget* parent)>;
  using ColourChooser = std::function<std::optional<QColor>(const QColor& current, QWidget* parent)>;

  // Starts with `font`, plain and black; the two buttons go side by side
  // from `topLeft` on `window`.
  InputStyle(CRichEditCtrlEx* input, const QFont& font, QWidget* window, const QPoint& topLeft);

  const QTextCharFormat& format() const { return format_; }
  // The right edge of the buttons, for what follows them on the tool bar.
  int right() const;

  void chooseFont();
  void chooseColour();
  void setFontChooser(FontChooser chooser) { fontChooser_ = std::move(chooser); }
  void setColourChooser(ColourChooser chooser) { colourChooser_ = std::move(chooser); }

 private:
  void apply();

  CRichEditCtrlEx* input_;
  QWidget* window_;
  QTextCharFormat format_;
  FontChooser fontChooser_;
  ColourChooser colourChooser_;
  CBitButtonNL* fontButton_ = nullptr;
  CBitButtonNL* colourButton_ = nullptr;
};

}  // namespace kiv
