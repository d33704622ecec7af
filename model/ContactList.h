#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "model/ContactEntry.h"

namespace kiv {

// The entries of one list by UserId, with the rows they occupy. Rows are
// never sorted: a new entry takes the next row, a removal closes the gap.
class ContactList {
 public:
  enum class Outcome { kAdded, kChanged, kUnchanged };

  const ContactEntry* find(std::int32_t userId) const;
  const ContactEntry* atRow(int row) const;
  int size() const { return static_cast<int>(rows_.size()); }
  // UserIds in row order.
  const std::vector<std::int32_t>& rows() const { return rows_; }

  // Appends a new entry, or copies a changed one over the stored entry (its
  // row stays); an entry that looks the same is left alone.
  Outcome addOrUpdate(const ContactEntry& entry, int& row);
  // Deletes the entry's row; -1 when absent.
  int remove(std::int32_t userId);

 private:
  std::map<std::int32_t, ContactEntry> entries_;
  std::vector<std::int32_t> rows_;
};

}  // namespace kiv
