#pragma once

#include <cstdint>
#include <string>

#include "net/ConversationKind.h"

// The rows the Store hands out. Every text is GBK bytes as stored.
namespace kiv::server {

struct Account {
  std::uint32_t userId = 0;
  std::string phone;
  std::string password;
  std::string nickname;
  std::string sex;
  std::string introduction;
  std::int32_t points = 0;
  std::string city;
  std::string birthday;  // "" or 8 digits YYYYMMDD
  bool cancelled = false;
};

struct Group {
  std::uint32_t groupId = 0;
  std::string name;
  std::string category;
  std::string introduction;
  std::uint8_t type = 1;  // 2 broadcast, 1 ordinary
  std::uint32_t owner = 0;
  std::string created;  // 12 digits YYMMDDhhmmss
  bool dismissed = false;
};

// A group as one member sees it.
struct Membership {
  std::uint32_t groupId = 0;
  std::string name;
  bool owner = false;
  bool shielded = false;
};

struct Member {
  std::uint32_t userId = 0;
  std::string nickname;
  bool owner = false;
  bool shielded = false;
};

// Id and name: a friend, a search hit.
struct NamedId {
  std::uint32_t id = 0;
  std::string name;
};


// A conversation with waiting messages for one recipient.
struct WaitingConversation {
  ConversationKind kind = ConversationKind::kPrivate;
  std::uint32_t id = 0;  // the sender's UserId, or the GroupId
  std::size_t count = 0;
};

struct WaitingTotals {
  std::size_t records = 0;
  std::size_t bytes = 0;
};

struct WaitingMessage {
  std::uint32_t sender = 0;
  std::string text;  // at most one record's worth
  std::string time;  // 12 digits YYMMDDhhmmss
};

// A waiting message with where it waits.
struct QueuedMessage {
  std::uint32_t recipient = 0;
  ConversationKind kind = ConversationKind::kPrivate;
  std::uint32_t conversation = 0;
  WaitingMessage message;
};

}  // namespace kiv::server
