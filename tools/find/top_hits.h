#ifndef ZELDRIUM_TOOLS_FIND_TOP_HITS_H_
#define ZELDRIUM_TOOLS_FIND_TOP_HITS_H_

// The N newest (or oldest) hits of a run, kept as they are found: --limit prints them without
// keeping or sorting every hit. The run only counts; the hits come from its hooks.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/hit_list.h"
#include "hit_output.h"
#include "store/folder_idx.h"

namespace zeldrium::find {

class TopHits : public HitRows {
 public:
  // limit >= 1. Newest first unless oldest_first; to_kept: whether rows keep To (the JSON).
  TopHits(size_t limit, bool oldest_first, bool keep_to);

  // Offers one hit; the views of rec need to live only during the call.
  void Offer(std::string_view folder_id, const TFolderIdx& rec);

  // Puts the kept hits in their printing order. Until then Row() is undefined.
  void Finish();

  size_t Count() const override { return rows_.size(); }
  const THitRow& Row(size_t i, THitRow* /*scratch*/) const override { return rows_[i].row; }

 private:
  struct Entry {
    uint32_t date;  // the date as the window's text orders it
    uint64_t seq;   // the order found
    THitRow row;
  };
  // Whether a comes before b in the printing order: the order the window's sort gives (newest
  // first, hits of the same second in the order found), or that order reversed.
  bool Before(const Entry& a, const Entry& b) const;

  size_t limit_;
  bool oldest_first_;
  bool keep_to_;
  uint64_t seq_ = 0;
  // A heap whose top is the entry printed last, until Finish sorts it.
  std::vector<Entry> rows_;
};

}  // namespace zeldrium::find

#endif  // ZELDRIUM_TOOLS_FIND_TOP_HITS_H_
