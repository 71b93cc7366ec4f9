#ifndef ZELDRIUM_UI_PORTABLE_MAIN_VIEW_RUNS_H_
#define ZELDRIUM_UI_PORTABLE_MAIN_VIEW_RUNS_H_

// The search window's rule of one search run at a time.
//
// A run lets the thread's messages through while it reads, so the user, the host and the hot key
// reach the window in the middle of it. Nothing may start a run inside a run, and nothing may
// change the condition being searched or the result list under it. So:
// - a request for a run during a run makes the running one give up at its next pause, and one
//   run follows once it has unwound: the latest request decides what is searched;
// - an action that would change a condition waits for the end of the running run, and may make
//   that run give up first (a new quick search) or let it finish (全て消去);
// - an action can be told to wait until every run asked for so far has ended (showing the window
//   once its rows are there).
//
// No window and no exception: the run itself asks ShouldGiveUp at its pauses and returns early.

#include <exception>
#include <functional>
#include <vector>

namespace ui {

class RunScheduler {
 public:
  // Whether an action that must wait for the running run ends that run first.
  enum class Wait { kEndTheRun, kLetItFinish };

  // run_once carries out one run; it asks ShouldGiveUp at each pause and returns when told to.
  // REQUIRES: run_once calls none of the scheduler's operations but the read-only ones;
  // whatever it lets through (the messages) may call any of them.
  // on_fault (may be empty) hears of an action that threw after waiting for a run.
  explicit RunScheduler(std::function<void()> run_once,
                        std::function<void(std::exception_ptr)> on_fault = nullptr);
  RunScheduler(const RunScheduler&) = delete;
  RunScheduler& operator=(const RunScheduler&) = delete;

  // Asks for a run. When nothing is going on, the run is made before this returns, together with
  // whatever was asked meanwhile. During a run, the running one gives up and one more follows.
  void RequestRun();
  // Carries out action at once when no run is on the stack; otherwise once the running run has
  // unwound, in the order asked, before the next run starts. An action that throws after waiting
  // is ended there and on_fault told (its caller has long returned); the others still run.
  void WhenIdle(std::function<void()> action, Wait wait);
  // Carries out action once no run is asked for any more: at once when nothing is going on.
  void AfterRuns(std::function<void()> action);

  // Takes back the run asked for during a run: none follows it unless asked for again.
  void DropRequest() { run_wanted_ = false; }
  // Makes the running run give up at its next pause, and nothing else.
  void EndTheRun() { give_up_ = running_; }
  // The thread's loop was asked to quit while a run let messages through: that run gives up and
  // no further run starts until the next request after it.
  void QuitSeen();
  // The host is about to unload the library: a running run gives up and no run starts again.
  void HostExiting();

  // For the run's pauses: whether to end now.
  bool ShouldGiveUp() const { return give_up_; }
  // A run is on the stack.
  bool Running() const { return running_; }
  // A run, or what waited for one, is on the stack: a new series cannot start now.
  bool Busy() const { return running_ || in_series_; }
  bool HostExited() const { return host_exiting_; }
  // For the running run as it ends: another run starts once it has unwound.
  bool RunFollows() const { return run_wanted_ && !quit_seen_ && !host_exiting_; }

 private:
  void RunSeries();
  void CarryOut(std::vector<std::function<void()>>* actions);

  std::function<void()> run_once_;
  std::function<void(std::exception_ptr)> on_fault_;
  std::vector<std::function<void()>> waiting_;
  bool running_ = false;
  bool in_series_ = false;
  bool run_wanted_ = false;
  bool give_up_ = false;
  bool quit_seen_ = false;
  bool host_exiting_ = false;
};

}  // namespace ui

#endif  // ZELDRIUM_UI_PORTABLE_MAIN_VIEW_RUNS_H_
