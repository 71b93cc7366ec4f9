// The search run as the window drives it, and the rule of one run at a time (see main_view.h).
//
// While a run reads index files it lets the thread's messages through, but only every
// kPumpInterval of run time: looking at the queue after every line would cost more than
// testing the line. The date limit is read again after each such pause, since only then can
// the user have changed the picker.
//
// A request that arrives during a run is queued in after_run_ and, when it asks for a new
// search, marks the running one superseded; the run then ends by an exception from its hook at
// the next pause, and StartRuns carries out the queue before it starts the next run. WM_QUIT
// met while pausing ends the run the same way and is posted again for the loop it was meant
// for.
//
// The library must not be unmapped while a run is on the stack (the host may unload it from a
// message the run lets through): a series of runs first keeps the module mapped until the
// process ends (host/module_life.h). When the host announces its exit during a run, the run
// gives way and starts no other; the window is released once the run has unwound.
#include <exception>
#include <string>
#include <utility>

#include "engine/search_run.h"
#include "host/b2api.h"
#include "host/module_life.h"
#include "text/str_libs.h"
#include "ui/address_space.h"
#include "ui/main_view.h"
#include "ui/main_view_ids.h"
#include "ui/text_win.h"

using namespace mainview;

namespace {

// Thrown through the run by its hook when a newer request or WM_QUIT ends it.
struct RunSuperseded {};

constexpr int64_t kPumpIntervalMicros = 15000;
// Lines tested between two looks at the clock.
constexpr int kLinesPerClockLook = 32;

int64_t NowMicros() {
  static const int64_t frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f.QuadPart > 0 ? f.QuadPart : 1;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart / frequency * 1000000 + now.QuadPart % frequency * 1000000 / frequency;
}

std::string HostText(LPCSTR text) { return text ? std::string(text) : std::string(); }

}  // namespace

class TMainForm::RunHooks : public zeldrium::SearchHooks {
 public:
  explicit RunHooks(TMainForm& form) : form_(form) {}

  void Start() {
    guard_.Reset();
    // The first look at the clock lets messages through at once: whatever was asked before the
    // run reaches the window while it runs, however quickly the run then goes.
    last_pump_ = NowMicros() - kPumpIntervalMicros;
    lines_ = 0;
    ReadLimit();
  }

  std::string FolderDisplayName(std::string_view folder_id) override {
    if (!BeckyAPI || !BeckyAPI->BKA_GetFolderDisplayName) return {};
    const std::string id(folder_id);
    return HostText(BeckyAPI->BKA_GetFolderDisplayName(id.c_str()));
  }

  // Asked for every dated line, also those the limit then drops: the pauses come at the same
  // pace whatever the limit leaves to test.
  bool DateLimit(uint32_t* limit) override {
    if (++lines_ >= kLinesPerClockLook) {
      lines_ = 0;
      if (NowMicros() - last_pump_ >= kPumpIntervalMicros) Pause();
    }
    if (limit_on_) *limit = limit_;
    return limit_on_;
  }

  // The hits may take memory only while the host keeps enough of its own.
  bool MayTake(size_t bytes) { return guard_.MayTake(bytes); }

 private:
  void Pause() {
    form_.PumpMessages();
    last_pump_ = NowMicros();
    ReadLimit();
    if (form_.superseded_ || form_.quit_seen_) throw RunSuperseded{};
  }

  void ReadLimit() {
    SYSTEMTIME day;
    limit_on_ = form_.ReadDatePicker(&day);
    if (!limit_on_) return;
    zeldrium::TDateTime date = 0;
    zeldrium::EncodeDateTime({day.wYear, day.wMonth, day.wDay}, &date);
    limit_ = zeldrium::DateToUnix(date);
  }

  TMainForm& form_;
  ui::AddressSpaceGuard guard_;
  int64_t last_pump_ = 0;
  int lines_ = 0;
  bool limit_on_ = false;
  uint32_t limit_ = 0;
};

// Here, where RunHooks is complete.
TMainForm::TMainForm(zeldrium::TInitParam& params) : params_(params) {}

TMainForm::~TMainForm() { Destroy(); }

void TMainForm::WhenIdle(std::function<void()> action, bool supersedes_run) {
  if (!running_) {
    action();
    return;
  }
  after_run_.push_back(std::move(action));
  if (supersedes_run) superseded_ = true;
}

void TMainForm::AfterRuns(std::function<void()> action) {
  if (running_ || in_runs_) {
    after_run_.push_back(std::move(action));
  } else {
    action();
  }
}

