#include "store/index_file.h"

#include <algorithm>
#include <cstring>

#include "store/line_masks.h"

namespace zeldrium {

TIndexFileReader::TIndexFileReader(SequentialFile* file, size_t chunk)
    : file_(file), chunk_(chunk) {}

void TIndexFileReader::Reset(SequentialFile* file) {
  file_ = file;
  begin_ = end_ = windowed_ = 0;
  skip_lf_ = eof_ = failed_ = false;
  error_.clear();
  if (buf_.size() > 4 * chunk_) std::vector<char>().swap(buf_);
}

std::string_view TIndexFileReader::Unread() {
  if (skip_lf_ && begin_ < end_) {
    if (buf_[begin_] == '\n') ++begin_;
    skip_lf_ = false;
  }
  return {buf_.data() + begin_, end_ - begin_};
}

void TIndexFileReader::Take(size_t bytes) {
  begin_ += bytes;
  if (bytes > 0 && buf_[begin_ - 1] == '\r') skip_lf_ = true;
}

bool TIndexFileReader::NextWindow(std::string_view* window, bool* last, std::string* err) {
  Take(windowed_);
  windowed_ = 0;
  size_t searched = 0;  // bytes of the unread data known to hold no CR
  for (;;) {
    if (!eof_ && !Fill(err)) return false;
    const std::string_view data = Unread();
    if (eof_) {
      *window = data;
      *last = true;
      windowed_ = data.size();
      return true;
    }
    const size_t cr = data.substr(searched).rfind('\r');
    if (cr == std::string_view::npos) {
      searched = data.size();
      continue;
    }
    // The LF that may follow the CR is left to Unread.
    windowed_ = searched + cr + 1;
    *window = data.substr(0, windowed_);
    *last = false;
    return true;
  }
}

bool TIndexFileReader::Fill(std::string* err) {
  if (failed_) {
    *err = error_;
    return false;
  }
  // Only the unfinished line moves; a line longer than the buffer makes the buffer grow.
  const size_t avail = end_ - begin_;
  if (begin_ > 0) {
    if (avail > 0) std::memmove(buf_.data(), buf_.data() + begin_, avail);
    begin_ = 0;
    end_ = avail;
  }
  // Half a chunk of room is enough to go on with; less makes the buffer grow.
  const size_t room = buf_.size() - end_;
  if (room == 0 || room < chunk_ / 2) buf_.resize(std::max(buf_.size() * 2, end_ + chunk_));

  size_t got = 0;
  if (!file_->Read(buf_.data() + end_, buf_.size() - end_, &got, err)) {
    failed_ = true;
    error_ = *err;
    return false;
  }
  if (got == 0) {
    eof_ = true;
    return true;
  }
  // Known to be the last bytes: the end is not asked for again.
  if (file_->AtEnd()) eof_ = true;
  // Whatever follows a 0x1A is never looked at, not even to find line ends.
  constexpr LineProbe kEndOfFile{0x1A, 0x1A, 0, 0, 0};
  const char* fresh = buf_.data() + end_;
  if (const char* eof_mark = FindProbe(fresh, fresh + got, kEndOfFile); eof_mark != fresh + got) {
    got = static_cast<size_t>(eof_mark - fresh);
    eof_ = true;
  }
  end_ += got;
  return true;
}

}  // namespace zeldrium
