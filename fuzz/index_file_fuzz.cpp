// A folder's index file: read in windows of whole lines by TIndexFileReader, split into lines,
// fields and records by the plain reference, and the whole file searched by a TSearchRun (which
// splits lines and fields in one pass, TIdxLineScanner, a window at a time), as the host's
// Folder.idx would be. The run must find what the reference finds. Input: the file's bytes.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/search_run.h"
#include "fuzz_check.h"
#include "query/find_class.h"
#include "store/file_system.h"
#include "store/folder_idx.h"
#include "store/index_file.h"
#include "testsupport/idx_line_reference.h"
#include "testsupport/memory_file_system.h"
#include "text/str_libs.h"

namespace zeldrium::fuzz {
namespace {

// Hands out the bytes at most `step` at a time, so that a CR LF or a double-byte character can
// fall across two reads.
class SteppedFile : public SequentialFile {
 public:
  SteppedFile(std::string_view bytes, size_t step) : bytes_(bytes), step_(step) {}
  bool Read(char* dst, size_t capacity, size_t* got, std::string* err) override {
    const size_t n = std::min({capacity, step_, bytes_.size() - pos_});
    if (n > 0) std::memcpy(dst, bytes_.data() + pos_, n);
    pos_ += n;
    *got = n;
    return true;
  }

