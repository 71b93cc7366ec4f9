#ifndef ZELDRIUM_STORE_INDEX_FILE_H_
#define ZELDRIUM_STORE_INDEX_FILE_H_

// Reads an index file as windows of whole lines: CR LF or a lone CR ends a line, a lone LF is
// data, and a byte 0x1A ends the file. A line may be of any length. The file is read in chunks
// into one buffer that is reused, so memory stays at about one chunk plus the longest line,
// whatever the size of the file.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "store/file_system.h"

namespace zeldrium {

class TIndexFileReader {
 public:
  // Large enough that an index of a usual size is read in one or two reads (each costs a call
  // to Wine's server there), small enough to stay in the processor's larger caches while its
  // lines are split and tested. Natively a quarter of it is as fast.
  static constexpr size_t kDefaultChunk = size_t{1} << 20;

  // REQUIRES: file outlives the reader (or its next Reset); chunk > 0.
  explicit TIndexFileReader(SequentialFile* file, size_t chunk = kDefaultChunk);

  // Starts on another file, keeping the buffer: a run over thousands of small folders then
  // allocates it once. A buffer that a long line made large is given back.
  void Reset(SequentialFile* file);

  // The next lines of the file, whole: from where the last window ended up to its last CR
  // read so far, or, with *last, to the end of the file, where the last line may have no line
  // end. A window starts at the start of a line, never with the LF that belongs to the CR
  // before it. *window stays valid until the next call. Once *last has been given, every
  // further window is empty and last. False on a read error: *err holds the system's words, and
  // the reader stays at the error.
  bool NextWindow(std::string_view* window, bool* last, std::string* err);

 private:
  std::string_view Unread();
  void Take(size_t bytes);
  bool Fill(std::string* err);

  SequentialFile* file_;
  size_t chunk_;
  std::vector<char> buf_;
  size_t begin_ = 0;      // start of the unread data
  size_t end_ = 0;        // end of the data read so far
  size_t windowed_ = 0;   // bytes from begin_ handed out as the last window
  bool skip_lf_ = false;  // the last window ended with a CR; an LF right after it goes with it
  bool eof_ = false;      // nothing more will be read: end of file or a 0x1A seen
  bool failed_ = false;
  std::string error_;
};

}  // namespace zeldrium

#endif  // ZELDRIUM_STORE_INDEX_FILE_H_
