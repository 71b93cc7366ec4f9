#ifndef ZELDRIUM_SEARCH_IDX_LINES_H_
#define ZELDRIUM_SEARCH_IDX_LINES_H_

// Splits the whole lines of a window of an index file's data into records in one pass: line
// ends and field separators come out of the same vector scan, so that each byte is looked at
// once, where a line reader and then ReadIdxLine would look at most bytes twice. The lines and
// their records are exactly those of TIndexFileReader::Next and ReadIdxLine.

#include <cstddef>
#include <string>
#include <string_view>

#include "search/control_bytes.h"
#include "search/folder_idx.h"

namespace zeldrium {

class TIdxLineScanner {
 public:
  // data: what was read of the file and not yet taken, starting at the start of a line, with
  // anything from a 0x1A on cut off (TIndexFileReader::Unread). at_end: the file ends there.
  TIdxLineScanner(std::string_view data, bool at_end);

  // The next whole line, as ReadIdxLine would split it; false when none is left. A line is
  // whole once its CR is there, or when it is the last of the file. An LF right after the CR is
  // taken along; one that is not read yet is left to TIndexFileReader::Take.
  bool Next(IdxLine* kind, TFolderIdx* rec, std::string* err);

  // Bytes of data taken up by the lines handed out so far, with their line ends.
  size_t Consumed() const { return static_cast<size_t>(line_ - begin_); }

 private:
  const char* begin_;
  const char* end_;
  const char* line_;  // start of the next line
  bool at_end_;
  ControlBytes<Control::kCr> line_ends_;
  ControlBytes<Control::kBelow2> separators_;
};

}  // namespace zeldrium

#endif  // ZELDRIUM_SEARCH_IDX_LINES_H_
