#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "net/ConversationKind.h"
#include "net/FetchMessagesMessages.h"
#include "storage/HistoryStore.h"

namespace kiv {

// What a conversation window makes of the messages fetched for it: the
// pieces it appends to its view, in order, and the history rows it stores.
//
// Consecutive records with the same time are one message, shown and stored
// once. An invitation (a text starting with the marker of this kind of
// conversation: 0x07 0x01 in a group, 0x07 0x02 in a private conversation)
// is shown at once without its marker, followed by a link, and is never
// stored; it does not interrupt a run of same-time records, so it appears
// before the run it arrived in. A record that goes on with a message after a
// full record of the same time is never an invitation: it is joined to the
// message as text, marker and all. The marker of the other kind is ordinary
// text.
struct ReceivedMessages {
  struct Block {
    std::string time;  // "yy-mm-dd hh:mm:ss"
    std::string text;  // GBK; a joined run, or an invitation without its marker
    bool invitation = false;

    // The grey text the view appends: "\r\n\r\n<time>\r\n<text>", and for an
    // invitation a trailing "," after which the view appends the link.
    std::string viewText() const;
    bool operator==(const Block&) const = default;
  };

  using Row = HistoryRow;

  std::vector<Block> blocks;  // display order
  std::vector<Row> rows;      // storing order

  // Nothing to show: the window then neither sounds nor flashes.
  bool empty() const { return blocks.empty(); }

  // The reading of `response` in a conversation of `kind`.
  static ReceivedMessages from(const FetchMessagesResponse& response, ConversationKind kind);

  // Appends the rows to the partner's history: msg_group for a group
  // conversation, msg_user otherwise. Returns the number of rows stored; a row
  // the store refuses is lost, as the window shows it regardless.
  bool store(HistoryStore& store, ConversationKind kind, std::int32_t partner) const;

  // The text of the invitation link, GBK.
  static std::string linkText();

  // Whether `text` carries the invitation marker of a conversation of `kind`.
  static bool isInvitation(std::string_view text, ConversationKind kind);

  // A record's 12 time characters (YYMMDDhhmmss) laid out as
  // "yy-mm-dd hh:mm:ss", pair by pair as they stand; missing characters keep
  // the template's '0'.
  static std::string timeText(std::string_view digits);
};

}  // namespace kiv
