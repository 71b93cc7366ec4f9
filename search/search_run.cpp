#include "search/search_run.h"

#include <algorithm>
#include <utility>

#include "search/index_file.h"
#include "search/str_csv.h"
#include "search/str_libs.h"
#include "search/str_upper.h"

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

  matcher_ = std::make_unique<TFindMatcher>(condition);
  const bool subfolders = condition.SubFolder;
  data_folder_ = WithBackslash(scope.data_folder);
  const std::vector<std::string> folders =
      BuildFolderList(condition.Folders, scope.current_folder, scope.current_mailbox);

  bool ok = true;
  for (const std::string& f : folders) {
    const std::string dir = data_folder_ + f;
    if (!SearchIndexFile(dir + std::string(kIndexName), false) ||
        (subfolders && !SearchSubFolders(dir))) {
      ok = false;
      break;
    }
  }

  // Newest first; equal dates keep their reading order.
  hits_.SortNewestFirst();
  rows_ready_ = hits_.empty();
  matcher_.reset();
  reader_.Reset(nullptr);
  return ok ? SearchStatus::kCompleted : SearchStatus::kError;
}

bool TSearchRun::Fail(const std::string& path, std::string message) {
  error_ = std::move(message);
  error_path_ = path;
  return false;
}

bool TSearchRun::SearchIndexFile(const std::string& path, bool known_to_exist) {
  if (!known_to_exist && !fs_->FileExists(path)) return true;
  if (!done_files_.insert(UpperCase(path)).second) return true;
  const std::string_view folder_id = FolderIdOfIndexPath(path, data_folder_);

  std::string err;
  const std::unique_ptr<SequentialFile> file = fs_->OpenSequential(path, &err);
  if (file == nullptr) return Fail(path, path + ": " + err);
  stop_ = false;
  ++files_read_;

  reader_.Reset(file.get());
  TFolderIdx rec;
  std::string_view line;
  const bool keep_rows = kept_ != RowsKept::kCountOnly;
  const bool keep_to = kept_ == RowsKept::kRowsWithTo;
  uint32_t folder = 0;
  bool have_folder = false;
  for (;;) {
    const TIndexFileReader::Result r = reader_.Next(&line, &err);
    if (r == TIndexFileReader::Result::kEnd) break;
    if (r == TIndexFileReader::Result::kError) return Fail(path, path + ": " + err);

    switch (ReadIdxLine(line, &rec, &err)) {
      case IdxLine::kSkip:
        continue;
      case IdxLine::kError:
        return Fail(path, std::move(err));
      case IdxLine::kRecord:
        break;
    }
    uint32_t limit;
    if (hooks_->DateLimit(&limit) && (rec.Date < 0 || static_cast<uint32_t>(rec.Date) < limit)) {
      continue;
    }

    if (matcher_->Matches(rec)) {
      ++hit_count_;
      if (keep_rows) {
        if (!have_folder) {
          folder = hits_.AddFolder(folder_id, hooks_->FolderDisplayName(folder_id));
          have_folder = true;
        }
        hits_.Add(folder, rec.Date, rec.Subject, rec.From, keep_to ? rec.To : std::string_view(),
                  rec.MessageKey);
        rows_ready_ = false;
      }
    }

    hooks_->AfterTestedLine();
    if (stop_) break;
  }
  return true;
}

// Depth first in listing order, as a recursion would go, but on an explicit stack: a deep
// store must not exhaust the thread's stack, which in the host is the host's own.
bool TSearchRun::SearchSubFolders(const std::string& dir) {
  struct Frame {
    std::string dir;  // ends in a backslash
    std::vector<std::string> names;
    size_t next = 0;
  };
  std::vector<Frame> stack;
  stack.push_back({WithBackslash(dir), fs_->ListSubdirectories(dir)});
  while (!stack.empty()) {
    Frame& top = stack.back();
    if (top.next == top.names.size()) {
      stack.pop_back();
      continue;
    }
    const std::string& name = top.names[top.next++];
    if (name.empty() || name == "." || name == "..") continue;
    std::string sub = top.dir + name + '\\';
    const std::string index = sub + std::string(kIndexName);
    // A directory without an index is no mail folder, and nothing below it is searched.
    if (!fs_->FileExists(index)) continue;
    if (!SearchIndexFile(index, true)) return false;
    std::vector<std::string> names = fs_->ListSubdirectories(sub);
    stack.push_back({std::move(sub), std::move(names)});
  }
  return true;
}

}  // namespace zeldrium
