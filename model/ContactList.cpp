#include "model/ContactList.h"

namespace kiv {

const ContactEntry* ContactList::find(std::int32_t userId) const {
  const auto it = entries_.find(userId);
  return it == entries_.end() ? nullptr : &it->second;
}

const ContactEntry* ContactList::atRow(int row) const {
  if (row < 0 || row >= size()) return nullptr;
  return find(rows_[static_cast<std::size_t>(row)]);
}

ContactList::Outcome ContactList::addOrUpdate(const ContactEntry& entry, int& row) {
  const auto it = entries_.find(entry.userId);
  if (it == entries_.end()) {
    row = size();
    ContactEntry stored = entry;
    stored.row = row;
    entries_.emplace(entry.userId, std::move(stored));
    rows_.push_back(entry.userId);
    return Outcome::kAdded;
  }
  row = it->second.row;
  if (it->second.looksLike(entry)) return Outcome::kUnchanged;
  it->second = entry;
  it->second.row = row;
  return Outcome::kChanged;
}

int ContactList::remove(std::int32_t userId) {
  const auto it = entries_.find(userId);
  if (it == entries_.end()) return -1;
  const int row = it->second.row;
  entries_.erase(it);
  rows_.erase(rows_.begin() + row);
  for (std::size_t later = static_cast<std::size_t>(row); later < rows_.size(); ++later)
    entries_[rows_[later]].row = static_cast<int>(later);
  return row;
}

}  // namespace kiv