void TMainForm::RunSearch() {
  if (CurrentTab() < 0) return;
  if (running_ || in_runs_) {
    run_wanted_ = true;
    if (running_) superseded_ = true;
    return;
  }
  StartRuns();
}

void TMainForm::HostExiting() {
  host_exiting_ = true;
  if (running_) superseded_ = true;
  if (hwnd()) ShowWindow(hwnd(), SW_HIDE);
}

void TMainForm::StartRuns() {
  host::KeepModuleMapped();
  struct InRuns {
    explicit InRuns(bool* flag) : flag(flag) { *flag = true; }
    ~InRuns() { *flag = false; }
    bool* flag;
  } in_runs(&in_runs_);
  quit_seen_ = false;
  run_wanted_ = true;
  for (;;) {
    std::vector<std::function<void()>> batch;
    batch.swap(after_run_);
    for (auto& action : batch) {
      try {
        action();
      } catch (...) {
      }
    }
    if (run_wanted_ && !quit_seen_ && !host_exiting_) {
      run_wanted_ = false;
      RunOnce();
      continue;
    }
    run_wanted_ = false;
    if (after_run_.empty()) break;
  }
}

void TMainForm::RunOnce() {
  const int tab = CurrentTab();
  if (tab < 0) return;
  // The run works on its own copy; the record itself may be edited once the run is over.
  const zeldrium::TFindRec rec = params_.FindList.GetRec(tab);
  std::string folder, mailbox, data;
  if (BeckyAPI) {
    if (BeckyAPI->BKA_GetCurrentFolder) folder = HostText(BeckyAPI->BKA_GetCurrentFolder());
    if (BeckyAPI->BKA_GetCurrentMailBox) mailbox = HostText(BeckyAPI->BKA_GetCurrentMailBox());
    if (BeckyAPI->BKA_GetDataFolder) data = HostText(BeckyAPI->BKA_GetDataFolder());
  }
  if (!hooks_) hooks_ = std::make_unique<RunHooks>(*this);
  if (!run_) {
    run_ = std::make_unique<zeldrium::TSearchRun>(fs_.get(), hooks_.get());
    run_->SetAllocationCheck(
        [hooks = hooks_.get()](size_t bytes) { return hooks->MayTake(bytes); });
  }

  RunStarted(rec);
  hooks_->Start();
  superseded_ = false;
  bool ended_early = false;
  zeldrium::SearchStatus status = zeldrium::SearchStatus::kCompleted;
  std::string error;
  running_ = true;
  try {
    status = run_->Run(rec, {data, folder, mailbox});
    if (status == zeldrium::SearchStatus::kError) error = run_->Error();
  } catch (const RunSuperseded&) {
    ended_early = true;
  } catch (const std::exception& e) {
    status = zeldrium::SearchStatus::kError;
    error = e.what();
  }
  running_ = false;
  // A run that ran out of memory ends as a stopped one: its rows stay and are counted.
  const bool out_of_memory = status == zeldrium::SearchStatus::kOutOfMemory;
  if (!ended_early && (status == zeldrium::SearchStatus::kCompleted || out_of_memory)) {
    SetCounter(run_->HitCount());
  }
  RunEnded();
  if (ended_early) return;
  if (status == zeldrium::SearchStatus::kError) ReportRunError(error);
  if (out_of_memory) ReportRunError(std::string(zeldrium::kOutOfMemoryText));
}

void TMainForm::RunStarted(const zeldrium::TFindRec& rec) {
  saved_cursor_ = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  EnableButton(kStopBtn, true);
  EnableButton(kFindBtn, false);
  EnableButton(kReFindBtn, false);
  EnableButton(kPropBtn, false);
  MailList.Clear();
  ShowCondition(rec);
}

void TMainForm::RunEnded() {
  EnableButton(kStopBtn, false);
  EnableButton(kFindBtn, true);
  EnableButton(kReFindBtn, true);
  EnableButton(kPropBtn, CurrentTab() >= 0);
  MailList.SetHits(run_->TakeHits());
  MailList.SortNewestFirst();
  SetCursor(saved_cursor_);
}

void TMainForm::PumpMessages() {
  // Only what was waiting when the pause began: a message that posts itself again (or a
  // stream of them) must not hold the run up.
  const DWORD began = GetTickCount();
  MSG msg;
  for (int n = 0; n < 1000 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++n) {
    if (msg.message == WM_QUIT) {
      quit_seen_ = true;
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    if (static_cast<LONG>(msg.time - began) > 0) return;
  }
}

void TMainForm::ReportRunError(const std::string& text) {
  ui::ModalMessageBox(Visible() ? hwnd() : nullptr, ui::WideFrom932(text), L"Zeldrium",
                      MB_OK | MB_ICONERROR);
}
