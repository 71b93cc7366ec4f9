#include "search/idx_lines.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace zeldrium {
namespace {

// "は整数ではありません" (is not an integer), code page 932.
constexpr std::string_view kNotAnInteger =
    "\x82\xcd\x90\xae\x90\x94\x82\xc5\x82\xcd\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1";

constexpr unsigned char kNotHex = 0xFF;

constexpr std::array<unsigned char, 256> MakeHexDigits() {
  std::array<unsigned char, 256> t{};
  for (int c = 0; c < 256; ++c) {
    t[c] = c >= '0' && c <= '9'   ? static_cast<unsigned char>(c - '0')
           : c >= 'a' && c <= 'f' ? static_cast<unsigned char>(c - 'a' + 10)
           : c >= 'A' && c <= 'F' ? static_cast<unsigned char>(c - 'A' + 10)
                                  : kNotHex;
  }
  return t;
}

constexpr std::array<unsigned char, 256> kHexDigits = MakeHexDigits();

constexpr uint64_t ByteSwap64(uint64_t x) {
  uint64_t r = 0;
  for (int i = 0; i < 8; ++i) r = (r << 8) | ((x >> (8 * i)) & 0xFF);
  return r;
}

// Eight hexadecimal digits, as every date is written: the bytes are checked and converted side
// by side in one word, without a branch or a table lookup per digit.
inline bool ParseHex8(const char* text, uint32_t* value) {
  uint64_t x;
  std::memcpy(&x, text, 8);
  if constexpr (std::endian::native == std::endian::big) x = ByteSwap64(x);
  constexpr uint64_t k01 = 0x0101010101010101;
  constexpr uint64_t k80 = k01 * 0x80;
  // For bytes below 0x80, (b + (0x80 - c)) has its top bit set exactly when b >= c. A byte of
  // 0x80 or more may carry into the next one, but is itself refused by ~x.
  const uint64_t lower = x | k01 * 0x20;
  const uint64_t digit = (x + k01 * (0x80 - '0')) & ~(x + k01 * (0x80 - '9' - 1));
  const uint64_t letter = (lower + k01 * (0x80 - 'a')) & ~(lower + k01 * (0x80 - 'f' - 1));
  if ((((digit | letter) & ~x) & k80) != k80) return false;
  // A digit's value is its low four bits; a letter's is those plus 9 (bit 6 marks letters).
  uint64_t v = (x & k01 * 0x0F) + ((x >> 6) & k01) * 9;
  // Bytes in memory order, first digit lowest: pair them up into the number, highest first.
  v = ((v << 4) | (v >> 8)) & 0x00FF00FF00FF00FF;
  v = ((v << 8) | (v >> 16)) & 0x0000FFFF0000FFFF;
  *value = static_cast<uint32_t>((v << 16) | (v >> 32));
  return true;
}

// Any count of leading zeros is fine; the value itself must fit in 64 bits.
bool ParseHex64(std::string_view text, uint64_t* value) {
  if (text.empty()) return false;
  if (text.size() < 8) {
    // Cannot overflow 32 bits. On 32-bit x86 this loop is several times cheaper than the 64-bit
    // one below.
    uint32_t v = 0;
    for (char ch : text) {
      const unsigned char digit = kHexDigits[static_cast<unsigned char>(ch)];
      if (digit == kNotHex) return false;
      v = (v << 4) | digit;
    }
    *value = v;
    return true;
  }
  uint64_t v = 0;
  for (char ch : text) {
    const unsigned char digit = kHexDigits[static_cast<unsigned char>(ch)];
    if (digit == kNotHex || (v >> 60) != 0) return false;
    v = (v << 4) | digit;
  }
  *value = v;
  return true;
}

// Dates that are not eight digits, and the error: out of the way of the common case.
[[gnu::noinline]] IdxLine ConvertOtherDate(std::string_view field, int32_t* date,
                                           std::string* err) {
  uint64_t value;
  if (!ParseHex64(field, &value)) {
    err->clear();
    err->append("'$").append(field).append("' ").append(kNotAnInteger);
    return IdxLine::kError;
  }
  // Unsigned arithmetic wraps by definition; the conversion to int32 is modular since C++20.
  *date = static_cast<int32_t>(static_cast<uint32_t>(value) + static_cast<uint32_t>(kIdxDateShift));
  return IdxLine::kRecord;
}

}  // namespace

IdxLine ConvertIdxDate(std::string_view field, int32_t* date, std::string* err) {
  uint32_t value;
  if (field.size() == 8 && ParseHex8(field.data(), &value)) {
    *date = static_cast<int32_t>(value + static_cast<uint32_t>(kIdxDateShift));
    return IdxLine::kRecord;
  }
  if (field.empty()) return IdxLine::kSkip;
  return ConvertOtherDate(field, date, err);
}

void TIdxLineScanner::Reset(std::string_view data, bool at_end, TLineFilter* filter) {
  begin_ = line_ = data.data();
  end_ = begin_ + data.size();
  at_end_ = at_end;
  filter_ = filter != nullptr && filter->Active() ? filter : nullptr;
  const LineProbe* probe = filter_ != nullptr ? filter_->Probe() : nullptr;
  probing_ = probe != nullptr;
  if (filter_ != nullptr && !probing_) filter_->Reset(begin_, end_);
  blocks_ = LineMaskBlocks(data.size());
  if (line_end_masks_.size() < blocks_) {
    line_end_masks_.resize(blocks_);
    field_end_masks_.resize(blocks_);
  }
  if (probing_ && probe_hit_masks_.size() < blocks_) probe_hit_masks_.resize(blocks_);
  const LineMarks out{line_end_masks_.data(), field_end_masks_.data(), probe_hit_masks_.data()};
  has_nul_ = MarkLineBytes(begin_, data.size(), out, probe);
  word_known_ = false;
  line_ends_ = At(line_end_masks_.data(), 0);
}

