#include "ui/portable/main_view_runs.h"

#include <utility>

namespace ui {
namespace {

// Sets a flag for the life of a scope, also when the scope is left by an exception.
class FlagScope {
 public:
  explicit FlagScope(bool* flag) : flag_(flag) { *flag_ = true; }
  ~FlagScope() { *flag_ = false; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

 private:
  bool* flag_;
};

}  // namespace

RunScheduler::RunScheduler(std::function<void()> run_once,
                           std::function<void(std::exception_ptr)> on_fault)
    : run_once_(std::move(run_once)), on_fault_(std::move(on_fault)) {}

void RunScheduler::RequestRun() {
  if (host_exiting_) return;
  if (Busy()) {
    run_wanted_ = true;
    if (running_) give_up_ = true;
    return;
  }
  RunSeries();
}

void RunScheduler::WhenIdle(std::function<void()> action, Wait wait) {
  if (!running_) {
    action();
    return;
  }
  waiting_.push_back(std::move(action));
  if (wait == Wait::kEndTheRun) give_up_ = true;
}

void RunScheduler::AfterRuns(std::function<void()> action) {
  if (Busy()) {
    waiting_.push_back(std::move(action));
  } else {
    action();
  }
}

void RunScheduler::QuitSeen() {
  quit_seen_ = true;
  if (running_) give_up_ = true;
}

void RunScheduler::HostExiting() {
  host_exiting_ = true;
  if (running_) give_up_ = true;
}

// Runs until nothing is asked for: what waited for the last run, then the run asked for meanwhile.
void RunScheduler::RunSeries() {
  FlagScope series(&in_series_);
  quit_seen_ = false;
  run_wanted_ = true;
  for (;;) {
    std::vector<std::function<void()>> batch;
    batch.swap(waiting_);
    CarryOut(&batch);
    if (run_wanted_ && !quit_seen_ && !host_exiting_) {
      run_wanted_ = false;
      give_up_ = false;
      {
        FlagScope running(&running_);
        run_once_();
      }
      give_up_ = false;
      continue;
    }
    run_wanted_ = false;
    if (waiting_.empty()) break;
  }
}

void RunScheduler::CarryOut(std::vector<std::function<void()>>* actions) {
  for (auto& action : *actions) {
    try {
      action();
    } catch (...) {
      if (on_fault_) {
        try {
          on_fault_(std::current_exception());
        } catch (...) {
        }
      }
    }
  }
}

}  // namespace ui
