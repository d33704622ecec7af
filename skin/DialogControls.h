#pragma once

#include <QRect>
#include <QString>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace kiv {

class CBitButtonNL;

// Building blocks of the search and profile windows: every control gets its
// number (controlId, 0 for none) and an accessible name.
namespace controls {

// Gives `widget` its number, accessible name and place.
void tag(QWidget* widget, int id, const QString& name, const QRect& geometry);

// A picture button lettered by its pictures (normal, pressed, hover); `text`
// is its caption for screen readers and tests, not drawn.
CBitButtonNL* button(QWidget* parent, int id, const QString& text, int normal, int pressed, int hover,
                     const QRect& geometry);
QLabel* label(QWidget* parent, const QString& text, const QRect& geometry, int id = 0);
// A one-line box; read-only ones keep no frame, so they read as text.
QLineEdit* lineEdit(QWidget* parent, int id, const QString& name, const QRect& geometry, bool readOnly = false);

// Keeps what the user types within `maxBytes` bytes of GBK, never cutting a
// character in two: what would go beyond is not taken, as a full box refuses
// keys. Text already in the box is never cut, so a longer text the program
// put there (with setUnlimitedText) stays whole until the user shortens it.
void limitGbkBytes(QLineEdit* edit, int maxBytes);
void limitGbkBytes(QPlainTextEdit* edit, int maxBytes);
void setUnlimitedText(QLineEdit* edit, const QString& text);
void setUnlimitedText(QPlainTextEdit* edit, const QString& text);

// The edit the user made from `before` to `after`, with the inserted part
// cut so that the text has at most max(maxBytes, GBK bytes of `before`)
// bytes; `cursor` gets the position after what was kept.
QString limitedEdit(const QString& before, const QString& after, int maxBytes, int* cursor);

}  // namespace controls
}  // namespace kiv
