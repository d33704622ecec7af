#include "net/SearchMessages.h"

#include "net/FieldWidths.h"
#include "net/RecordList.h"

namespace kiv {

namespace {
constexpr std::size_t kKind = 24, kText = 25, kTextWidth = fields::kSearchText, kPage = 41;
constexpr ListLayout kLayout{26, 28};
}  // namespace

std::vector<std::uint8_t> SearchRequest::build(const HeaderKey& key) const {
  PacketWriter w(requestLength(kCommand), kCommand, key);
  w.u8(kKind, kind);
  w.clipped(kText, kTextWidth, text);
  w.u8(kPage, page);
  return w.take();
}

SearchRequest SearchRequest::read(const std::uint8_t* data, std::size_t size) {
  const PacketReader r(data, size);
  return {r.u8(kKind), r.text(kText, kTextWidth), r.u8(kPage)};
}

std::vector<std::uint8_t> SearchResponse::build(const HeaderKey& key) const {
  return buildRecordList(kCommand, key, hits, kLayout);
}

SearchResponse SearchResponse::read(const std::uint8_t* data, std::size_t size) {
  return {readRecordList<SearchHit>(data, size, kLayout)};
}

}  // namespace kiv
