#include "engine/hit_list.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "text/str_libs.h"

namespace zeldrium {
namespace {

// "(無題)" (untitled), code page 932.
constexpr std::string_view kNoSubject = "(\x96\xb3\x91\xe8)";

}  // namespace

void THitList::Clear() {
  std::vector<std::unique_ptr<Hit[]>>().swap(chunks_);
  count_ = 0;
  std::vector<std::unique_ptr<char[]>>().swap(blocks_);
  room_ = nullptr;
  room_size_ = 0;
  std::vector<Folder>().swap(folders_);
  std::vector<SortKey>().swap(order_);
}

uint32_t THitList::AddFolder(std::string_view folder_id, std::string display_name) {
  folders_.push_back({std::string(folder_id), std::move(display_name)});
  return static_cast<uint32_t>(folders_.size() - 1);
}

char* THitList::TextRoom(size_t size) {
  if (size > room_size_ || room_ == nullptr) {
    // A text larger than a block gets a block of its own size; the rest of the old block is
    // given up, which costs at most a line's worth per block.
    const size_t block = std::max(size, kTextBlockSize);
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(block));
    room_ = blocks_.back().get();
    room_size_ = block;
  }
  char* at = room_;
  room_ += size;
  room_size_ -= size;
  return at;
}

void THitList::Add(uint32_t folder, int32_t date, std::string_view subject, std::string_view from,
                   std::string_view to, std::string_view message_key) {
  if (count_ % kHitsPerChunk == 0) {
    chunks_.push_back(std::make_unique_for_overwrite<Hit[]>(kHitsPerChunk));
  }
  char* text = TextRoom(subject.size() + from.size() + to.size() + message_key.size());
  Hit& hit = chunks_.back()[count_ % kHitsPerChunk];
  hit.text = text;
  hit.subject_size = subject.size();
  hit.from_size = from.size();
  hit.to_size = to.size();
  hit.key_size = message_key.size();
  hit.folder = folder;
  hit.date = date;
  for (std::string_view part : {subject, from, to, message_key}) {
    // memcpy of an empty view may be handed a null pointer, which it must not be.
    if (!part.empty()) std::memcpy(text, part.data(), part.size());
    text += part.size();
  }
  ++count_;
  order_.clear();
}

void THitList::SortNewestFirst() {
  // A small key per hit, sorted without touching the hits: the hits stay where they are, and
  // no buffer as large as the rows is needed, as a stable sort of the rows would take.
  std::vector<SortKey> keys(count_);
  for (size_t i = 0; i < count_; ++i) {
    keys[i] = {~static_cast<uint32_t>(HitAt(i).date), i};
  }
  std::sort(keys.begin(), keys.end(), [](const SortKey& a, const SortKey& b) {
    return a.inverted_date != b.inverted_date ? a.inverted_date < b.inverted_date
                                              : a.index < b.index;
  });
  order_ = std::move(keys);
}

void THitList::GetRow(size_t i, THitRow* row) const {
  const Hit& hit = HitAt(order_.empty() ? i : order_[i].index);
  const char* text = hit.text;
  const std::string_view subject(text, hit.subject_size);
  text += hit.subject_size;
  row->Subject.assign(subject.empty() ? kNoSubject : subject);
  row->From.assign(text, hit.from_size);
  text += hit.from_size;
  row->To.assign(text, hit.to_size);
  text += hit.to_size;
  const Folder& folder = folders_[hit.folder];
  row->MailID.assign(folder.id).append(1, '?').append(text, hit.key_size);
  row->Folder.assign(folder.name);
  row->Date.resize(kUnixTextSize);
  UnixToText(static_cast<uint32_t>(hit.date), row->Date.data());
  row->DateValue = hit.date;
}

std::vector<THitRow> THitList::MakeRows() const {
  std::vector<THitRow> rows(count_);
  for (size_t i = 0; i < count_; ++i) GetRow(i, &rows[i]);
  return rows;
}

}  // namespace zeldrium
