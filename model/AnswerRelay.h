#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "net/PendingRequest.h"
#include "net/ResponseReceiver.h"

namespace kiv {

class NetClient;
class ReceiverRegistry;

namespace relay_detail {

// The answer type a handler `void(const Request&, const Answer&)` takes.
template <class F>
struct HandlerOf : HandlerOf<decltype(&F::operator())> {};
template <class C, class R, class Q, class A>
struct HandlerOf<R (C::*)(const Q&, const A&) const> {
  using Asked = Q;
  using Answer = A;
};
template <class C, class R, class Q, class A>
struct HandlerOf<R (C::*)(const Q&, const A&)> {
  using Asked = Q;
  using Answer = A;
};

// Every answer carries its request's command with the top bit set.
template <class Request, class Answer>
inline constexpr bool kAnswers = Answer::kCommand == (Request::kCommand | 0x80000000u);

// One registered asker: it takes the answer on the receive thread, decodes
// it there and carries the decoded value over to the UI thread, where it is
// handed on only while the context still exists. A one-shot entry leaves the
// registry with its answer (a request is answered once); a standing one stays
// until its context goes.
class Entry : public ResponseReceiver {
 public:
  Entry(ReceiverRegistry& registry, QObject* context, bool once);
  ~Entry() override;

  // Registers the entry and ties it to its context; 0 when there is no
  // context to answer (it is gone already).
  static ReceiverHandle enroll(const std::shared_ptr<Entry>& entry);
  void retire();

  void OnServerResponse(const PendingRequest& request, const std::uint8_t* response, std::uint32_t size,
                        std::uint32_t command) final;

 protected:
  // Decodes an answer; an empty result when it is not the expected one.
  virtual std::function<void()> decode(const PendingRequest& request, const std::uint8_t* response, std::uint32_t size,
                                       std::uint32_t command) const = 0;

 private:
  ReceiverRegistry& registry_;
  QPointer<QObject> context_;  // read on the UI thread only
  const bool once_;
  ReceiverHandle handle_ = 0;
  QMetaObject::Connection watch_;  // removes the entry when the context goes
};

// The request bytes as stored, limited to what the slot can hold.
std::size_t storedLength(const PendingRequest& request);

template <class Request, class Answer>
class TypedEntry final : public Entry {
 public:
  using Handler = std::function<void(const Request&, const Answer&)>;
  TypedEntry(ReceiverRegistry& registry, QObject* context, bool once, Handler handler)
      : Entry(registry, context, once), handler_(std::move(handler)) {}

 protected:
  std::function<void()> decode(const PendingRequest& request, const std::uint8_t* response, std::uint32_t size,
                               std::uint32_t command) const override {
    if (command != Answer::kCommand) return {};
    // Both decoded here, off the UI thread; the packet buffers live only
    // for this call, the decoded values as long as the work does.
    auto asked = std::make_shared<const Request>(Request::read(request.packet, storedLength(request)));
    auto answer = std::make_shared<const Answer>(Answer::read(response, size));
    const Handler* handler = &handler_;
    return [handler, asked, answer] {
      if (*handler) (*handler)(*asked, *answer);
    };
  }

 private:
  const Handler handler_;
};

}  // namespace relay_detail

// Asks the server on behalf of a window and hands it the decoded, typed
// answer together with what it asked, on the UI thread:
//
//   session.relay().ask(UserInfoRequest{id}, this,
//       [this](const UserInfoRequest& asked, const UserInfoResponse& answer) { ... });
//
// The answer type comes from the handler and must be the request's answer
// (checked when compiling). Nothing is handed over once `context` (the
// window) is destroyed, nor an answer of another kind; the request is sent
// and resent by the connection as any other. A relay is a small value: make
// one where it is needed.
class AnswerRelay {
 public:
  explicit AnswerRelay(NetClient& net);
  AnswerRelay(NetClient& net, ReceiverRegistry& registry);

  // Queues `request`; true when the connection took it.
  template <class Request, class Handler>
  bool ask(const Request& request, QObject* context, Handler handler) {
    using Traits = relay_detail::HandlerOf<Handler>;
    using Answer = typename Traits::Answer;
    static_assert(std::is_same_v<typename Traits::Asked, Request>, "the handler takes what was asked first");
    static_assert(relay_detail::kAnswers<Request, Answer>, "the handler must take this request's answer");
    using Typed = relay_detail::TypedEntry<Request, Answer>;
    return enqueue(std::make_shared<Typed>(*registry_, context, true, typename Typed::Handler(std::move(handler))),
                   request.build(newKey()));
  }

  // Queues `request` whose answer nobody reads (it is still resent until the
  // server answers). `context` is the asking window: it bounds how long the
  // relay keeps waiting for the answer.
  template <class Request>
  bool tell(const Request& request, QObject* context) {
    return enqueue(std::make_shared<Silent>(*registry_, context), request.build(newKey()));
  }

  // A standing asker for answers to requests the connection sends by itself
  // (the own profile after a login, the friend list now and then): hand the
  // returned handle to the connection. It lasts as long as `context`.
  template <class Handler>
  ReceiverHandle listen(QObject* context, Handler handler) {
    using Traits = relay_detail::HandlerOf<Handler>;
    using Request = std::remove_cv_t<typename Traits::Asked>;
    using Answer = std::remove_cv_t<typename Traits::Answer>;
    static_assert(relay_detail::kAnswers<Request, Answer>, "the handler must take this request's answer");
    using Typed = relay_detail::TypedEntry<Request, Answer>;
    return relay_detail::Entry::enroll(
        std::make_shared<Typed>(*registry_, context, false, typename Typed::Handler(std::move(handler))));
  }

 private:
  class Silent final : public relay_detail::Entry {
   public:
    Silent(ReceiverRegistry& registry, QObject* context) : Entry(registry, context, true) {}

   protected:
    std::function<void()> decode(const PendingRequest&, const std::uint8_t*, std::uint32_t,
                                 std::uint32_t) const override {
      return {};
    }
  };

  HeaderKey newKey() const;
  bool enqueue(const std::shared_ptr<relay_detail::Entry>& entry, const std::vector<std::uint8_t>& packet);

  NetClient* net_;
  ReceiverRegistry* registry_;
};

}  // namespace kiv
