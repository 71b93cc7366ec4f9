#include "top_hits.h"

#include <algorithm>

#include "text/str_libs.h"

namespace zeldrium::find {
namespace {

// "(無題)", as the window shows a hit without a subject.
constexpr std::string_view kNoSubject = "(\x96\xb3\x91\xe8)";

}  // namespace

TopHits::TopHits(size_t limit, bool oldest_first, bool keep_to)
    : limit_(limit), oldest_first_(oldest_first), keep_to_(keep_to) {}

bool TopHits::Before(const Entry& a, const Entry& b) const {
  if (a.date != b.date) return oldest_first_ ? a.date < b.date : a.date > b.date;
  return oldest_first_ ? a.seq > b.seq : a.seq < b.seq;
}

void TopHits::Offer(std::string_view folder_id, const TFolderIdx& rec) {
  const auto cmp = [this](const Entry& a, const Entry& b) { return Before(a, b); };
  Entry entry{static_cast<uint32_t>(rec.Date), seq_++, {}};
  if (rows_.size() == limit_) {
    // Printed after every kept hit: not among the first limit_.
    if (!Before(entry, rows_.front())) return;
    std::pop_heap(rows_.begin(), rows_.end(), cmp);
    rows_.pop_back();
  }
  THitRow& r = entry.row;
  r.Subject = rec.Subject.empty() ? std::string(kNoSubject) : std::string(rec.Subject);
  r.From = rec.From;
  r.Date = UnixToText(static_cast<uint32_t>(rec.Date));
  r.Folder = folder_id;
  r.MailID = MakeMailID(folder_id, rec.MessageKey);
  r.DateValue = rec.Date;
  if (keep_to_) r.To = rec.To;
  rows_.push_back(std::move(entry));
  std::push_heap(rows_.begin(), rows_.end(), cmp);
}

void TopHits::Finish() {
  std::sort_heap(rows_.begin(), rows_.end(),
                 [this](const Entry& a, const Entry& b) { return Before(a, b); });
}

}  // namespace zeldrium::find
