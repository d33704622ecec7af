#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "skin/CDlgBasic.h"

class QComboBox;
class QTreeWidget;
class QTreeWidgetItem;

namespace kiv {

class BusyDisplay;
class CBitButtonNL;
class CMacProgressCtrl;
struct ClientSession;
struct AddFriendRequest;
struct AddFriendResponse;
struct InviteToGroupRequest;
struct InviteToGroupResponse;
struct JoinGroupRequest;
struct JoinGroupResponse;
struct SearchRequest;
struct SearchResponse;

// The results of one search, a page at a time, run modally by the search
// form. From the list the user adds a user as a friend, invites a user into
// a group the user created, or asks to join a group; every answer is told in
// a message box and the dialog stays open.
//
// Answers come while the dialog's own event loop runs; once the run has
// ended (closed with a request still open) late answers are dropped.
class CDlgSearchRet : public CDlgBasic {
  Q_OBJECT
 public:
  enum Control {
    kList = 1054,
    kNextPage = 1055,
    kPreviousPage = 1056,
    kAddFriend = 1057,
    kInvite = 1058,
    kJoinGroup = 1059,
    kOwnGroups = 1060,
    kBusyBar = 1071,
  };
  // A page holds this many hits when another may follow.
  static constexpr int kFullPage = 10;

  // Sends the request for page 0 of a search of `kind` (SearchRequest::Kind)
  // for `text` (already trimmed).
  CDlgSearchRet(ClientSession& session, int kind, const QString& text, QWidget* parent = nullptr);
  ~CDlgSearchRet() override;

  int kind() const { return kind_; }
  int page() const { return page_; }
  bool userSearch() const;
  bool busy() const;

 public slots:
  void done(int result) override;

 private:
  // What the list shows of one hit, looked up by its number.
  struct Row {
    bool found = false;
    std::string name;    // GBK, as the hit carried it
    QString nameShown;   // as shown (the number when the row is gone)
    QString stateShown;  // the online-state column ("" for groups)
  };

  void requestPage(int page);
  void showPage(const SearchRequest& asked, const SearchResponse& page);
  void setColumns();
  void addFriend();
  void invite();
  void join();
  // Before a request: the busy display on; false (and a message) when the
  // connection is stopped.
  bool startAsking();
  // Before an answer is shown: the busy display off; false once the run
  // has ended (late answers are dropped).
  bool takeAnswer();
  // The number of the chosen row; without one, says so and gives nothing.
  std::optional<std::uint32_t> chosenNumber() const;
  Row rowOf(std::uint32_t number) const;

  void answerAddFriend(const AddFriendRequest& asked, const AddFriendResponse& reply);
  void answerInvite(const InviteToGroupRequest& asked, const InviteToGroupResponse& reply);
  void answerJoin(const JoinGroupRequest& asked, const JoinGroupResponse& reply);

  ClientSession& session_;
  int kind_;
  std::string text_;  // GBK, at most the 16 bytes the request carries
  int page_ = 0;
  bool closed_ = false;
  QTreeWidget* list_ = nullptr;
  CBitButtonNL* addFriend_ = nullptr;
  CBitButtonNL* invite_ = nullptr;
  CBitButtonNL* join_ = nullptr;
  CBitButtonNL* previous_ = nullptr;
  CBitButtonNL* next_ = nullptr;
  QComboBox* groups_ = nullptr;
  CMacProgressCtrl* bar_ = nullptr;
  std::unique_ptr<BusyDisplay> busy_;
};

}  // namespace kiv
