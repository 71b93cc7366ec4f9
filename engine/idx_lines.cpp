#include "engine/idx_lines.h"

#include "store/idx_date.h"

namespace zeldrium {

void TIdxLineScanner::Reset(std::string_view data, bool at_end, TWordPrefilter* filter) {
  begin_ = line_ = data.data();
  end_ = begin_ + data.size();
  at_end_ = at_end;
  filter_ = filter != nullptr && filter->Active() ? filter : nullptr;
  MarkLineBytes(begin_, data.size(), &marks_,
                filter_ != nullptr ? filter_->Probes() : std::span<const LineProbe>());
  if (filter_ != nullptr) filter_->Reset(begin_, end_, marks_);
  next_line_ = 0;
  first_end_ = 0;
}

// Whether the prefilter lets the line [line, cr) through.
inline bool TIdxLineScanner::Wanted(size_t line, size_t cr) {
  return filter_->MayHold(begin_ + line, begin_ + cr);
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
  other_dates->push_back(ShiftedIdxDate(value));
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
