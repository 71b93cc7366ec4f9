#include "engine/search_run.h"

#include <algorithm>
#include <new>
#include <utility>

#include "store/folder_walk.h"
#include "store/mailboxes.h"
#include "text/str_csv.h"
#include "text/str_libs.h"
#include "text/str_upper.h"

namespace zeldrium {
namespace {

// The host compares its folder and mailbox IDs with ASCII letters folded; the byte after a lead
// byte is compared exactly, or two different katakana could pass for one.
bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto x = static_cast<unsigned char>(a[i]);
    auto y = static_cast<unsigned char>(b[i]);
    if (IsLeadByte(x)) {
      if (x != y) return false;
      ++i;
      if (i < a.size() && a[i] != b[i]) return false;
      continue;
    }
    if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

class RunningFlag {
 public:
  explicit RunningFlag(bool* flag) : flag_(flag) { *flag_ = true; }
  ~RunningFlag() { *flag_ = false; }
  RunningFlag(const RunningFlag&) = delete;
  RunningFlag& operator=(const RunningFlag&) = delete;

 private:
  bool* flag_;
};

// Lines dated before the limit are dropped; a date before 1970 is before every limit.
bool BeforeLimit(int32_t date, uint32_t limit) {
  return date < 0 || static_cast<uint32_t>(date) < limit;
}

}  // namespace

std::string SearchHooks::FolderDisplayName(std::string_view folder_id) {
  return std::string(folder_id);
}
bool SearchHooks::DateLimit(uint32_t* limit) { return false; }
void SearchHooks::AfterTestedLine() {}
bool SearchHooks::KeepHit(std::string_view folder_id, const TFolderIdx& rec) { return true; }
bool SearchHooks::GoOnAfterError(std::string_view path, std::string_view message) { return false; }

// Compared before any backslash is added, as the host gives both.
bool ShowsMailbox(std::string_view current_folder, std::string_view current_mailbox) {
  return !current_folder.empty() && SameIgnoringAsciiCase(current_folder, current_mailbox);
}

std::vector<std::string> BuildFolderList(std::string_view folders_csv,
                                         std::string_view current_folder,
                                         std::string_view current_mailbox) {
  std::vector<std::string> folders;
  for (const std::string& item : ReadCommaList(folders_csv)) {
    if (!item.empty()) folders.push_back(WithBackslash(item));
  }
  if (current_folder.empty() || ShowsMailbox(current_folder, current_mailbox)) return folders;
  std::string current = WithBackslash(current_folder);
  const std::string folded = UpperCase(current);
  const bool listed = std::any_of(folders.begin(), folders.end(),
                                  [&](const std::string& f) { return UpperCase(f) == folded; });
  if (!listed) folders.insert(folders.begin(), std::move(current));
  return folders;
}

std::vector<TFolderWalk::Root> ScopeFolders(FileSystem* fs, const TFindRec& condition,
                                            const SearchScope& scope) {
  std::vector<TFolderWalk::Root> roots;
  std::vector<std::string> folded;  // of the roots, to find one given again
  auto add = [&](std::string id, bool subfolders, bool through_link = false) {
    std::string key = UpperCase(id);
    for (size_t i = 0; i < folded.size(); ++i) {
      if (folded[i] != key) continue;
      roots[i].subfolders = roots[i].subfolders || subfolders;
      return;
    }
    folded.push_back(std::move(key));
    roots.push_back({std::move(id), subfolders, through_link});
  };
  switch (scope.folders) {
    case FolderScope::kCurrentFolder:
      for (std::string& id :
           BuildFolderList(condition.Folders, scope.current_folder, scope.current_mailbox)) {
        add(std::move(id), condition.SubFolder);
      }
      return roots;
    case FolderScope::kCurrentMailbox:
      if (!scope.current_mailbox.empty()) add(WithBackslash(scope.current_mailbox), true);
      break;
    case FolderScope::kAllMailboxes:
      for (TFolderWalk::Root& box : MailboxRoots(fs, scope.data_folder)) {
        add(std::move(box.id), true, box.through_link);
      }
      break;
  }
  for (std::string& id : BuildFolderList(condition.Folders, "", "")) {
    add(std::move(id), condition.SubFolder);
  }
  return roots;
}

TSearchRun::TSearchRun(FileSystem* fs, SearchHooks* hooks)
    : fs_(fs), hooks_(hooks), reader_(nullptr) {}
TSearchRun::~TSearchRun() = default;

THitList TSearchRun::TakeHits() { return std::move(hits_); }

// An index file the run has opened, or failed to open. Files are opened ahead of the one being
// read, so that the system reads them meanwhile; a failure is reported only when the run comes
// to that file.
struct TSearchRun::OpenedFile {
  std::string path;
  std::unique_ptr<SequentialFile> file;  // null when it could not be opened
  std::string error;                     // the system's words when not opened
  int64_t ahead = 0;                     // bytes the system was asked to read ahead
};

namespace {

// What the files opened ahead may ask the system to read: enough to keep a disk busy while a
// file is searched, whatever the sizes of the files (many small ones need many files ahead).
constexpr int64_t kReadAheadBytes = int64_t{4} << 20;
// And how many files may be open for it at once, the one being read left aside.
constexpr size_t kMostFilesAhead = 64;

}  // namespace

// What a run tests lines with: the prefilter passes over lines where no word of the condition
// stands, the matcher decides the others.
struct TSearchRun::Tester {
  explicit Tester(const TFindRec& condition) : matcher(condition), filter(condition) {}
  TFindMatcher matcher;
  TWordPrefilter filter;
};

SearchStatus TSearchRun::Run(const TFindRec& condition, const SearchScope& scope, RowsKept kept) {
  if (running_) return SearchStatus::kBusy;
  RunningFlag running(&running_);

  kept_ = kept;
  hits_.Clear();
  hit_count_ = 0;
  out_of_memory_ = false;
  path_.clear();
  error_.clear();
  error_path_.clear();
  done_files_.clear();
  files_read_ = 0;
  stop_ = false;
  end_ = false;

  bool ok = true;
  try {
    data_folder_ = WithBackslash(scope.data_folder);
    TFolderWalk walk(fs_, data_folder_, ScopeFolders(fs_, condition, scope));
    // The run's own copy: the caller may change the condition from inside a hook.
    Tester tester(condition);
    if (kept_ == RowsKept::kRowsToMark) {
      kept_ = tester.matcher.MarksNeedTo() ? RowsKept::kRowsWithTo : RowsKept::kRows;
    }
    ahead_.clear();
    ahead_bytes_ = 0;
    walked_ = false;
    OpenAhead(&walk);
    while (!ahead_.empty() && !out_of_memory_ && !end_) {
      const OpenedFile file = std::move(ahead_.front());
      ahead_.pop_front();
      ahead_bytes_ -= file.ahead;
      // A file that could not be opened is reported before the next one is opened: a run that
      // ends there has opened nothing after it.
      if (!file.file) {
        ok = Fail(file.path, file.path + ": " + file.error);
        if (!hooks_->GoOnAfterError(error_path_, error_)) break;
        OpenAhead(&walk);
        continue;
      }
      OpenAhead(&walk);
      if (!SearchIndexFile(file, &tester)) {
        ok = false;
        if (!hooks_->GoOnAfterError(error_path_, error_)) break;
      }
    }
  } catch (const std::bad_alloc&) {
    // Whatever could not be had, the hits kept so far stay: the run ends as a stopped one.
    OutOfMemory();
  }
  reader_.Reset(nullptr);
  path_.clear();
  ahead_.clear();

  // Newest first; equal dates keep their reading order. Without memory for the sort they stay
  // in reading order.
  hits_.SortNewestFirst();
  if (out_of_memory_) return SearchStatus::kOutOfMemory;
  return ok ? SearchStatus::kCompleted : SearchStatus::kError;
}

void TSearchRun::OutOfMemory() {
  stop_ = true;
  if (std::exchange(out_of_memory_, true)) return;
  try {
    Fail(path_, std::string(kOutOfMemoryText));
  } catch (const std::bad_alloc&) {
    // Not even the message: the status says it all the same.
  }
}

bool TSearchRun::Fail(const std::string& path, std::string message) {
  error_ = std::move(message);
  error_path_ = path;
  return false;
}

// Opens files ahead of the one being read until they are to bring the budget's bytes, the
// next one at least, and none past one that could not be opened.
void TSearchRun::OpenAhead(TFolderWalk* walk) {
  while (!walked_ && (ahead_.empty() || (ahead_bytes_ < kReadAheadBytes &&
                                         ahead_.size() < kMostFilesAhead && ahead_.back().file))) {
    OpenedFile file;
    if (!OpenNext(walk, &file)) {
      walked_ = true;
      return;
    }
    ahead_bytes_ += file.ahead;
    ahead_.push_back(std::move(file));
  }
}

// Opens the walk's next index file not read yet, whatever the letter case of its path, and asks
// the system to start reading it. False when the walk is done. An index that is not there is
// passed over; that is asked of the system only when an open fails, which it then does anyway.
bool TSearchRun::OpenNext(TFolderWalk* walk, OpenedFile* file) {
  std::string path;
  int64_t size;
  while (walk->Next(&path, &size)) {
    if (!done_files_.insert(UpperCase(path)).second) continue;
    file->error.clear();
    file->file = fs_->OpenSequential(path, &file->error);
    if (!file->file && !fs_->FileExists(path)) continue;
    file->path = std::move(path);
    file->ahead = file->file ? file->file->ReadAhead(size) : 0;
    return true;
  }
  return false;
}

// Reads a file one chunk at a time; each chunk's whole lines are tested before the next is read,
// so memory stays at about a chunk whatever the size of the file.
bool TSearchRun::SearchIndexFile(const OpenedFile& file, Tester* tester) {
  stop_ = false;
  ++files_read_;
  path_ = file.path;
  folder_id_ = FolderIdOfIndexPath(file.path, data_folder_);
  have_folder_ = false;
  reader_.Reset(file.file.get());
  std::string err;
  for (;;) {
    std::string_view window;
    bool last;
    if (!reader_.NextWindow(&window, &last, &err)) return Fail(file.path, file.path + ": " + err);
    switch (SearchLines(window, last, tester, &err)) {
      case Lines::kAll:
        break;
      case Lines::kStopped:
        return true;
      case Lines::kBadDate:
        return Fail(file.path, std::move(err));
    }
    if (last) return true;
  }
}

// What the run decides line by line, in file order: the date limit, the test, the hooks and the
// stop request. Lines without a date (and those the limit drops) are not tested.
TSearchRun::Lines TSearchRun::SearchLines(std::string_view data, bool at_end, Tester* tester,
                                          std::string* err) {
  lines_.Reset(data, at_end, &tester->filter);
  other_dates_.clear();  // a stop may have left some of the last window's
  IdxLine kind;
  TFolderIdx rec;
  auto passed_over = [this] {
    for (const int32_t date : other_dates_) {
      if (WithinLimit(date) && !Tested()) return false;
    }
    other_dates_.clear();
    return true;
  };
  while (lines_.NextWanted(&kind, &rec, err, &other_dates_)) {
    if (!passed_over()) return Lines::kStopped;
    switch (kind) {
      case IdxLine::kSkip:
        continue;
      case IdxLine::kError:
        return Lines::kBadDate;
      case IdxLine::kDateOnly:
      case IdxLine::kRecord:
        break;
    }
    if (!WithinLimit(rec.Date)) continue;
    if (kind == IdxLine::kRecord && tester->matcher.Matches(rec)) TakeHit(rec);
    if (!Tested()) return Lines::kStopped;
  }
  return passed_over() ? Lines::kAll : Lines::kStopped;
}

// Asked for every dated line, since the user may change the limit while the run lets messages
// through.
bool TSearchRun::WithinLimit(int32_t date) {
  uint32_t limit;
  return !hooks_->DateLimit(&limit) || !BeforeLimit(date, limit);
}

// After a line was tested; false when the reading of the file is to stop.
bool TSearchRun::Tested() {
  hooks_->AfterTestedLine();
  return !stop_;
}

// A hit counts once it is kept: after memory ran out the count is that of the rows there are.
void TSearchRun::TakeHit(const TFolderIdx& rec) {
  if (!hooks_->KeepHit(folder_id_, rec)) return;
  if (kept_ == RowsKept::kCountOnly) {
    ++hit_count_;
    return;
  }
  if (!have_folder_) {
    if (!hits_.AddFolder(folder_id_, hooks_->FolderDisplayName(folder_id_), &folder_)) {
      OutOfMemory();
      return;
    }
    have_folder_ = true;
  }
  if (!hits_.Add(folder_, rec.Date, rec.Subject, rec.From,
                 kept_ == RowsKept::kRowsWithTo ? rec.To : std::string_view(), rec.MessageKey)) {
    OutOfMemory();
    return;
  }
  ++hit_count_;
}

}  // namespace zeldrium
