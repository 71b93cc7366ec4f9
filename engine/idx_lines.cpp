#include "engine/idx_lines.h"

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

// Eight hexadecimal digits, as every date is written: the bytes are checked and converted side
// by side in one word, without a branch or a table lookup per digit.
inline bool ParseHex8(const char* text, uint32_t* value) {
  // The bytes as a little-endian word, whatever the machine: the first digit lowest.
  uint64_t x = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&x, text, 8);
  } else {
    for (int i = 7; i >= 0; --i) x = (x << 8) | static_cast<unsigned char>(text[i]);
  }
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

// TFolderIdx::Date of a field 9 read as value. Unsigned arithmetic wraps by definition; the
// conversion to int32 is modular since C++20.
inline int32_t ShiftedIdxDate(uint32_t value) {
  return static_cast<int32_t>(value + static_cast<uint32_t>(kIdxDateShift));
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
  *date = ShiftedIdxDate(static_cast<uint32_t>(value));
  return IdxLine::kRecord;
}

}  // namespace

IdxLine ConvertIdxDate(std::string_view field, int32_t* date, std::string* err) {
  uint32_t value;
  if (field.size() == 8 && ParseHex8(field.data(), &value)) {
    *date = ShiftedIdxDate(value);
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
  if (filter_ != nullptr) filter_->Reset(begin_, end_);
  MarkLineBytes(begin_, data.size(), &marks_, probe);
  next_line_ = 0;
  first_end_ = 0;
  next_probe_ = 0;
  word_known_ = false;
}

// Whether the filter holds for the line [line, cr).
inline bool TIdxLineScanner::Wanted(size_t line, size_t cr) {
  if (!probing_) return filter_->Holds(begin_ + line, begin_ + cr);
  return WordInLine(line, cr) && filter_->Holds(begin_ + line, begin_ + cr, true);
}

// Whether the word marked by the probe stands in the line [line, cr).
inline bool TIdxLineScanner::WordInLine(size_t line, size_t cr) {
  // The next place where the word occurs is kept from line to line: most lines hold none, and
  // then cost one comparison. (A word that would run past the line's end is taken all the same:
  // the filter may let through more lines than the condition holds for, never fewer.)
  if (word_known_ && next_word_ >= line) return next_word_ < cr;
  word_known_ = true;
  const size_t size = static_cast<size_t>(end_ - begin_);
  // The probe marks the place of one of the word's bytes, offset into it.
  const size_t offset = filter_->ProbeOffset();
  const uint32_t* const at = marks_.probe_at.data();
  for (; next_probe_ < marks_.probes; ++next_probe_) {
    if (at[next_probe_] < line + offset) continue;
    const size_t start = at[next_probe_] - offset;
    if (filter_->OccursAt(begin_ + start, end_)) {
      next_word_ = start;
      return next_word_ < cr;
    }
  }
  next_word_ = size;
  return false;
}

// The common line, in a loop of its own: a whole line, a date of eight digits, and the filter
// not holding. Anything else is left to Next.
inline bool TIdxLineScanner::SkipUnwanted(std::vector<int32_t>* other_dates) {
  if (filter_ == nullptr || marks_.has_nul || next_line_ >= marks_.lines) return false;
  const size_t cr = marks_.line_ends[next_line_];
  const size_t ends_past = marks_.ends_before[next_line_];
  uint32_t value;
  if (!PlainDate(marks_.field_ends.data() + first_end_, ends_past - first_end_, &value)) {
    return false;
  }
  if (Wanted(static_cast<size_t>(line_ - begin_), cr)) return false;
  StepPast(cr);
  ++next_line_;
  first_end_ = ends_past;
  if (other_dates != nullptr) {
    other_dates->push_back(ShiftedIdxDate(value));
  }
  return true;
}

bool TIdxLineScanner::NextWanted(IdxLine* kind, TFolderIdx* rec, std::string* err,
                                  std::vector<int32_t>* other_dates) {
  while (SkipUnwanted(other_dates)) continue;
  return Next(kind, rec, err);
}

// As almost every date is written: eight digits between two separators, nothing to trim. ends:
// the count field ends of the line.
inline bool TIdxLineScanner::PlainDate(const uint32_t* ends, size_t count, uint32_t* value) const {
  return count > 8 && ends[8] - ends[7] == 9 && ParseHex8(begin_ + ends[7] + 1, value);
}

// The next line starts after the line end at cr, with the LF that may follow it.
inline void TIdxLineScanner::StepPast(size_t cr) {
  const size_t size = static_cast<size_t>(end_ - begin_);
  line_ = cr == size                                ? end_
          : cr + 1 < size && begin_[cr + 1] == '\n' ? begin_ + cr + 2
                                                    : begin_ + cr + 1;
}

bool TIdxLineScanner::Next(IdxLine* kind, TFolderIdx* rec, std::string* err) {
  const size_t size = static_cast<size_t>(end_ - begin_);
  const size_t line = static_cast<size_t>(line_ - begin_);
  size_t cr;
  size_t ends_past;  // index past the line's last field end
  if (next_line_ < marks_.lines) {
    cr = marks_.line_ends[next_line_];
    ends_past = marks_.ends_before[next_line_];
    ++next_line_;
  } else {
    // No CR: the last line of the file, or one that goes on in data not yet read. A file
    // that ends with a line end has no line after it.
    if (!at_end_ || line == size) return false;
    cr = size;
    ends_past = marks_.fields;
  }
  StepPast(cr);

  // The line's field ends; a 0x00 is the last of them, and the fields after it are empty.
  const uint32_t* const ends = marks_.field_ends.data() + first_end_;
  size_t count = ends_past - first_end_;
  first_end_ = ends_past;
  bool cut = false;
  if (marks_.has_nul) {
    for (size_t k = 0; k < count && k < 9; ++k) {
      if (begin_[ends[k]] == '\0') {
        count = k + 1;
        cut = true;
        break;
      }
    }
  }
  // Field k + 1 of the line, trimmed.
  auto field = [&](size_t k) -> std::string_view {
    if (k > count || (k == count && cut)) return {};
    const size_t from = k == 0 ? line : ends[k - 1] + size_t{1};
    const size_t to = k < count ? ends[k] : cr;
    return TrimIdxField(begin_ + from, begin_ + to);
  };

  if (count < 8) {
    *kind = IdxLine::kSkip;  // no field 9
    return true;
  }
  uint32_t value;
  if (PlainDate(ends, count, &value)) {
    rec->Date = ShiftedIdxDate(value);
    *kind = IdxLine::kRecord;
  } else {
    *kind = ConvertIdxDate(field(8), &rec->Date, err);
    if (*kind != IdxLine::kRecord) return true;
  }
  if (filter_ != nullptr && !Wanted(line, cr)) {
    *kind = IdxLine::kDateOnly;
    return true;
  }
  rec->MessageKey = field(1);
  rec->Subject = field(3);
  rec->From = field(4);
  rec->To = field(5);
  rec->Extra = field(6);
  return true;
}

}  // namespace zeldrium
