#ifndef ZELDRIUM_UI_PORTABLE_SEARCH_CONTROLLER_H_
#define ZELDRIUM_UI_PORTABLE_SEARCH_CONTROLLER_H_

// The search window's runs, without the window: what the next run searches, the run with its
// hooks, its start and its end, the pauses in which the thread's messages get through, and the
// rows handed to the list. One run at a time (main_view_runs.h): a request during a run makes
// the running one give up at its next pause, and the latest request decides what is searched.
//
// Two kinds of request: the current tab's condition (RunCurrent), and a preview of the text as
// the user types it (RunPreview), which is a condition no tab holds. Each keystroke asks for a
// preview; the newest wins, and one that arrives while a run reads ends that run at its next
// pause, so there is never a queue of runs for texts the user has typed past. A preview that
// ran to its end is remembered: Enter on the same text makes a tab of it without reading the
// store again (PreviewHolds).
//
// The window shows the runs (SearchView); the platform lets the messages through and keeps
// memory for the host (SearchPlatform).
//
// While a run reads index files it lets the thread's messages through, but only every 15 ms of
// run time: looking at the queue after every line would cost more than testing the line. The
// date limit is read again after each such pause, since only then can the user have changed it,
// and from the second pause on the window is told the hits so far. When the scheduler says the
// running run is to give up, the run is ended at its next pause by an exception thrown through
// the core's run (which lets a hook's exception pass and cleans up behind it) and caught where
// the run was started, only there.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "engine/hit_list.h"
#include "query/find_class.h"
#include "store/file_system.h"
#include "store/mailboxes.h"
#include "ui/portable/mail_host.h"
#include "ui/portable/main_view_runs.h"

namespace zeldrium {
class TSearchRun;
}  // namespace zeldrium

namespace ui {

// How a run ended, as the window shows it.
struct RunEnd {
  // The rows are counted. False after an error: the count of the last good run stays, as do the
  // rows found before the error.
  bool counted = true;
  // The run gave up for a newer search, or its preview's text is gone: its rows answer nothing
  // and there are none (the list is to be emptied).
  bool abandoned = false;
  // Another run starts at once.
  bool another_follows = false;
  // The scope was the host's folder while the host showed a mailbox itself: no folder of the
  // host was searched, only the condition's fixed folders.
  bool mailbox_shown = false;
};

// What the runs ask of the window that shows them.
class SearchView {
 public:
  virtual ~SearchView() = default;
  // The condition the next run of the current tab searches, or null for none. Asked as the run
  // starts, which works on a copy: the condition may change while the run lets messages through.
  virtual const zeldrium::TFindRec* CurrentCondition() = 0;
  // Where the next run looks besides the condition's fixed folders.
  virtual zeldrium::FolderScope Scope() = 0;
  // The date limit as the user has set it now: true with *limit (Unix seconds of a local day),
  // false for none.
  virtual bool DateLimit(uint32_t* limit) = 0;
  // A run starts searching rec; a preview searches the text the user is typing.
  virtual void RunStarted(const zeldrium::TFindRec& rec, bool preview) = 0;
  // The run is still reading and has found hits so far.
  virtual void RunProgress(size_t hits) = 0;
  // The run has unwound: its rows, newest first, to be shown as the list.
  virtual void RunEnded(zeldrium::THitList hits, const RunEnd& end) = 0;
  // Something the user must be told (code page 932), after the run has ended.
  virtual void ShowError(std::string_view text) = 0;
};

// What the runs need of the thread and the process they run in.
class SearchPlatform {
 public:
  virtual ~SearchPlatform() = default;
  // Runs are about to begin, none being on the stack: their pauses will let messages through
  // with the runs' frames below.
  virtual void RunsBegin() = 0;
  // One run begins: memory may have come back since the last.
  virtual void RunBegins() = 0;
  // Whether the hits may take bytes more memory and still leave the host enough of its own.
  virtual bool MayTake(size_t bytes) = 0;
  // Lets the messages waiting for the thread through. False when one of them asked the thread's
  // loop to quit: the request is left for that loop.
  virtual bool LetMessagesThrough() = 0;
  // A steady clock, in microseconds: when the next pause is due.
  virtual int64_t NowMicros() = 0;
};

class SearchController {
 public:
  using Wait = RunScheduler::Wait;

