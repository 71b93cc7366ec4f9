#ifndef ZELDRIUM_ENGINE_IDX_LINES_H_
#define ZELDRIUM_ENGINE_IDX_LINES_H_

// Splits the whole lines of a window of an index file's data into records. One vector pass
// lists every line end and field end of the window (line_masks.h); a line then costs a few
// lookups in those lists, with no byte looked at twice and no scan restarted per field. The lines
// and their records are exactly those of TIndexFileReader::Next and ReadIdxLine.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/folder_idx.h"
#include "query/line_filter.h"
#include "engine/line_masks.h"

namespace zeldrium {

// Bytes 0x00-0x20 off both ends, as the fields of an index line are trimmed.
inline std::string_view TrimIdxField(const char* b, const char* e) {
  while (b < e && static_cast<unsigned char>(*b) <= 0x20) ++b;
  while (e > b && static_cast<unsigned char>(e[-1]) <= 0x20) --e;
  return std::string_view(b, static_cast<size_t>(e - b));
}

// Converts a line's trimmed field 9 into *date (with the time zone shift): kRecord, or kSkip
// for an empty field, or kError with *err saying "'$<field>' は整数ではありません".
IdxLine ConvertIdxDate(std::string_view field, int32_t* date, std::string* err);

class TIdxLineScanner {
 public:
  // data: what was read of the file and not yet taken, starting at the start of a line, with
  // anything from a 0x1A on cut off (TIndexFileReader::Unread). at_end: the file ends there.
  // filter: when given, a line it does not hold for comes back as kDateOnly. The scanner keeps
  // its list memory from one window to the next.
  void Reset(std::string_view data, bool at_end, TLineFilter* filter = nullptr);

  // The next whole line, as ReadIdxLine would split it; false when none is left. A line is
  // whole once its CR is there, or when it is the last of the file. An LF right after the CR is
  // taken along; one that is not read yet is left to TIndexFileReader::Take.
  bool Next(IdxLine* kind, TFolderIdx* rec, std::string* err);

  // The same, but lines the filter does not hold for are passed over: their dates, in order,
  // are appended to *other_dates (when given) instead of coming back as kDateOnly.
  bool NextWanted(IdxLine* kind, TFolderIdx* rec, std::string* err,
                  std::vector<int32_t>* other_dates);

  // Bytes of data taken up by the lines handed out so far, with their line ends.
  size_t Consumed() const { return static_cast<size_t>(line_ - begin_); }

 private:
  bool Wanted(size_t line, size_t cr);
  bool SkipUnwanted(std::vector<int32_t>* other_dates);
  bool PlainDate(const uint32_t* ends, size_t count, uint32_t* value) const;
  void StepPast(size_t cr);
  bool WordInLine(size_t line, size_t cr);

  const char* begin_ = nullptr;
  const char* end_ = nullptr;
  const char* line_ = nullptr;  // start of the next line
  bool at_end_ = false;
  TLineFilter* filter_ = nullptr;
  bool probing_ = false;  // the filter's word is marked in marks_.probe_at
  LineMarks marks_;
  size_t next_line_ = 0;   // index of the next line's CR in marks_
  size_t first_end_ = 0;   // index of the next line's first field end in marks_
  size_t next_probe_ = 0;  // index of the next place in marks_.probe_at not yet checked
  // With probing_: where the word occurs next, at or after the last line asked about.
  bool word_known_ = false;
  size_t next_word_ = 0;
};

}  // namespace zeldrium

#endif  // ZELDRIUM_ENGINE_IDX_LINES_H_
