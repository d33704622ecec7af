#pragma once

// Fakes shared by the model tests: conversation windows that log their end,
// and an observer that writes every change down as a line of text.

#include <memory>
#include <string>
#include <vector>

#include "model/ContactModelObserver.h"
#include "model/ConversationWindow.h"
#include "platform/Gbk.h"

namespace kiv::test {

class FakeWindow final : public ConversationWindow {
 public:
  FakeWindow(std::string name, std::shared_ptr<std::vector<std::string>> log)
      : name_(std::move(name)), log_(std::move(log)) {}
  void destroy() override {
    log_->push_back(name_);
    delete this;  // a real window deletes itself later; the registry has let go
  }
  bool isAlive() const override { return true; }

 private:
  std::string name_;
  std::shared_ptr<std::vector<std::string>> log_;
};

class RecordingObserver final : public ContactModelObserver {
 public:
  std::vector<std::string> events;

  static const char* listName(ContactListKind kind) {
    return kind == ContactListKind::kFriends ? "friend" : "stranger";
  }
  static std::string who(const ContactEntry& e) { return std::to_string(e.userId) + ":" + gbk::toUtf8(e.nickname); }

  void contactAdded(ContactListKind kind, int row, const ContactEntry& e) override {
    events.push_back(std::string(listName(kind)) + " +" + std::to_string(row) + " " + who(e));
  }
  void contactChanged(ContactListKind kind, int row, const ContactEntry& e) override {
    events.push_back(std::string(listName(kind)) + " ~" + std::to_string(row) + " " + who(e) + " t" +
                     std::to_string(e.terminal));
  }
  void contactRemoved(ContactListKind kind, int row, std::int32_t userId) override {
    events.push_back(std::string(listName(kind)) + " -" + std::to_string(row) + " " + std::to_string(userId));
  }
  void groupAdded(const GroupEntry& g) override { events.push_back("group +" + std::to_string(g.groupId)); }
  void groupChanged(const GroupEntry& g) override {
    events.push_back("group ~" + std::to_string(g.groupId) + " " + gbk::toUtf8(g.displayText));
  }
  void groupRemoved(std::int32_t groupId) override { events.push_back("group -" + std::to_string(groupId)); }
  void memberAdded(std::int32_t groupId, const ContactEntry& e, bool first) override {
    events.push_back("member +" + std::to_string(groupId) + (first ? " first " : " last ") + who(e));
  }
  void memberChanged(std::int32_t groupId, const ContactEntry& e) override {
    events.push_back("member ~" + std::to_string(groupId) + " " + who(e));
  }
  void memberRemoved(std::int32_t groupId, std::int32_t userId) override {
    events.push_back("member -" + std::to_string(groupId) + " " + std::to_string(userId));
  }
  void selfChanged(const SelfProfile& self) override {
    events.push_back("self " + std::to_string(self.userId) + ":" + gbk::toUtf8(self.nickname));
  }
  void avatarChanged(std::int32_t id, bool group) override {
    events.push_back(std::string(group ? "group" : "user") + " avatar " + std::to_string(id));
  }
};

}  // namespace kiv::test
