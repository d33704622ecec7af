#pragma once

#include <QString>

#include "skin/CDlgBasic.h"

class QButtonGroup;
class QLineEdit;
class QRadioButton;

namespace kiv {

class CBitButtonNL;
class CDlgSearchRet;
struct ClientSession;

// The search form: find users or groups by number or by name. The main
// window keeps one and shows it; "查找" runs the results dialog modally.
// Tab and option survive between searches; the text is cleared by
// switching tabs and by "重置".
class CDlgSearch : public CDlgBasic {
  Q_OBJECT
 public:
  enum Control {
    kFind = 1,
    kReset = 2,
    kFriendTab = 1045,
    kGroupTab = 1046,
    kNumberOption = 1047,
    kNameOption = 1048,
    kText = 1049,
  };
  enum Tab { kFriends = 0, kGroups = 1 };
  enum Option { kByNumber = 0, kByName = 1 };

  explicit CDlgSearch(ClientSession& session, QWidget* parent = nullptr);

  // "查找": shows the form as it was left.
  void showSearch();
  // "添加好友", "添加群成员": the friend tab, searching by number.
  void showFriendSearch();
  // "搜索群": the group tab, searching by number.
  void showGroupSearch();

  int tab() const { return tab_; }
  int option() const;
  // The search kind the form's state stands for (SearchRequest::Kind).
  int searchKind() const;

 signals:
  // A results dialog is about to run modally (tests and the gallery reach it
  // here).
  void resultsOpened(CDlgSearchRet* results);

 protected:
  void OnDrawBackground(QPainter& painter, int left, int top, int right, int bottom) override;

 private:
  void selectTab(int tab);
  void selectOption(int option);
  void find();
  void raiseForm();

  ClientSession& session_;
  int tab_ = kFriends;
  CBitButtonNL* friendTab_ = nullptr;
  CBitButtonNL* groupTab_ = nullptr;
  QRadioButton* numberOption_ = nullptr;
  QRadioButton* nameOption_ = nullptr;
  QButtonGroup* options_ = nullptr;
  QLineEdit* text_ = nullptr;
};

}  // namespace kiv
