#ifndef ZELDRIUM_UI_PORTABLE_SEARCH_CONTROLLER_H_
#define ZELDRIUM_UI_PORTABLE_SEARCH_CONTROLLER_H_

// The search window's runs, without the window: what the next run searches, the run with its
// hooks, its start and its end, the pauses in which the thread's messages get through, and the
// rows handed to the list. One run at a time (main_view_runs.h): a request during a run makes
// the running one give up at its next pause, and the latest request decides what is searched.
//
// The window shows the runs (SearchView); the platform lets the messages through and keeps
// memory for the host (SearchPlatform). Searching a text while it is typed would be one more
// kind of request here, naming what the next run searches: the newest request already wins.
//
// While a run reads index files it lets the thread's messages through, but only every 15 ms of
// run time: looking at the queue after every line would cost more than testing the line. The
// date limit is read again after each such pause, since only then can the user have changed it.
// When the scheduler says the running run is to give up, the run is ended at its next pause by
// an exception thrown through the core's run (which lets a hook's exception pass and cleans up
// behind it) and caught where the run was started, only there.

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
#include "ui/portable/mail_host.h"
#include "ui/portable/main_view_runs.h"

namespace zeldrium {
class TSearchRun;
}  // namespace zeldrium

namespace ui {

// What the runs ask of the window that shows them.
class SearchView {
 public:
  virtual ~SearchView() = default;
  // The condition the next run searches (the current tab's), or null for none. Asked as the run
  // starts, which works on a copy: the condition may change while the run lets messages through.
  virtual const zeldrium::TFindRec* CurrentCondition() = 0;
  // The date limit as the user has set it now: true with *limit (Unix seconds of a local day),
  // false for none.
  virtual bool DateLimit(uint32_t* limit) = 0;
  // A run starts searching rec.
  virtual void RunStarted(const zeldrium::TFindRec& rec) = 0;
  // The run has unwound: its rows, newest first, to be shown as the list. They are counted
  // unless the run failed; the count of the last good run then stays.
  virtual void RunEnded(zeldrium::THitList hits, bool counted) = 0;
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

  // Searches the view's current condition, in the host's current folder and the condition's
  // folders; nothing without a current condition. During a run the running one gives way and
  // this one follows.
  void RunCurrent();
  // Ends the reading of the index file being read; the run goes on with the next one.
  void Stop();

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

 private:
  class Hooks;

  void RunOnce();
  // RunOnce but for a fault; *started once the view was told that a run starts.
  void RunAndShow(bool* started);

  zeldrium::FileSystem& fs_;
  MailHost& host_;
  SearchView& view_;
  SearchPlatform& platform_;
  std::unique_ptr<Hooks> hooks_;
  std::unique_ptr<zeldrium::TSearchRun> run_;
  RunScheduler runs_;
};

}  // namespace ui

#endif  // ZELDRIUM_UI_PORTABLE_SEARCH_CONTROLLER_H_