// The cursor whose next bit is the first one at or after offset.
inline TIdxLineScanner::Cursor TIdxLineScanner::At(const LineMask* masks, size_t offset) const {
  const size_t block = offset / kLineMaskBits;
  if (block >= blocks_) return Cursor{blocks_, 0};
  return Cursor{block, masks[block] & ~((LineMask{1} << (offset % kLineMaskBits)) - 1)};
}

// The offset of the next set bit if it is below limit, else limit (and the bit stays next).
// Works on a copy of the cursor that the compiler keeps in registers.
inline size_t TIdxLineScanner::NextBit(Cursor* c, const LineMask* masks, size_t limit) const {
  while (c->mask == 0) {
    // Blocks from limit on are left for a later call: a bit may be far away.
    const size_t next = c->block + 1;
    if (next >= blocks_ || next * kLineMaskBits >= limit) return limit;
    c->block = next;
    c->mask = masks[next];
  }
  const size_t at = c->block * kLineMaskBits + static_cast<size_t>(std::countr_zero(c->mask));
  if (at >= limit) return limit;
  c->mask &= c->mask - 1;
  return at;
}

// Whether the filter holds for the line [line, cr).
inline bool TIdxLineScanner::Wanted(size_t line, size_t cr) {
  if (!probing_) return filter_->Holds(begin_ + line, begin_ + cr);
  // The next place where the word occurs is kept from line to line: most lines hold none, and
  // then cost one comparison. (A word that would run past the line's end is taken all the same:
  // the filter may let through more lines than the condition holds for, never fewer.)
  if (!word_known_ || next_word_ < line) {
    word_known_ = true;
    const LineMask* const hits = probe_hit_masks_.data();
    const size_t size = static_cast<size_t>(end_ - begin_);
    Cursor c = At(hits, line);
    for (;;) {
      next_word_ = NextBit(&c, hits, size);
      if (next_word_ == size || filter_->OccursAt(begin_ + next_word_, end_)) break;
    }
  }
  return next_word_ < cr;
}

bool TIdxLineScanner::Next(IdxLine* kind, TFolderIdx* rec, std::string* err) {
  const size_t size = static_cast<size_t>(end_ - begin_);
  const size_t line = static_cast<size_t>(line_ - begin_);
  Cursor crs = line_ends_;
  const size_t cr = NextBit(&crs, line_end_masks_.data(), size);
  line_ends_ = crs;
  if (cr == size) {
    // No CR: the last line of the file, or one that goes on in data not yet read. A file
    // that ends with a line end has no line after it.
    if (!at_end_ || line == size) return false;
  }
  line_ = cr == size                                ? end_
          : cr + 1 < size && begin_[cr + 1] == '\n' ? begin_ + cr + 2
                                                    : begin_ + cr + 1;
  auto text = [this](size_t b, size_t e) { return TrimIdxField(begin_ + b, begin_ + e); };
  const LineMask* const field_ends = field_end_masks_.data();

  if (filter_ != nullptr && !has_nul_ && !Wanted(line, cr)) {
    // Only the date is wanted: step over eight field ends, one bit each, then take what
    // follows up to the next one. (Without a 0x00 in the window, every field end is a 0x01.)
    Cursor ends = At(field_ends, line);
    for (int need = 8;;) {
      while (ends.mask == 0) {
        if (ends.block + 1 >= blocks_) return Skipped(kind);
        ends.mask = field_ends[++ends.block];
      }
      if (--need == 0) break;
      ends.mask &= ends.mask - 1;
    }
    const size_t eighth = ends.block * kLineMaskBits + std::countr_zero(ends.mask);
    if (eighth >= cr) return Skipped(kind);
    ends.mask &= ends.mask - 1;
    *kind = ConvertIdxDate(text(eighth + 1, NextBit(&ends, field_ends, cr)), &rec->Date, err);
    if (*kind == IdxLine::kRecord) *kind = IdxLine::kDateOnly;
    return true;
  }

  // Fields 1 to 9 are [start[k], stop[k]); those past the end of the line or a 0x00 are empty.
  constexpr int kFields = 9;
  size_t start[kFields];
  size_t stop[kFields];
  Cursor ends = At(field_ends, line);
  size_t field = line;
  for (int k = 0; k < kFields; ++k) {
    const size_t p = NextBit(&ends, field_ends, cr);
    start[k] = field;
    stop[k] = p;
    if (p == cr || begin_[p] == '\0') {
      for (++k; k < kFields; ++k) start[k] = stop[k] = p;
      break;
    }
    field = p + 1;
  }
  *kind = ConvertIdxDate(text(start[8], stop[8]), &rec->Date, err);
  if (*kind != IdxLine::kRecord) return true;
  rec->MessageKey = text(start[1], stop[1]);
  rec->Subject = text(start[3], stop[3]);
  rec->From = text(start[4], stop[4]);
  rec->To = text(start[5], stop[5]);
  rec->Extra = text(start[6], stop[6]);
  return true;
}

}  // namespace zeldrium
