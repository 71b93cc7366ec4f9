#include "store/index_file.h"

#include <algorithm>
#include <cstring>

#include "text/byte_scan.h"

namespace zeldrium {

TIndexFileReader::TIndexFileReader(SequentialFile* file, size_t chunk)
    : file_(file), chunk_(chunk) {}

void TIndexFileReader::Reset(SequentialFile* file) {
  file_ = file;
  begin_ = end_ = scanned_ = 0;
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

void TIndexFileReader::SwapBuffer(std::vector<char>* other) {
  buf_.swap(*other);
  Reset(nullptr);
}

TIndexFileReader::Result TIndexFileReader::Next(std::string_view* line, std::string* err) {
  for (;;) {
    if (failed_) {
      *err = error_;
      return Result::kError;
    }
    const std::string_view data = Unread();
    // An LF may still be owed to the last line's CR: its byte is not read yet.
    if (skip_lf_ && !eof_) {
      Fill(err);
      continue;
    }
    skip_lf_ = false;
    if (data.size() > scanned_) {
      const char* cr = FindByte(data.data() + scanned_, data.data() + data.size(), '\r');
      if (cr != data.data() + data.size()) {
        *line = data.substr(0, static_cast<size_t>(cr - data.data()));
        Take(line->size() + 1);
        scanned_ = 0;
        return Result::kLine;
      }
      scanned_ = data.size();
    }
    if (eof_) {
      if (data.empty()) return Result::kEnd;
      *line = data;
      Take(data.size());
      scanned_ = 0;
      return Result::kLine;
    }
    Fill(err);
  }
}

bool TIndexFileReader::Fill(std::string* err, std::vector<char>* spare) {
  if (failed_) {
    *err = error_;
    return false;
  }
  // Only the unfinished line moves; a line longer than the buffer makes the buffer grow.
  const size_t avail = end_ - begin_;
  if (spare != nullptr) {
    if (spare->size() < std::max(buf_.size(), chunk_)) spare->resize(std::max(buf_.size(), chunk_));
    if (avail > 0) std::memcpy(spare->data(), buf_.data() + begin_, avail);
    buf_.swap(*spare);
    begin_ = 0;
    end_ = avail;
  } else if (begin_ > 0) {
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
  // Whatever follows a 0x1A is never looked at, not even to find line ends.
  const char* fresh = buf_.data() + end_;
  if (const char* eof_mark = FindByte(fresh, fresh + got, 0x1A); eof_mark != fresh + got) {
    got = static_cast<size_t>(eof_mark - fresh);
    eof_ = true;
  }
  end_ += got;
  return true;
}

}  // namespace zeldrium