  // REQUIRES: fs, host, view and platform outlive the controller.
  SearchController(zeldrium::FileSystem& fs, MailHost& host, SearchView& view,
                   SearchPlatform& platform);
  ~SearchController();
  SearchController(const SearchController&) = delete;
  SearchController& operator=(const SearchController&) = delete;

  // Searches the view's current condition, in the view's scope and the condition's folders;
  // nothing without a current condition. During a run the running one gives way and this one
  // follows.
  void RunCurrent();
  // Searches rec, the text being typed, as a preview: no tab holds it. During a run the running
  // one gives way and this one follows.
  void RunPreview(zeldrium::TFindRec rec);
  // The text being typed is gone (emptied): a preview that is asked for or running is dropped,
  // its rows with it. Nothing else changes.
  void DropPreview();
  // The host opened another folder: what the list shows is searched again, unless the scope
  // does not depend on the host's folder (every mailbox, or the same mailbox as before).
  void HostFolderChanged();
  // The scope changed: what the list shows is searched again; nothing before the first run.
  void SearchAgain();
  // Stops the running run as the stop button does: in the scope of the host's folder, the rest
  // of the index file being read is skipped and the run goes on with the next one; in the wider
  // scopes, which read a whole store, the run ends there. Its rows are kept and counted.
  void Stop();

  // True when the list holds every row of a preview that searched what rec searches, in the
  // scope and under the date limit that a run started now would have: that run would find the
  // same rows. Never during a run.
  bool PreviewHolds(const zeldrium::TFindRec& rec);
  // When PreviewHolds(rec): true, and the rows count as those of a run of the current tab from
  // now on (the tab that Enter made of the preview).
  bool AdoptPreview(const zeldrium::TFindRec& rec);
  // The list shows the rows of a preview, not of a tab.
  bool ShowsPreview() const { return last_was_preview_; }

  // What the window does between runs (main_view_runs.h): at once when no run is on the stack,
  // else once it has unwound.
  void WhenIdle(std::function<void()> action, Wait wait) {
    runs_.WhenIdle(std::move(action), wait);
  }
  void AfterRuns(std::function<void()> action) { runs_.AfterRuns(std::move(action)); }

  // The host is about to unload the library: a running run gives way and no other starts.
  void HostExiting() { runs_.HostExiting(); }
  // True from the start of a run until it has unwound.
  bool Running() const { return runs_.Running(); }
  // True while the running run is a preview.
  bool RunningPreview() const { return runs_.Running() && running_.preview; }

 private:
  class Hooks;

  // What a run searches, and where it looked.
  struct Searched {
    bool preview = false;
    zeldrium::TFindRec rec;  // a preview's condition; the current tab's is asked for as it starts
    zeldrium::FolderScope scope = zeldrium::FolderScope::kCurrentFolder;
    std::string data, folder, mailbox;
    bool limit_on = false;
    uint32_t limit = 0;
  };

  void Request();
  void RepeatLast();
  void RunOnce();
  // RunOnce but for a fault; *started once the view was told that a run starts.
  void RunAndShow(bool* started);
  // Where a run started now would look, and under which limit.
  void ReadWhere(Searched* where);

  zeldrium::FileSystem& fs_;
  MailHost& host_;
  SearchView& view_;
  SearchPlatform& platform_;
  std::unique_ptr<Hooks> hooks_;
  std::unique_ptr<zeldrium::TSearchRun> run_;
  RunScheduler runs_;
  Searched wanted_;   // what the next run searches
  Searched running_;  // what the running (or last) run searches
  bool searched_ = false;
  bool stopped_ = false;
  // The list holds every row of running_, a preview.
  bool preview_shown_ = false;
  // The last run was a preview, and what HostFolderChanged searches again is wanted_'s rec.
  bool last_was_preview_ = false;
};

}  // namespace ui

#endif  // ZELDRIUM_UI_PORTABLE_SEARCH_CONTROLLER_H_