 private:
  std::string_view bytes_;
  size_t step_;
  size_t pos_ = 0;
};

// The lines of bytes, split the plain way. Without a 0x1A and before the end of the file
// (at_eof false) the unfinished last line is not a line yet.
std::vector<std::string> ReferenceLines(std::string_view bytes, bool at_eof) {
  const size_t eof_mark = bytes.find('\x1a');
  if (eof_mark != std::string_view::npos) {
    bytes = bytes.substr(0, eof_mark);
    at_eof = true;
  }
  std::vector<std::string> lines;
  size_t i = 0;
  while (i < bytes.size()) {
    const size_t cr = bytes.find('\r', i);
    if (cr == std::string_view::npos) {
      if (at_eof) lines.emplace_back(bytes.substr(i));
      break;
    }
    lines.emplace_back(bytes.substr(i, cr - i));
    i = cr + 1;
    if (i < bytes.size() && bytes[i] == '\n') ++i;
  }
  return lines;
}

// The lines of the reader's windows, each of which but the last ends with a CR.
std::vector<std::string> ReadAll(TIndexFileReader* reader) {
  std::vector<std::string> lines;
  std::string err;
  std::string_view window;
  bool last = false;
  while (!last) {
    FUZZ_CHECK(reader->NextWindow(&window, &last, &err));
    FUZZ_CHECK(window.find('\x1a') == std::string_view::npos);
    FUZZ_CHECK(last || window.ends_with('\r'));
    while (!window.empty()) {
      const size_t cr = window.find('\r');
      lines.emplace_back(window.substr(0, cr));
      if (cr == std::string_view::npos) break;
      window.remove_prefix(cr + 1);
      if (window.starts_with('\n')) window.remove_prefix(1);
    }
  }
  // The end stays the end.
  FUZZ_CHECK(reader->NextWindow(&window, &last, &err) && last && window.empty());
  return lines;
}

void CheckFields(std::string_view line) {
  std::string_view cursor = line;
  for (int n = 0; n < 12; ++n) {
    const std::string_view before = cursor;
    const std::string_view field = ReferenceNextIdxField(&cursor);
    FUZZ_CHECK(ViewInside(cursor, line));
    FUZZ_CHECK(cursor.data() + cursor.size() == line.data() + line.size());
    FUZZ_CHECK(ViewInside(field, before));
    // The field lies between where the cursor was and where it is now.
    FUZZ_CHECK(field.data() + field.size() <= cursor.data());
    FUZZ_CHECK(IsTrimmed(field));
    // Walked by characters, a field holds no separator and no end of line of its own.
    for (size_t i = 0; i < field.size(); ++i) {
      const auto c = static_cast<unsigned char>(field[i]);
      if (IsLeadByte(c) && i + 1 < field.size()) {
        ++i;
        continue;
      }
      FUZZ_CHECK(c != 0x00 && c != 0x01);
    }
    if (cursor.size() == before.size()) {
      // At the end of the line: every further field is empty and the cursor stays.
      FUZZ_CHECK(field.empty());
      FUZZ_CHECK(ReferenceNextIdxField(&cursor).empty() && cursor.size() == before.size());
    }
  }
}

bool ParseHex(std::string_view s, uint64_t* v) {
  if (s.empty()) return false;
  uint64_t x = 0;
  for (char c : s) {
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      return false;
    if (x > (UINT64_MAX >> 4)) return false;
    x = x * 16 + static_cast<unsigned>(d);
  }
  *v = x;
  return true;
}

// A condition that lets the run skip lines: the letter a in the Subject, in either case.
TFindRec WordInSubject() {
  TFindRec rec;
  rec.Name = "a";
  rec.Opts[0].Target = kTargetSubject;
  rec.Opts[0].Keyword = "a";
  return rec;
}

// What a run over the file must give: one hit per dated line, up to a bad date; for
// WordInSubject, the lines its matcher holds for.
struct Expected {
  int records = 0;
  int word_hits = 0;
  bool bad_date = false;
  std::string error;
};

Expected CheckRecords(const std::vector<std::string>& lines) {
  Expected e;
  for (const std::string& text : lines) {
    const ExactBytes line(text);
    CheckFields(line.view());
    std::string_view cursor = line.view();
    std::string_view f[9];
    for (auto& x : f) x = ReferenceNextIdxField(&cursor);

    TFolderIdx rec;
    std::string err;
    const IdxLine r = ReferenceReadIdxLine(line.view(), &rec, &err);
    uint64_t date;
    if (f[8].empty()) {
      FUZZ_CHECK(r == IdxLine::kSkip);
    } else if (!ParseHex(f[8], &date)) {
      FUZZ_CHECK(r == IdxLine::kError);
      FUZZ_CHECK(err.rfind("'$" + std::string(f[8]) + "' ", 0) == 0);
      e.bad_date = true;
      e.error = err;
      return e;
    } else {
      FUZZ_CHECK(r == IdxLine::kRecord);
      FUZZ_CHECK(rec.Date == static_cast<int32_t>(static_cast<uint32_t>(date) + 32400u));
      FUZZ_CHECK(rec.MessageKey == f[1] && rec.Subject == f[3] && rec.From == f[4] &&
                 rec.To == f[5] && rec.Extra == f[6]);
      for (std::string_view v : {rec.MessageKey, rec.Subject, rec.From, rec.To, rec.Extra}) {
        FUZZ_CHECK(ViewInside(v, line.view()));
      }
      ++e.records;
      static TFindMatcher word(WordInSubject());
      if (word.Matches(rec)) ++e.word_hits;
    }
  }
  return e;
}

constexpr char kDataFolder[] = "C:\\Becky\\";
constexpr char kFolderId[] = "Main.mb\\Inbox\\";
constexpr char kIndexPath[] = "C:\\Becky\\Main.mb\\Inbox\\Folder.idx";

// A condition every line matches: an AND row whose keyword has no words.
TFindRec EveryLine() {
  TFindRec rec;
  rec.Name = "all";
  rec.Opts[0].Logic = kLogicAnd;
  rec.Opts[0].Target = kTargetFrom;
  rec.Opts[0].CommaAnd = true;
  return rec;
}

// One run object for the whole session, as the window keeps one: it must start every run
// afresh, and its buffer is then allocated once rather than for every input.
class CurrentFileSystem : public FileSystem {
 public:
  MemoryFileSystem* fs = nullptr;
  bool FileExists(std::string_view path) override { return fs->FileExists(path); }
  bool DirectoryExists(std::string_view path) override { return fs->DirectoryExists(path); }
  void ListFolder(std::string_view dir, FolderListing* listing) override {
    fs->ListFolder(dir, listing);
  }
  std::unique_ptr<SequentialFile> OpenSequential(std::string_view path, std::string* err) override {
    return fs->OpenSequential(path, err);
  }
};

void CheckRun(MemoryFileSystem* fs, const Expected& expected, std::string_view read_error) {
  static CurrentFileSystem current;
  static SearchHooks hooks;
  static TSearchRun run(&current, &hooks);
  current.fs = fs;
  const SearchStatus status = run.Run(EveryLine(), {kDataFolder, kFolderId, ""});
  // Nothing found before an error is lost.
  const std::vector<THitRow> rows = run.Rows();
  FUZZ_CHECK(static_cast<int>(rows.size()) == expected.records);
  if (expected.bad_date) {
    FUZZ_CHECK(status == SearchStatus::kError && run.Error() == expected.error);
  } else if (!read_error.empty()) {
    FUZZ_CHECK(status == SearchStatus::kError);
    FUZZ_CHECK(run.Error().find(read_error) != std::string::npos);
  } else {
    FUZZ_CHECK(status == SearchStatus::kCompleted);
  }
  for (const THitRow& row : rows) {
    FUZZ_CHECK(row.MailID.rfind(kFolderId, 0) == 0);
    FUZZ_CHECK(row.Date.size() == kUnixTextSize);
  }
  for (size_t i = 1; i < rows.size(); ++i) {
    FUZZ_CHECK(rows[i - 1].Date >= rows[i].Date);
  }
  FUZZ_CHECK(run.HitCount() == rows.size());

  // Counting only finds as many, and stops at the same error.
  const SearchStatus counted =
      run.Run(EveryLine(), {kDataFolder, kFolderId, ""}, RowsKept::kCountOnly);
  FUZZ_CHECK(counted == status);
  FUZZ_CHECK(static_cast<int>(run.HitCount()) == expected.records);
  FUZZ_CHECK(run.Rows().empty());

  // A word to look for: lines without it are skipped unsplit, and none of the others is lost.
  const SearchStatus worded =
      run.Run(WordInSubject(), {kDataFolder, kFolderId, ""}, RowsKept::kCountOnly);
  FUZZ_CHECK(worded == status);
  FUZZ_CHECK(static_cast<int>(run.HitCount()) == expected.word_hits);
}

}  // namespace
}  // namespace zeldrium::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zeldrium;
  using namespace zeldrium::fuzz;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> expected = ReferenceLines(bytes, true);

  // However the file arrives, and whatever buffer size, the lines are the same.
  const struct {
    size_t chunk, step;
  } ways[] = {{1, 1}, {3, 2}, {64, 7}, {1, size + 1}, {4096, 13}, {4096, size + 1}};
  for (const auto& way : ways) {
    SteppedFile file(bytes, way.step);
    TIndexFileReader fresh(&file, way.chunk);
    FUZZ_CHECK(ReadAll(&fresh) == expected);
  }
  // A reader used before starts clean, whatever it was left holding.
  static TIndexFileReader reused(nullptr, 5);
  SteppedFile file(bytes, 3);
  reused.Reset(&file);
  FUZZ_CHECK(ReadAll(&reused) == expected);

  const Expected records = CheckRecords(expected);

  MemoryFileSystem fs;
  fs.AddFile(kIndexPath, std::string(bytes));
  CheckRun(&fs, records, "");
  fs.SetMaxRead(3);
  CheckRun(&fs, records, "");

  // The file becomes unreadable part way: the lines read before stay found, and the run ends
  // with the system's words.
  if (size > 0) {
    const size_t cut = size / 2;
    const std::string_view head = bytes.substr(0, cut);
    const bool ends_first = head.find('\x1a') != std::string_view::npos;
    fs.FailReadAfter(kIndexPath, cut, "planted read failure");
    CheckRun(&fs, CheckRecords(ReferenceLines(head, false)),
             ends_first ? "" : "planted read failure");
  }
  return 0;
}
