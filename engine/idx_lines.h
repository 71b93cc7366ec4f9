#ifndef ZELDRIUM_ENGINE_IDX_LINES_H_
#define ZELDRIUM_ENGINE_IDX_LINES_H_

// Splits the whole lines of a window of an index file's data into records. One vector pass
// lists every line end and field end of the window (line_masks.h); a line then costs a few
// lookups in those lists, with no byte looked at twice and no scan restarted per field. The lines
// and their records are exactly those of the plain reference (store/idx_line_reference.h).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/word_prefilter.h"
#include "store/folder_idx.h"
#include "store/line_masks.h"

namespace zeldrium {

class TIdxLineScanner {
 public:
  // data: a window of whole lines (TIndexFileReader::NextWindow), starting at the start of a
  // line. at_end: the file ends there, and its last line may have no line end. filter: when
  // given, a line it does not let through comes back as kDateOnly. The scanner keeps its list
  // memory from one window to the next.
  void Reset(std::string_view data, bool at_end, TWordPrefilter* filter = nullptr);

  // The next line, split into *rec; false when none is left. A line is whole once its CR is
  // there, or when it is the last of the file. An LF right after the CR is taken along.
  bool Next(IdxLine* kind, TFolderIdx* rec, std::string* err);

  // The same, but lines the filter does not let through are passed over: their dates, in
  // order, are appended to *other_dates instead of coming back as kDateOnly.
  bool NextWanted(IdxLine* kind, TFolderIdx* rec, std::string* err,
                  std::vector<int32_t>* other_dates);

  // Bytes of data taken up by the lines handed out so far, with their line ends.
  size_t Consumed() const { return static_cast<size_t>(line_ - begin_); }

 private:
  bool Wanted(size_t line, size_t cr);
  bool SkipUnwanted(std::vector<int32_t>* other_dates);
  bool PlainDate(const uint32_t* ends, size_t count, uint32_t* value) const;
  void StepPast(size_t cr);

  const char* begin_ = nullptr;
  const char* end_ = nullptr;
  const char* line_ = nullptr;  // start of the next line
  bool at_end_ = false;
  TWordPrefilter* filter_ = nullptr;
  LineMarks marks_;
  size_t next_line_ = 0;  // index of the next line's CR in marks_
  size_t first_end_ = 0;  // index of the next line's first field end in marks_
};

}  // namespace zeldrium

#endif  // ZELDRIUM_ENGINE_IDX_LINES_H_
