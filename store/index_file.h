#ifndef ZELDRIUM_STORE_INDEX_FILE_H_
#define ZELDRIUM_STORE_INDEX_FILE_H_

// Splits an index file into lines: CR LF or a lone CR ends a line, a lone LF is data, and a byte
// 0x1A ends the file. A line may be of any length. The file is read in large chunks into one
// buffer that is reused, so memory stays at about one chunk plus the longest line, whatever the
// size of the file.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "store/file_system.h"

namespace zeldrium {

class TIndexFileReader {
 public:
  static constexpr size_t kDefaultChunk = size_t{1} << 20;

  // REQUIRES: file outlives the reader (or its next Reset); chunk > 0.
  explicit TIndexFileReader(SequentialFile* file, size_t chunk = kDefaultChunk);

  // Starts on another file, keeping the buffer: a run over thousands of small folders then
  // allocates it once. A buffer that a long line made large is given back.
  void Reset(SequentialFile* file);

  enum class Result { kLine, kEnd, kError };

  // kLine: *line is the next line without its end, a view into the reader's buffer that stays
  // valid until the next call. kEnd: no more lines. kError: *err holds the system's words, and
  // the reader stays at the error.
  Result Next(std::string_view* line, std::string* err);

  // For a caller that splits lines itself (TIdxLineScanner) and keeps them beyond the next
  // read: the data read and not yet taken, and whether the file ends with it. Take marks whole
  // lines at its start as taken; Fill reads more. When the lines taken end with a CR, an LF that
  // begins the next data goes with it: Unread leaves it out.
  std::string_view Unread();
  bool AtEnd() const { return eof_; }
  void Take(size_t bytes);

  // Reads more. With spare, the data not yet taken goes on in spare's memory and the buffer,
  // with the lines taken from it, is swapped into *spare, where they stay valid; without, the
  // buffer is reused in place. On failure *err holds the system's words and the reader stays
  // at the error; a spare has then been swapped all the same.
  bool Fill(std::string* err, std::vector<char>* spare = nullptr);

  // Swaps the buffer, and with it the lines taken since the last Fill, with *other: they stay
  // valid there. The reader is then as after Reset(nullptr), with *other's former memory, which
  // it reads into from then on (a reader can take over memory used before this way).
  void SwapBuffer(std::vector<char>* other);

 private:
  SequentialFile* file_;
  size_t chunk_;
  std::vector<char> buf_;
  size_t begin_ = 0;      // start of the unread data
  size_t end_ = 0;        // end of the data read so far
  size_t scanned_ = 0;    // bytes from begin_ known to hold no CR
  bool skip_lf_ = false;  // the last line ended with a CR; an LF right after it goes with it
  bool eof_ = false;      // nothing more will be read: end of file or a 0x1A seen
  bool failed_ = false;
  std::string error_;
};

}  // namespace zeldrium

#endif  // ZELDRIUM_STORE_INDEX_FILE_H_
