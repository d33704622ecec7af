#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

namespace kiv {

class Pauser;

// The threads of a connection, counted by generation. Every start (and the
// shutdown) begins a new generation; a thread of an older one does nothing
// more once it notices. A thread inside a call out (an observer or receiver
// call) may be waiting for the very thread that would wait for it, so such a
// thread is never waited for: it ends as soon as its call returns.
class WorkerThreads {
 public:
  explicit WorkerThreads(Pauser& pauser) : pauser_(pauser) {}

  std::uint64_t generation() const { return generation_; }
  bool current(std::uint64_t gen) const { return generation_ == gen; }

  // Ends the current generation: its threads stop at their next look, the
  // pauses they sit in are cut short.
  void retire();
  // Waits until every thread has ended or sits in a call out.
  void waitForRetired();
  // Waits until no thread of any generation runs any more.
  bool waitForAll(std::chrono::milliseconds timeout);
  // Whether a thread runs that is not inside a call out.
  bool busy() const;

  // Runs `main` on a thread of its own, counted until it calls ended().
  // False (and nothing counted) when no thread could be had.
  bool spawn(std::function<void()> main);
  // Counts a thread that runs `main` on a caller's thread instead.
  void counted() { change(+1, 0); }
  void ended() { change(-1, 0); }

  // Runs an observer, receiver or other call out of the connection. False
  // when this thread's generation ended meanwhile: the caller must end at once.
  template <class F>
  bool callOut(std::uint64_t gen, F&& f) {
    change(0, +1);
    try {
      f();
    } catch (...) {
      // An observer's failure must not take the connection down with it.
    }
    change(0, -1);
    return current(gen);
  }

 private:
  void change(int alive, int inCallback);

  Pauser& pauser_;
  std::atomic<std::uint64_t> generation_{0};
  mutable std::mutex lock_;
  std::condition_variable changed_;
  int alive_ = 0;       // threads of any generation still running
  int inCallback_ = 0;  // of those, the ones inside a call out
};

}  // namespace kiv
