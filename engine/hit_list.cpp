#include "engine/hit_list.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <numeric>
#include <utility>

#include "text/str_libs.h"

namespace zeldrium {
namespace {

// A record: the date (4 bytes, as stored by memcpy), then the folder's number and the lengths of
// subject, from, to and message key as variable-length numbers (7 bits a byte, the high bit set
// on every byte but the last), then the four texts one after the other.

size_t NumberSize(uint64_t v) {
  size_t n = 1;
  while (v >= 0x80) {
    v >>= 7;
    ++n;
  }
  return n;
}

char* PutNumber(uint64_t v, char* out) {
  while (v >= 0x80) {
    *out++ = static_cast<char>((v & 0x7F) | 0x80);
    v >>= 7;
  }
  *out++ = static_cast<char>(v);
  return out;
}

// Only reads records PutNumber wrote.
const char* GetNumber(const char* in, uint64_t* v) {
  uint64_t result = 0;
  for (int shift = 0;; shift += 7) {
    const auto byte = static_cast<unsigned char>(*in++);
    result |= static_cast<uint64_t>(byte & 0x7F) << shift;
    if (byte < 0x80) break;
  }
  *v = result;
  return in;
}

}  // namespace

THitList::THitList(THitList&& other) noexcept { *this = std::move(other); }

THitList& THitList::operator=(THitList&& other) noexcept {
  if (this == &other) return *this;
  chunks_ = std::move(other.chunks_);
  count_ = std::exchange(other.count_, 0);
  blocks_ = std::move(other.blocks_);
  room_ = std::exchange(other.room_, nullptr);
  room_size_ = std::exchange(other.room_size_, 0);
  folders_ = std::move(other.folders_);
  order_ = std::move(other.order_);
  other.chunks_.clear();
  other.blocks_.clear();
  other.folders_.clear();
  other.order_.clear();
  return *this;
}

void THitList::Clear() {
  std::vector<std::unique_ptr<const char*[]>>().swap(chunks_);
  count_ = 0;
  std::vector<std::unique_ptr<char[]>>().swap(blocks_);
  room_ = nullptr;
  room_size_ = 0;
  std::vector<Folder>().swap(folders_);
  std::vector<uint32_t>().swap(order_);
}

std::unique_ptr<char[]> THitList::Allocate(size_t size) {
  if (!MayAllocate(size)) return nullptr;
  return std::unique_ptr<char[]>(new (std::nothrow) char[size]);
}

bool THitList::AddFolder(std::string_view folder_id, std::string_view display_name,
                         uint32_t* folder) {
  if (!MayAllocate(folder_id.size() + display_name.size())) return false;
  try {
    folders_.push_back({std::string(folder_id), std::string(display_name)});
  } catch (const std::bad_alloc&) {
    return false;
  }
  *folder = static_cast<uint32_t>(folders_.size() - 1);
  return true;
}

// Room for size bytes in a text block, or null when no block could be had.
char* THitList::Room(size_t size) {
  if (size <= room_size_) {
    char* at = room_;
    room_ += size;
    room_size_ -= size;
    return at;
  }
  // A large record gets a block of its own, so the block being filled is not given up for it;
  // a small one that does not fit gives up the rest of the block, at most a record's worth.
  const bool own_block = size > kTextBlockSize / 4;
  const size_t block_size = own_block ? size : kTextBlockSize;
  try {
    blocks_.reserve(blocks_.size() + 1);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  std::unique_ptr<char[]> block = Allocate(block_size);
  if (!block) return nullptr;
  char* at = block.get();
  blocks_.push_back(std::move(block));
  if (!own_block) {
    room_ = at + size;
    room_size_ = block_size - size;
  }
  return at;
}

bool THitList::Add(uint32_t folder, int32_t date, std::string_view subject, std::string_view from,
                   std::string_view to, std::string_view message_key) {
  // Positions are 32-bit numbers.
  if (count_ == UINT32_MAX) return false;
  // The chunk first: a record without a place in a chunk would be lost memory. With each chunk
  // the room for the order grows too, so that sorting never needs memory the list lacks.
  if (count_ % kHitsPerChunk == 0 && count_ / kHitsPerChunk == chunks_.size()) {
    const size_t capacity = (chunks_.size() + 1) * kHitsPerChunk;
    if (order_.capacity() < capacity) {
      const size_t grown = std::max(capacity, order_.capacity() + order_.capacity() / 2);
      if (!MayAllocate(grown * sizeof(uint32_t))) return false;
      try {
        order_.reserve(grown);
      } catch (const std::bad_alloc&) {
        return false;
      }
    }
    if (!MayAllocate(kHitsPerChunk * sizeof(const char*))) return false;
    try {
      chunks_.reserve(chunks_.size() + 1);
    } catch (const std::bad_alloc&) {
      return false;
    }
    std::unique_ptr<const char*[]> chunk(new (std::nothrow) const char*[kHitsPerChunk]);
    if (!chunk) return false;
    chunks_.push_back(std::move(chunk));
  }
  const std::string_view texts[] = {subject, from, to, message_key};
  size_t size = sizeof(date) + NumberSize(folder);
  for (std::string_view text : texts) size += NumberSize(text.size()) + text.size();
  char* record = Room(size);
  if (!record) return false;

  char* out = record;
  std::memcpy(out, &date, sizeof(date));
  out = PutNumber(folder, out + sizeof(date));
  for (std::string_view text : texts) out = PutNumber(text.size(), out);
  for (std::string_view text : texts) {
    // memcpy of an empty view may be handed a null pointer, which it must not be.
    if (!text.empty()) std::memcpy(out, text.data(), text.size());
    out += text.size();
  }
  chunks_[count_ / kHitsPerChunk][count_ % kHitsPerChunk] = record;
  ++count_;
  order_.clear();
  return true;
}

uint32_t THitList::Date(uint32_t index) const {
  int32_t date;
  std::memcpy(&date, Record(index), sizeof(date));
  return static_cast<uint32_t>(date);
}

THitView THitList::Hit(uint32_t index) const {
  const char* in = Record(index);
  THitView hit;
  std::memcpy(&hit.date, in, sizeof(hit.date));
  uint64_t folder, sizes[4];
  in = GetNumber(in + sizeof(hit.date), &folder);
  for (uint64_t& size : sizes) in = GetNumber(in, &size);
  hit.folder = static_cast<uint32_t>(folder);
  std::string_view* texts[] = {&hit.subject, &hit.from, &hit.to, &hit.message_key};
  for (int i = 0; i < 4; ++i) {
    *texts[i] = std::string_view(in, static_cast<size_t>(sizes[i]));
    in += sizes[i];
  }
  return hit;
}

void THitList::SortNewestFirst() {
  // The order's room was made as the hits came, so this needs no memory of its own.
  order_.resize(count_);
  std::iota(order_.begin(), order_.end(), uint32_t{0});
  // One number per hit, when there is memory for them: the inverted date above, the hit's
  // number below, so that equal dates keep the order added and a plain sort of numbers does.
  std::unique_ptr<uint64_t[]> keys;
  if (count_ > 1 && MayAllocate(count_ * sizeof(uint64_t))) {
    keys.reset(new (std::nothrow) uint64_t[count_]);
  }
  if (keys) {
    for (uint32_t i = 0; i < count_; ++i) keys[i] = uint64_t{~Date(i)} << 32 | i;
    std::sort(keys.get(), keys.get() + count_);
    for (size_t p = 0; p < count_; ++p) order_[p] = static_cast<uint32_t>(keys[p]);
    return;
  }
  // Slower, but a stable sort does without memory when it has to.
  std::stable_sort(order_.begin(), order_.end(),
                   [this](uint32_t a, uint32_t b) { return Date(a) > Date(b); });
}

void THitList::GetRow(size_t i, THitRow* row) const {
  const THitView hit = At(i);
  row->Subject.assign(hit.subject.empty() ? kNoSubject : hit.subject);
  row->From.assign(hit.from);
  row->To.assign(hit.to);
  const Folder& folder = folders_[hit.folder];
  row->MailID.assign(folder.id).append(1, '?').append(hit.message_key);
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
