#include "model/HistorySearch.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "model/ContactModel.h"
#include "model/ItemTexts.h"
#include "platform/Gbk.h"

namespace kiv {

// The thread that does every index call, in the order asked. It owns the
// index and outlives the HistorySearch that started it until its current
// call returns: a first build cannot be interrupted, and closing the window
// must not wait for it.
struct HistorySearch::Worker {
  using Job = std::function<void(HistorySearchIndex&)>;

  std::mutex mutex;
  std::condition_variable wake;
  std::deque<Job> jobs;
  bool stopping = false;
  HistorySearchIndex index;

  static void loop(std::shared_ptr<Worker> self) {
    for (;;) {
      Job job;
      {
        std::unique_lock lock(self->mutex);
        self->wake.wait(lock, [&] { return self->stopping || !self->jobs.empty(); });
        if (self->jobs.empty()) return;  // stopping, nothing left
        job = std::move(self->jobs.front());
        self->jobs.pop_front();
      }
      job(self->index);
    }
  }

  void push(Job job) {
    std::lock_guard lock(mutex);
    jobs.push_back(std::move(job));
    wake.notify_one();
  }

  void stop() {
    std::lock_guard lock(mutex);
    stopping = true;
    jobs.clear();
    wake.notify_one();
  }
};

HistorySearch::HistorySearch(const ContactModel& model, Post post)
    : model_(model),
      post_(std::move(post)),
      worker_(std::make_shared<Worker>()),
      self_(std::make_shared<const HistorySearch*>(this)) {
  std::thread(&Worker::loop, worker_).detach();
}

HistorySearch::~HistorySearch() {
  worker_->stop();
}

void HistorySearch::run(std::function<void(HistorySearchIndex&)> work, std::function<void()> done) {
  std::weak_ptr<const HistorySearch*> alive = self_;
  worker_->push(
      [work = std::move(work), done = std::move(done), alive, post = post_](HistorySearchIndex& index) mutable {
        work(index);
        // `alive` is only looked at on the UI thread, where this object dies.
        post([done = std::move(done), alive] {
          if (!alive.expired()) done();
        });
      });
}

void HistorySearch::open(const std::string& accountDirectory) {
  // An index that could not be opened is tried again each time.
  if (accountDirectory.empty() || (accountDirectory == directory_ && state_ != State::kUnavailable)) return;
  directory_ = accountDirectory;
  state_ = State::kPreparing;
  ++generation_;  // rows of another account are not this one's
  rows_.clear();
  next_ = 0;
  searching_ = false;
  auto opened = std::make_shared<bool>(false);
  run([opened, accountDirectory](HistorySearchIndex& index) { *opened = index.open(accountDirectory); },
      [this, opened, accountDirectory] {
        if (accountDirectory != directory_) return;  // another account's folder was given since
        state_ = *opened ? State::kReady : State::kUnavailable;
        notify();
      });
  notify();
}

void HistorySearch::find(const std::string& utf8Query) {
  ++generation_;
  query_ = utf8Query;
  rows_.clear();
  next_ = 0;
  request(0);
}

void HistorySearch::more() {
  if (searching_ || next_ == 0) return;
  request(next_);
}

void HistorySearch::request(std::int64_t before) {
  if (state_ == State::kClosed) {
    notify();
    return;
  }
  searching_ = true;
  auto page = std::make_shared<HistorySearchPage>();
  const std::uint64_t generation = generation_;
  run([page, query = query_, before](HistorySearchIndex& index) { *page = index.search(query, before); },
      [this, page, generation] { received(generation, std::move(*page)); });
  notify();
}

void HistorySearch::received(std::uint64_t generation, HistorySearchPage page) {
  if (generation != generation_) return;  // a newer query has been asked since
  searching_ = false;
  if (page.ok) {
    next_ = page.next;
    for (HistorySearchHit& hit : page.hits) {
      std::string name = nameOf(hit);
      rows_.push_back(HistorySearchRow{std::move(name), std::move(hit)});
    }
  } else {
    next_ = 0;  // an unreadable index answers nothing, now or later on this query
  }
  notify();
}

void HistorySearch::locate(std::size_t index, std::function<void(int page)> shown) {
  if (index >= rows_.size() || state_ != State::kReady) return;
  auto page = std::make_shared<int>(-1);
  run([page, hit = rows_[index].hit](HistorySearchIndex& searchIndex) { *page = searchIndex.historyPage(hit); },
      [page, shown = std::move(shown)] { shown(*page); });
}

std::string HistorySearch::nameOf(const HistorySearchHit& hit) const {
  std::string gbkName;
  if (hit.group) {
    if (const GroupEntry* group = model_.findGroup(hit.conversation)) gbkName = texts::groupNameOf(group->displayText);
  } else if (const ContactEntry* contact = model_.findFriend(hit.conversation)) {
    gbkName = contact->nickname;
  } else if (const ContactEntry* stranger = model_.findStranger(hit.conversation)) {
    gbkName = stranger->nickname;
  } else if (auto member = model_.findMemberInAnyGroup(hit.conversation)) {
    gbkName = member->nickname;
  }
  gbkName = texts::trimmed(gbkName);
  // A conversation with nobody the lists know is named by its number.
  return gbkName.empty() ? std::to_string(hit.conversation) : gbk::toUtf8(gbkName);
}

void HistorySearch::notify() const {
  if (changed_) changed_();
}

}  // namespace kiv
