#include "model/ReceivedMessages.h"

#include "platform/Gbk.h"
#include "storage/HistoryStore.h"

namespace kiv {
namespace {

constexpr char kMarkerLead = '\x07';
constexpr char kJoinRequestMarker = '\x01';  // a user asks to join this group
constexpr char kInvitationMarker = '\x02';   // the partner invites us into a group

// A record whose text leaves no room for one more two-byte character: a
// message split over records fills each but the last.
constexpr std::size_t kFullRecord = MessageRecord::kTextWidth - 2;

std::string_view upToNul(std::string_view text) {
  return text.substr(0, text.find('\0'));
}

}  // namespace

std::string ReceivedMessages::Block::viewText() const {
  return HistoryStore::historyEntry(time, text) + (invitation ? "," : "");
}

bool ReceivedMessages::isInvitation(std::string_view text, ConversationKind kind) {
  const char expected = kind == ConversationKind::kGroup ? kJoinRequestMarker : kInvitationMarker;
  return text.size() >= 2 && text[0] == kMarkerLead && text[1] == expected;
}

std::string ReceivedMessages::linkText() {
  return gbk::fromUtf8("同意请点击这里");
}

std::string ReceivedMessages::timeText(std::string_view digits) {
  std::string text = "00-00-00 00:00:00";
  // A NUL would end the text early, in the view as in the stored row, so the
  // digits end at the first one.
  digits = upToNul(digits.substr(0, 12));
  for (std::size_t i = 0; i < digits.size(); ++i) text[i / 2 * 3 + i % 2] = digits[i];
  return text;
}

ReceivedMessages ReceivedMessages::from(const FetchMessagesResponse& response, ConversationKind kind) {
  ReceivedMessages result;
  // The run of same-time records not yet shown. Whether there is one is kept
  // apart from its time, so that no time text, however odd, can make a run
  // vanish.
  bool pending = false;
  bool lastRecordFull = false;
  Row run;
  auto flush = [&] {
    if (!pending) return;
    result.blocks.push_back(Block{run.rtime, run.msg, false});
    result.rows.push_back(run);
  };
  for (const auto& record : response.messages) {
    const std::string_view text = upToNul(record.text);
    const std::string time = timeText(record.time);
    // A message too long for one record goes on in the next one, of the
    // same time, after a full record. Such a record is part of what someone
    // typed: a marker there is text, so nobody forges an action mid-message.
    const bool sameTime = pending && time == run.rtime;
    const bool continuesMessage = sameTime && lastRecordFull;
    if (!continuesMessage && isInvitation(text, kind)) {
      result.blocks.push_back(Block{time, std::string(text.substr(2)), true});
    } else if (sameTime) {
      run.msg += text;
      lastRecordFull = text.size() >= kFullRecord;
    } else {
      flush();
      pending = true;
      run = Row{std::string(text), time};
      lastRecordFull = text.size() >= kFullRecord;
    }
  }
  flush();
  return result;
}

bool ReceivedMessages::store(HistoryStore& store, ConversationKind kind, std::int32_t partner) const {
  return store.AppendMessages(kind == ConversationKind::kGroup ? HistoryStore::kGroupTable : HistoryStore::kUserTable, partner,
                              rows);
}

}  // namespace kiv
