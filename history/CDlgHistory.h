#pragma once

#include <QPixmap>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "model/HistorySearch.h"
#include "skin/CDlgBasic.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace kiv {

class CBitButtonNL;
class SearchResultList;
struct ClientSession;

// The message manager: every friend, group (with its members) and stranger
// in a tree on the left; a double-click shows the stored conversation with
// it on the right, one page of twenty entries at a time, newest first.
//
// The page counter runs one past the page shown after "下一页", so the first
// "上一页" after it shows the same page again and the next one the page
// before; it never goes below the first page, and a page past the end
// changes nothing. Enter pages back and Escape forward.
//
// Above the pane, a search box finds messages by a word across every
// conversation of the account; the results take the pane's place until one
// of them is chosen, which shows the page of its conversation holding it.
class CDlgHistory : public CDlgBasic {
  Q_OBJECT
 public:
  static constexpr int kTreeId = 1034;
  static constexpr int kPaneId = 1051;
  static constexpr int kPreviousId = 1;
  static constexpr int kNextId = 2;
  static constexpr int kSearchBoxId = 1060;
  static constexpr int kFindId = 1061;
  static constexpr int kResultsId = 1062;
  static constexpr int kSearchStatusId = 1063;
  static constexpr int kItemHeight = 25;
  static constexpr int kPictureSize = 20;

  explicit CDlgHistory(ClientSession& session, QWidget* parent = nullptr);

  // Fills the tree from the contact model again; what was chosen is
  // forgotten and the pane emptied (its item is gone).
  void Rebuild();

  // What a double-click on `item` does: a contact or group becomes the
  // chosen one and its newest page is shown; a root item or none does
  // nothing.
  void choose(QTreeWidgetItem* item);
  void nextPage();
  void previousPage();
  // Searches for what the search box holds and shows the results.
  void startSearch();

  QTreeWidget* tree() const { return tree_; }
  QPlainTextEdit* pane() const { return pane_; }
  QTreeWidgetItem* friendsRoot() const { return friendsRoot_; }
  QTreeWidgetItem* groupsRoot() const { return groupsRoot_; }
  QTreeWidgetItem* strangersRoot() const { return strangersRoot_; }
  QLineEdit* searchBox() const { return searchBox_; }
  SearchResultList* results() const { return results_; }
  QLabel* searchStatus() const { return searchStatus_; }
  const HistorySearch& search() const { return search_; }

 protected:
  void OnDrawBackground(QPainter& painter, int left, int top, int right, int bottom) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // Whose history is shown: a group's (group table) or a person's.
  struct Choice {
    std::int32_t id = 0;
    bool group = false;
  };
  using PictureKey = std::pair<std::int32_t, bool>;  // id, group

  std::string readPage(int page) const;
  void showPage(const std::string& text);
  QTreeWidgetItem* addRoot(const QString& text);
  QTreeWidgetItem* addItem(QTreeWidgetItem* parent, const std::string& text, std::int32_t id, bool group);
  void pictureArrived(std::uint64_t build, PictureKey key, const QImage& picture);
  void buildSearchControls();
  void searchChanged();
  void chooseResult(int row);
  void showFound(const HistorySearchHit& hit, int page);
  void showResults(bool shown);

  ClientSession& session_;
  QPixmap leftPane_;
  QTreeWidget* tree_ = nullptr;
  QLabel* heading_ = nullptr;
  QPlainTextEdit* pane_ = nullptr;
  CBitButtonNL* previous_ = nullptr;
  CBitButtonNL* next_ = nullptr;
  QTreeWidgetItem* friendsRoot_ = nullptr;
  QTreeWidgetItem* groupsRoot_ = nullptr;
  QTreeWidgetItem* strangersRoot_ = nullptr;
  QLineEdit* searchBox_ = nullptr;
  CBitButtonNL* find_ = nullptr;
  SearchResultList* results_ = nullptr;
  QLabel* searchStatus_ = nullptr;
  HistorySearch search_;

  std::optional<Choice> current_;
  int pageCounter_ = 0;
  // The items of the current tree by the picture they show, for avatars
  // that arrive later; `build_` tells the trees apart.
  std::multimap<PictureKey, QTreeWidgetItem*> pictured_;
  std::uint64_t build_ = 0;
};

}  // namespace kiv
