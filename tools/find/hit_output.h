#ifndef ZELDRIUM_TOOLS_FIND_HIT_OUTPUT_H_
#define ZELDRIUM_TOOLS_FIND_HIT_OUTPUT_H_

// The printed forms of a run's hits: tab-separated lines, an aligned table for a person, a JSON
// array, or the count alone. Rows hold code page 932; the output is UTF-8, or the same bytes
// with raw. Widths are measured on the code page 932 form, where a character's byte count is
// its width on a terminal (double-byte characters two columns, half-width katakana one).

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "engine/search_run.h"
#include "find_scope.h"
#include "highlight.h"

namespace zeldrium::find {

class OutputSink {
 public:
  virtual ~OutputSink() = default;
  // False when nothing more can be written; the output then stops.
  virtual bool Write(std::string_view bytes) = 0;
};

// Gathers output into large pieces, so that a run with many hits costs a few writes.
class BufferedOutput {
 public:
  static constexpr size_t kDefaultCapacity = size_t{1} << 20;
  // REQUIRES: sink outlives this object.
  explicit BufferedOutput(OutputSink* sink, size_t capacity = kDefaultCapacity);

  // The text formatters append here; call Commit after each piece.
  std::string& Buffer() { return buffer_; }
  // Hands the buffer to the sink once it has grown past the capacity.
  void Commit() {
    if (buffer_.size() >= capacity_) Flush();
  }
  // Returns false once the sink has refused a write.
  bool Flush();
  bool Failed() const { return failed_; }

 private:
  OutputSink* sink_;
  size_t capacity_;
  std::string buffer_;
  bool failed_ = false;
};

// The rows to print, newest first: the hits as a run keeps them, or a vector of rows.
class HitRows {
 public:
  virtual ~HitRows() = default;
  virtual size_t Count() const = 0;
  // Row i. It may be made in *scratch, and then stays valid until the next call.
  // REQUIRES: i < Count().
  virtual const THitRow& Row(size_t i, THitRow* scratch) const = 0;
};

class VectorHitRows : public HitRows {
 public:
  // REQUIRES: rows outlives this object.
  explicit VectorHitRows(const std::vector<THitRow>& rows) : rows_(rows) {}
  size_t Count() const override { return rows_.size(); }
  const THitRow& Row(size_t i, THitRow* /*scratch*/) const override { return rows_[i]; }

 private:
  const std::vector<THitRow>& rows_;
};

// A finished run's rows, made one at a time: printing them needs no row per hit at once.
class RunHitRows : public HitRows {
 public:
  // REQUIRES: run outlives this object and kept its rows.
  explicit RunHitRows(const TSearchRun& run) : run_(run) {}
  size_t Count() const override { return run_.HitCount(); }
  const THitRow& Row(size_t i, THitRow* scratch) const override {
    run_.GetRow(i, scratch);
    return *scratch;
  }

 private:
  const TSearchRun& run_;
};

// Other rows in the reverse order: oldest first.
class ReversedHitRows : public HitRows {
 public:
  // REQUIRES: rows outlives this object.
  explicit ReversedHitRows(const HitRows& rows) : rows_(rows) {}
  size_t Count() const override { return rows_.Count(); }
  const THitRow& Row(size_t i, THitRow* scratch) const override {
    return rows_.Row(rows_.Count() - 1 - i, scratch);
  }

 private:
  const HitRows& rows_;
};

struct TextForm {
  bool raw = false;  // code page 932 bytes out, not UTF-8
  int columns = 0;   // the table's width; 0 for the default
  // The table marks the words found in colour (terminal escapes) when given.
  const WordHighlighter* highlight = nullptr;
};

// date, folder, subject, from, mail ID separated by tabs, one line per hit. Control bytes inside
// a text (an index line may hold a lone LF) are printed as blanks, so a hit is always one line
// of five fields.
void WriteTsv(const HitRows& rows, const TextForm& form, BufferedOutput* out);
// A header, one aligned line per hit (Date, Folder, Subject, From; long texts cut with "..."),
// and the count, as the window shows it ("12 件").
void WriteTable(const HitRows& rows, const TextForm& form, BufferedOutput* out);
// One array of {date, date_iso, unix, folder, subject, from, to, mail_id}, one object per line.
// date is the text the window shows; date_iso the same local time with its offset; unix the
// mail's own time, field 9 of its index line as stored (its low 32 bits).
void WriteJson(const HitRows& rows, const TextForm& form, BufferedOutput* out);
void WriteCount(size_t count, BufferedOutput* out);

// --list-folders: "ID<tab>lines" per folder, or one array of {folder, lines}.
void WriteFoldersTsv(const std::vector<FolderLines>& folders, bool raw, BufferedOutput* out);
void WriteFoldersJson(const std::vector<FolderLines>& folders, BufferedOutput* out);

// text cut to at most width columns without splitting a character, ending in "..." when cut.
// REQUIRES: width >= 3.
std::string FitToWidth(std::string_view text, size_t width);

// Appends text as a JSON string body: converted unless raw, then '"', '\' and control bytes
// escaped (\u00XX). With raw, a lead byte without its second byte becomes "?": left alone it
// would take the backslash of the next escape as its second byte and break the string.
void AppendJsonText(std::string_view text, bool raw, std::string* out);

}  // namespace zeldrium::find

#endif  // ZELDRIUM_TOOLS_FIND_HIT_OUTPUT_H_
