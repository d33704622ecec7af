#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "storage/HistorySearchIndex.h"

namespace kiv {

class ContactModel;

// One found message as the history viewer lists it.
struct HistorySearchRow {
  std::string conversationName;  // the contact's or group's name, else its number (UTF-8)
  HistorySearchHit hit;          // time, plain text and marks in UTF-8
};

// Finding messages by a word across every conversation of the account, for
// the history viewer: which query is shown, its rows so far, whether older
// ones may follow, and where a row's message sits in its conversation.
//
// The index behind it may need seconds to be built, so every index call runs
// on a worker thread of this object, one after the other; what they find is
// handed to `post`, which must run it on the thread that owns this object
// and `model` (the UI thread), where `changed` is called. The object may be
// destroyed at any time: work already handed over is then dropped, and a
// build that is still running finishes on its own without it.
class HistorySearch {
 public:
  enum class State {
    kClosed,     // no account folder given yet
    kPreparing,  // the index is being opened or built
    kReady,
    kUnavailable,  // the index could not be opened: every search finds nothing
  };
  using Post = std::function<void(std::function<void()>)>;

  HistorySearch(const ContactModel& model, Post post);
  ~HistorySearch();
  HistorySearch(const HistorySearch&) = delete;
  HistorySearch& operator=(const HistorySearch&) = delete;

  // Called on every change of state(), rows(), hasMore() or searching().
  void setChanged(std::function<void()> changed) { changed_ = std::move(changed); }

  // Starts preparing the index of the account whose folder this is. Giving
  // the folder already opened again does nothing, unless its index could
  // not be opened: it is tried once more.
  void open(const std::string& accountDirectory);

  // Starts a new search (UTF-8), forgetting the rows of the last one; an
  // answer still on its way for an earlier query is ignored.
  void find(const std::string& utf8Query);
  // Asks for the next older rows of the current query; nothing while a
  // search runs or when there are no more.
  void more();

  // Asks for the history page (0 = newest) that shows row `index`; `shown`
  // gets it on the UI thread, or -1 when the message is gone.
  void locate(std::size_t index, std::function<void(int page)> shown);

  State state() const { return state_; }
  const std::string& query() const { return query_; }
  const std::vector<HistorySearchRow>& rows() const { return rows_; }
  bool hasMore() const { return next_ != 0; }
  bool searching() const { return searching_; }

 private:
  struct Worker;
  void request(std::int64_t before);
  void received(std::uint64_t generation, HistorySearchPage page);
  std::string nameOf(const HistorySearchHit& hit) const;
  // Runs `work` on the worker, then `done` on the UI thread unless this
  // object is gone by then.
  void run(std::function<void(HistorySearchIndex&)> work, std::function<void()> done);
  void notify() const;

  const ContactModel& model_;
  Post post_;
  std::shared_ptr<Worker> worker_;
  // Lives as long as this object; the answers check it before use.
  std::shared_ptr<const HistorySearch*> self_;
  std::function<void()> changed_;
  std::string directory_;
  State state_ = State::kClosed;
  std::string query_;
  std::vector<HistorySearchRow> rows_;
  std::int64_t next_ = 0;
  bool searching_ = false;
  std::uint64_t generation_ = 0;
};

}  // namespace kiv
