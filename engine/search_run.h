#ifndef ZELDRIUM_ENGINE_SEARCH_RUN_H_
#define ZELDRIUM_ENGINE_SEARCH_RUN_H_

// One search run: the folders of a condition (the host's current folder first), their index
// files read once each, subfolders walked depth first when asked, every dated line within the
// date limit tested, hits collected as result rows and sorted newest first. The window and the
// command-line tool drive the same run; what differs between them goes through SearchHooks.
//
// A run reads and tests on the thread that calls it, one chunk of a file at a time, and starts
// no thread: in the host's process everything runs on the host's window thread, and the window
// stays responsive through the hooks, which it uses to let its messages through now and then.

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "engine/hit_list.h"
#include "engine/idx_lines.h"
#include "engine/word_prefilter.h"
#include "query/find_class.h"
#include "store/file_system.h"
#include "store/folder_idx.h"
#include "store/folder_walk.h"
#include "store/index_file.h"
#include "store/mailboxes.h"

namespace zeldrium {

// What the run asks of whoever drives it. Called on the run's thread, from inside Run().
class SearchHooks {
 public:
  virtual ~SearchHooks() = default;
  // The name the host shows for a folder; asked once per index file that has hits, unless the
  // run only counts them.
  virtual std::string FolderDisplayName(std::string_view folder_id);
  // True, with *limit set, when lines older than *limit are to be dropped. Asked again for
  // every dated line, since the user may change the limit while the run pumps messages.
  virtual bool DateLimit(uint32_t* limit);
  // After every line that was tested against the condition (not after lines dropped for a
  // missing date or the date limit). The window lets its message loop run here; a stop button
  // pressed meanwhile calls TSearchRun::RequestStop.
  virtual void AfterTestedLine();
  // Every line that matched, as it is found and before the run keeps or counts it; false drops
  // it. The views of rec are valid only during the call. The default keeps every hit.
  virtual bool KeepHit(std::string_view folder_id, const TFolderIdx& rec);
  // After an index file could not be read or held a bad date, with the file's path and the
  // error's text as TSearchRun::Error() gives it: true goes on with the next index file (the
  // rest of this one is skipped), false ends the run there, as the window does (the default).
  virtual bool GoOnAfterError(std::string_view path, std::string_view message);
};

// Where a run searches. Texts are as the host gives them; an empty text stands for none.
struct SearchScope {
  std::string_view data_folder;  // the host's data root
  std::string_view current_folder;
  std::string_view current_mailbox;
  FolderScope folders = FolderScope::kCurrentFolder;
};

// What a run keeps of its hits. Counting alone keeps nothing per hit; To is only shown by the
// command line's JSON, so it is kept only when asked for, or when the words found in From are
// to be marked and a row over From and To may hold by what To holds (kRowsToMark, which keeps
// To only then: TFindMatcher::MarksNeedTo).
enum class RowsKept {
  kCountOnly,
  kRows,
  kRowsWithTo,
  kRowsToMark,
};

enum class SearchStatus {
  kCompleted,    // every folder searched (a stop request skips only the rest of one file)
  kError,        // an index file could not be read or held a bad date: Error() says which
                 // (with GoOnAfterError, every folder was searched all the same)
  kBusy,         // Run() was called while a run was going on; nothing was done
  kOutOfMemory,  // ended where memory ran out; the hits kept until then are its rows
};

// Error() of a run that ran out of memory: "メモリが足りないため、検索を途中で終えました".
inline constexpr std::string_view kOutOfMemoryText =
    "\x83\x81\x83\x82\x83\x8a\x82\xaa\x91\xab\x82\xe8\x82\xc8\x82\xa2\x82\xbd\x82\xdf\x81\x41"
    "\x8c\x9f\x8d\xf5\x82\xf0\x93\x72\x92\x86\x82\xc5\x8f\x49\x82\xa6\x82\xdc\x82\xb5\x82\xbd";

// The folder IDs a run searches, in order: those of folders_csv (a comma list), each ending in
// a backslash, empty items left out; and in front of them the current folder, unless the list
// holds it already (ignoring case) or the host shows a mailbox rather than a folder.
std::vector<std::string> BuildFolderList(std::string_view folders_csv,
                                         std::string_view current_folder,
                                         std::string_view current_mailbox);
// Whether the host shows a mailbox itself (its current folder is its current mailbox, ASCII
// letters compared ignoring case): then it has no current folder.
bool ShowsMailbox(std::string_view current_folder, std::string_view current_mailbox);

// The folders a run walks, in order, and which of them with their subfolders: the scope's
// folders first (for kCurrentFolder, as BuildFolderList puts it in front), then the condition's
// fixed folders with its SubFolder. A fixed folder that the scope already walks with its
// subfolders is left out; one folder given twice is walked once.
std::vector<TFolderWalk::Root> ScopeFolders(FileSystem* fs, const TFindRec& condition,
                                            const SearchScope& scope);

class TSearchRun {
 public:
  // REQUIRES: fs and hooks outlive the run.
  TSearchRun(FileSystem* fs, SearchHooks* hooks);
  ~TSearchRun();
  TSearchRun(const TSearchRun&) = delete;
  TSearchRun& operator=(const TSearchRun&) = delete;

