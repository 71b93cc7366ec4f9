#include "engine/search_run.h"

#include <algorithm>
#include <utility>

#include "text/str_csv.h"
#include "text/str_libs.h"
#include "text/str_upper.h"

namespace zeldrium {
namespace {

constexpr std::string_view kIndexName = "Folder.idx";

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

// Folder IDs and the data folder end in a backslash; one typed without it would otherwise
// name "...\InboxFolder.idx" and a walk of "...\Inbox*".
std::string WithBackslash(std::string_view dir) {
  std::string s(dir);
  if (!s.empty() && !EndsWithBackslash(s) && s.back() != '/') s += '\\';
  return s;
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

std::vector<std::string> BuildFolderList(std::string_view folders_csv,
                                         std::string_view current_folder,
                                         std::string_view current_mailbox) {
  std::vector<std::string> folders;
  for (const std::string& item : ReadCommaList(folders_csv)) {
    if (!item.empty()) folders.push_back(WithBackslash(item));
  }
  // Compared before any backslash is added, as the host gives both.
  if (current_folder.empty() || SameIgnoringAsciiCase(current_folder, current_mailbox)) {
    return folders;
  }
  std::string current = WithBackslash(current_folder);
  const std::string folded = UpperCase(current);
  const bool listed = std::any_of(folders.begin(), folders.end(),
                                  [&](const std::string& f) { return UpperCase(f) == folded; });
  if (!listed) folders.insert(folders.begin(), std::move(current));
  return folders;
}

TSearchRun::TSearchRun(FileSystem* fs, SearchHooks* hooks) : fs_(fs), hooks_(hooks) {}
TSearchRun::~TSearchRun() = default;

const std::vector<THitRow>& TSearchRun::Rows() const {
  if (!rows_ready_) {
    rows_ = hits_.MakeRows();
    rows_ready_ = true;
  }
  return rows_;
}

std::vector<THitRow> TSearchRun::TakeRows() {
  std::vector<THitRow> rows;
  if (rows_ready_) {
    rows = std::move(rows_);
  } else {
    rows = hits_.MakeRows();
  }
  rows_.clear();
  rows_ready_ = true;
  hits_.Clear();
  return rows;
}

// The index files of a run, in the order a recursive walk would read them: each listed
// folder's own index, then, when asked, its subfolders depth first in listing order. A directory
// without an index is no mail folder, and nothing below it is searched. Kept on an explicit
// stack: a deep store must not exhaust the thread's stack, which in the host is the host's own.
class TSearchRun::FolderWalk {
 public:
  FolderWalk(FileSystem* fs, std::string data_folder, std::vector<std::string> folders,
             bool subfolders)
      : fs_(fs),
        data_folder_(std::move(data_folder)),
        folders_(std::move(folders)),
        subfolders_(subfolders) {}

  // The next index file's path, and whether it is known to exist.
  bool Next(std::string* path, bool* known_to_exist) {
    for (;;) {
      if (!stack_.empty()) {
        Frame& top = stack_.back();
        if (top.next == top.names.size()) {
          stack_.pop_back();
          continue;
        }
        const std::string& name = top.names[top.next++];
        if (name.empty() || name == "." || name == "..") continue;
        std::string sub = top.dir + name + '\\';
        std::string index = sub + std::string(kIndexName);
        if (!fs_->FileExists(index)) continue;
        std::vector<std::string> names = fs_->ListSubdirectories(sub);
        stack_.push_back({std::move(sub), std::move(names)});
        *path = std::move(index);
        *known_to_exist = true;
        return true;
      }
      if (next_folder_ == folders_.size()) return false;
      const std::string dir = data_folder_ + folders_[next_folder_++];
      if (subfolders_) stack_.push_back({dir, fs_->ListSubdirectories(dir)});
      *path = dir + std::string(kIndexName);
      *known_to_exist = false;
      return true;
    }
  }

 private:
  struct Frame {
    std::string dir;  // ends in a backslash
    std::vector<std::string> names;
    size_t next = 0;
  };

  FileSystem* fs_;
  std::string data_folder_;
  std::vector<std::string> folders_;
  bool subfolders_;
  size_t next_folder_ = 0;
  std::vector<Frame> stack_;
};

// An index file the run has opened (and queued for reading), or failed to open.
struct TSearchRun::Planned {
  std::string path;
  bool opened = false;
  std::string open_error;  // the system's words when not opened
};

SearchStatus TSearchRun::Run(const TFindRec& condition, const SearchScope& scope,
                             RowsKept kept) {
  if (running_) return SearchStatus::kBusy;
  RunningFlag running(&running_);

  kept_ = kept;
  hits_.Clear();
  hit_count_ = 0;
  std::vector<THitRow>().swap(rows_);
  rows_ready_ = true;
  error_.clear();
  error_path_.clear();
  done_files_.clear();
  files_read_ = 0;
  stop_ = false;
  per_line_ = hooks_->CalledPerLine();

  data_folder_ = WithBackslash(scope.data_folder);
  FolderWalk walk(fs_, data_folder_,
                  BuildFolderList(condition.Folders, scope.current_folder, scope.current_mailbox),
                  condition.SubFolder);
  // Its workers stop, and every file closes, before Run returns, also when a hook throws.
  TScanAhead scan(condition, !per_line_);
  std::deque<Planned> planned;
  bool ok = true;
  for (;;) {
    PlanAhead(&walk, &scan, &planned);
    if (planned.empty()) break;
    const Planned file = std::move(planned.front());
    planned.pop_front();
    if (!SearchIndexFile(file, &scan)) {
      ok = false;
      break;
    }
  }

  // Newest first; equal dates keep their reading order.
  hits_.SortNewestFirst();
  rows_ready_ = hits_.empty();
  return ok ? SearchStatus::kCompleted : SearchStatus::kError;
}

bool TSearchRun::Fail(const std::string& path, std::string message) {
  error_ = std::move(message);
  error_path_ = path;
  return false;
}

// Keeps a few files opened and queued beyond the one being taken, so that every worker has one
// to read. Each file is opened once per run, whatever the letter case of its path.
void TSearchRun::PlanAhead(FolderWalk* walk, TScanAhead* scan, std::deque<Planned>* planned) {
  constexpr size_t kFilesAhead = 6;
  // Nothing after a file that cannot be opened is read: the run ends there.
  if (!planned->empty() && !planned->back().opened) return;
  std::string path;
  bool known_to_exist;
  while (planned->size() < kFilesAhead && walk->Next(&path, &known_to_exist)) {
    if (!known_to_exist && !fs_->FileExists(path)) continue;
    if (!done_files_.insert(UpperCase(path)).second) continue;
    Planned file;
    file.path = std::move(path);
    std::unique_ptr<SequentialFile> opened = fs_->OpenSequential(file.path, &file.open_error);
    file.opened = opened != nullptr;
    planned->push_back(std::move(file));
    if (!opened) return;
    scan->Add(std::move(opened));
  }
}

bool TSearchRun::SearchIndexFile(const Planned& file, TScanAhead* scan) {
  if (!file.opened) return Fail(file.path, file.path + ": " + file.open_error);
  stop_ = false;
  ++files_read_;
  const std::string_view folder_id = FolderIdOfIndexPath(file.path, data_folder_);
  uint32_t folder = 0;
  bool have_folder = false;
  for (;;) {
    std::unique_ptr<TScanBatch> batch = scan->NextBatch();
    bool stopped = false;
    TakeBatch(*batch, folder_id, &folder, &have_folder, &stopped);
    const TScanBatch::Failure failure = stopped ? TScanBatch::Failure::kNone : batch->failure;
    const bool file_ends = stopped || batch->last || failure != TScanBatch::Failure::kNone;
    std::string error = std::move(batch->error);
    scan->Recycle(std::move(batch));
    if (!file_ends) continue;
    scan->EndFront();
    switch (failure) {
      case TScanBatch::Failure::kNone:
        return true;
      case TScanBatch::Failure::kRead:
        return Fail(file.path, file.path + ": " + error);
      case TScanBatch::Failure::kDate:
        return Fail(file.path, std::move(error));
    }
  }
}

// What the run decides line by line, in file order: the date limit, the hit, the hooks and the
// stop request.
void TSearchRun::TakeBatch(const TScanBatch& batch, std::string_view folder_id,
                           uint32_t* folder, bool* have_folder, bool* stopped) {
  if (!per_line_) {
    uint32_t limit;
    const bool limited = !batch.hits.empty() && hooks_->DateLimit(&limit);
    for (size_t k = 0; k < batch.hits.size(); ++k) {
      const int32_t date = batch.dates[batch.hit_lines[k]];
      if (limited && BeforeLimit(date, limit)) continue;
      TakeHit(date, batch.hits[k], folder_id, folder, have_folder);
    }
    *stopped = stop_;
    return;
  }
  size_t next_hit = 0;
  for (size_t i = 0; i < batch.dates.size(); ++i) {
    const int32_t date = batch.dates[i];
    const bool hit = next_hit < batch.hit_lines.size() && batch.hit_lines[next_hit] == i;
    const TFolderIdx* rec = hit ? &batch.hits[next_hit++] : nullptr;
    uint32_t limit;
    if (hooks_->DateLimit(&limit) && BeforeLimit(date, limit)) continue;
    if (hit) TakeHit(date, *rec, folder_id, folder, have_folder);
    hooks_->AfterTestedLine();
    if (stop_) {
      *stopped = true;
      return;
    }
  }
}

void TSearchRun::TakeHit(int32_t date, const TFolderIdx& rec, std::string_view folder_id,
                         uint32_t* folder, bool* have_folder) {
  ++hit_count_;
  if (kept_ == RowsKept::kCountOnly) return;
  if (!*have_folder) {
    *folder = hits_.AddFolder(folder_id, hooks_->FolderDisplayName(folder_id));
    *have_folder = true;
  }
  hits_.Add(*folder, date, rec.Subject, rec.From,
            kept_ == RowsKept::kRowsWithTo ? rec.To : std::string_view(), rec.MessageKey);
  rows_ready_ = false;
}

}  // namespace zeldrium
