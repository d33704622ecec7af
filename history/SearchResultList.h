#pragma once

#include <QTreeWidget>
#include <string>
#include <vector>

#include "storage/SearchText.h"

namespace kiv {

struct HistorySearchRow;

// The messages a history search found: conversation, time and the text with
// every match marked, newest first, and a last row "更多结果…" while older
// ones may follow. Texts are shown as plain text whatever they look like;
// the marks are drawn as formatting, never as markup.
class SearchResultList : public QTreeWidget {
  Q_OBJECT
 public:
  enum Column { kConversation, kTime, kText };
  // The UTF-16 stretches of the text column to mark: a list of QPoint
  // (start, length).
  static constexpr int kMarksRole = Qt::UserRole + 10;
  static constexpr int kRowRole = Qt::UserRole + 11;  // the row's index, -1 for "更多结果…"

  explicit SearchResultList(QWidget* parent = nullptr);

  // Shows `rows`. Rows already shown stay as they are (with the scroll
  // position) when `rows` only adds to them.
  void setRows(const std::vector<HistorySearchRow>& rows, bool hasMore);
  int rowCount() const { return shownRows_; }
  QTreeWidgetItem* moreItem() const { return more_; }

  // The text a row shows for `text` (UTF-8) with its marks (UTF-8 bytes):
  // line breaks and tabs as spaces, and when the first match lies far in,
  // cut to start shortly before it behind "…". Marks are UTF-16 (start, length).
  static QString rowText(const std::string& text, const std::vector<searchtext::Mark>& marks,
                         QList<QVariant>* utf16Marks);

 signals:
  void chosen(int row);
  void moreWanted();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void activate(QTreeWidgetItem* item);

  int shownRows_ = 0;
  QTreeWidgetItem* more_ = nullptr;
};

}  // namespace kiv