  // Runs condition over scope. The condition is copied at the start, so the caller may change
  // or delete it from inside a hook. The rows of the previous run are dropped, except when this
  // returns kBusy, which leaves the running run undisturbed. An exception thrown by a hook ends
  // the run and passes through, except std::bad_alloc, which ends it as memory running out
  // anywhere in the run does: kOutOfMemory, with the hits kept until then.
  SearchStatus Run(const TFindRec& condition, const SearchScope& scope,
                   RowsKept kept = RowsKept::kRowsToMark);

  // Ends the reading of the index file being read; the run goes on with the next one.
  void RequestStop() { stop_ = true; }
  // Ends the run where it is: the rest of the file being read and every file after it. The run
  // completes with the hits found so far.
  void RequestEnd() {
    stop_ = true;
    end_ = true;
  }
  bool Running() const { return running_; }

  // The hits of the last run, newest first; after an error, those found before it. During a
  // run, those found so far, in reading order.
  //
  // How many hits the last run found (so far, during a run), whatever it kept of them; taking
  // the hits does not change it. After kOutOfMemory, the hits it kept.
  size_t HitCount() const { return hit_count_; }
  // Fills *row with row i of Rows(), reusing its strings: a reader that goes through the rows
  // once needs no vector of them.
  // REQUIRES: the run kept rows, i < HitCount(), and TakeHits has not been called since.
  void GetRow(size_t i, THitRow* row) const { hits_.GetRow(i, row); }
  // Every row, made for this call: it costs time and memory in proportion to the hits, so a
  // reader of many rows takes them one at a time (GetRow) or all at once (TakeHits). Empty for a
  // run that only counted.
  std::vector<THitRow> Rows() const { return hits_.MakeRows(); }
  // Hands the hits over as the run keeps them, newest first, without a copy.
  THitList TakeHits();
  // Asked before each allocation for the hits, in this run and the next ones (see
  // THitList::SetAllocationCheck): a run that is refused memory ends with kOutOfMemory.
  void SetAllocationCheck(THitList::AllocationCheck check) {
    hits_.SetAllocationCheck(std::move(check));
  }
  // The error of the last run: the system's words for an unreadable file, prefixed with its
  // path, "'$<field>' は整数ではありません" for a bad date, or kOutOfMemoryText. ErrorPath() names
  // the file either way (for memory, the one being read, if any). When the hooks went on after
  // errors, the last of them.
  const std::string& Error() const { return error_; }
  const std::string& ErrorPath() const { return error_path_; }
  // Index files opened by the last run.
  int FilesRead() const { return files_read_; }

 private:
  struct OpenedFile;
  struct Tester;
  enum class Lines { kAll, kStopped, kBadDate };

  void OpenAhead(TFolderWalk* walk);
  bool OpenNext(TFolderWalk* walk, OpenedFile* file);
  bool SearchIndexFile(const OpenedFile& file, Tester* tester);
  Lines SearchLines(std::string_view data, bool at_end, Tester* tester, std::string* err);
  bool WithinLimit(int32_t date);
  bool Tested();
  void TakeHit(const TFolderIdx& rec);
  void OutOfMemory();
  bool Fail(const std::string& path, std::string message);

  FileSystem* fs_;
  SearchHooks* hooks_;

  bool running_ = false;
  bool stop_ = false;
  bool end_ = false;
  std::string data_folder_;
  // The index file being read: its folder, and its number in hits_ once it has a hit.
  std::string_view folder_id_;
  uint32_t folder_ = 0;
  bool have_folder_ = false;
  bool out_of_memory_ = false;
  std::string path_;  // the index file being read
  TIndexFileReader reader_;
  TIdxLineScanner lines_;
  std::vector<int32_t> other_dates_;            // of lines the prefilter passed over, in order
  std::deque<OpenedFile> ahead_;                // opened after the file being read, in order
  int64_t ahead_bytes_ = 0;                     // that the system was asked to read for them
  bool walked_ = false;                         // the walk has given its last index file
  std::unordered_set<std::string> done_files_;  // upper-cased paths
  RowsKept kept_ = RowsKept::kRows;
  THitList hits_;
  size_t hit_count_ = 0;
  std::string error_;
  std::string error_path_;
  int files_read_ = 0;
};

}  // namespace zeldrium

#endif  // ZELDRIUM_ENGINE_SEARCH_RUN_H_
