#include "skin/DialogControls.h"

#include <QLabel>
#include <algorithm>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>

#include "platform/Gbk.h"
#include "platform/qt/GbkQt.h"
#include "skin/CBitButtonNL.h"

namespace kiv::controls {

namespace {

// The longest prefix of `text` that fits `maxBytes` GBK bytes, as a QString.
QString fitted(const QString& text, int maxBytes) {
  const std::string gbk = toGbk(text);
  if (gbk.size() <= static_cast<std::size_t>(maxBytes)) return text;
  // Count the characters of the prefix that fits: each maps to one or two
  // bytes, and characters GBK lacks become one '?'.
  const std::size_t fit = gbk::fitLength(gbk, static_cast<std::size_t>(maxBytes));
  std::size_t bytes = 0;
  int keep = 0;
  while (keep < text.size()) {
    const int width = text.at(keep).isHighSurrogate() && keep + 1 < text.size() ? 2 : 1;
    const std::size_t size = toGbk(text.mid(keep, width)).size();
    if (bytes + size > fit) break;
    bytes += size;
    keep += width;
  }
  return text.left(keep);
}

}  // namespace

void tag(QWidget* widget, int id, const QString& name, const QRect& geometry) {
  if (id != 0) widget->setProperty("controlId", id);
  widget->setAccessibleName(name);
  widget->setGeometry(geometry);
}

CBitButtonNL* button(QWidget* parent, int id, const QString& text, int normal, int pressed, int hover,
                     const QRect& geometry) {
  auto* b = new CBitButtonNL(text, parent);
  b->setBitmaps(normal, pressed, hover);
  b->setAutoDefault(false);
  tag(b, id, text, geometry);
  return b;
}

QLabel* label(QWidget* parent, const QString& text, const QRect& geometry, int id) {
  auto* l = new QLabel(text, parent);
  tag(l, id, text, geometry);
  return l;
}

QLineEdit* lineEdit(QWidget* parent, int id, const QString& name, const QRect& geometry, bool readOnly) {
  auto* edit = new QLineEdit(parent);
  tag(edit, id, name, geometry);
  if (readOnly) {
    edit->setReadOnly(true);
    edit->setFrame(false);
  }
  return edit;
}

namespace {

// Remembers the text before each change, to tell what the user inserted.
class GbkLimiter : public QObject {
 public:
  GbkLimiter(QObject* edit, int maxBytes) : QObject(edit), maxBytes_(maxBytes) {
    setObjectName(QStringLiteral("kivGbkLimiter"));
  }

  // The text after the change, or nothing to change; `cursor` where the
  // cursor goes.
  template <class Apply>
  void changed(const QString& now, Apply apply) {
    if (applying_) return;
    int cursor = 0;
    const QString kept = program_ ? now : limitedEdit(previous_, now, maxBytes_, &cursor);
    previous_ = kept;
    if (kept.size() == now.size()) return;
    applying_ = true;
    apply(kept, cursor);
    applying_ = false;
  }
  void setByProgram(bool on) { program_ = on; }

 private:
  int maxBytes_;
  QString previous_;
  bool applying_ = false;
  bool program_ = false;
};

GbkLimiter* limiterOf(QObject* edit) {
  return edit->findChild<GbkLimiter*>(QStringLiteral("kivGbkLimiter"), Qt::FindDirectChildrenOnly);
}

std::size_t gbkBytes(const QString& text) {
  return toGbk(text).size();
}

}  // namespace

QString limitedEdit(const QString& before, const QString& after, int maxBytes, int* cursor) {
  const std::size_t allowed = std::max(static_cast<std::size_t>(std::max(maxBytes, 0)), gbkBytes(before));
  qsizetype prefix = 0;
  while (prefix < before.size() && prefix < after.size() && before.at(prefix) == after.at(prefix)) ++prefix;
  qsizetype suffix = 0;
  while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
         before.at(before.size() - 1 - suffix) == after.at(after.size() - 1 - suffix))
    ++suffix;
  const QString inserted = after.mid(prefix, after.size() - prefix - suffix);
  const QString head = after.left(prefix);
  const QString tail = after.right(suffix);
  if (cursor != nullptr) *cursor = static_cast<int>(prefix + inserted.size());
  if (gbkBytes(after) <= allowed) return after;
  const std::size_t base = gbkBytes(head + tail);
  const int budget = base >= allowed ? 0 : static_cast<int>(allowed - base);
  const QString kept = fitted(inserted, budget);
  if (cursor != nullptr) *cursor = static_cast<int>(prefix + kept.size());
  return head + kept + tail;
}

void limitGbkBytes(QLineEdit* edit, int maxBytes) {
  auto* limiter = new GbkLimiter(edit, maxBytes);
  QObject::connect(edit, &QLineEdit::textChanged, limiter, [edit, limiter](const QString& text) {
    limiter->changed(text, [edit](const QString& kept, int cursor) {
      edit->setText(kept);
      edit->setCursorPosition(cursor);
    });
  });
}

void limitGbkBytes(QPlainTextEdit* edit, int maxBytes) {
  auto* limiter = new GbkLimiter(edit, maxBytes);
  QObject::connect(edit, &QPlainTextEdit::textChanged, limiter, [edit, limiter] {
    limiter->changed(edit->toPlainText(), [edit](const QString& kept, int cursor) {
      edit->setPlainText(kept);
      QTextCursor at = edit->textCursor();
      at.setPosition(cursor);
      edit->setTextCursor(at);
    });
  });
}

void setUnlimitedText(QLineEdit* edit, const QString& text) {
  GbkLimiter* limiter = limiterOf(edit);
  if (limiter) limiter->setByProgram(true);
  edit->setText(text);
  if (limiter) limiter->setByProgram(false);
}

void setUnlimitedText(QPlainTextEdit* edit, const QString& text) {
  GbkLimiter* limiter = limiterOf(edit);
  if (limiter) limiter->setByProgram(true);
  edit->setPlainText(text);
  if (limiter) limiter->setByProgram(false);
}

}  // namespace kiv::controls
