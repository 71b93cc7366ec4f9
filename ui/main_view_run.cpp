// The search run as the window drives it, and the rule of one run at a time (see main_view.h).
//
// While a run reads index files it lets the thread's messages through, but only every
// kPumpInterval of run time: looking at the queue after every line would cost more than
// testing the line. The date limit is read again after each such pause, since only then can
// the user have changed the picker.
//
// Which run goes when is the scheduler's (ui/portable/main_view_runs.h). When it says the running
// run is to give up, the hook ends the run at its next pause by throwing RunGivenUp through the
// core's run (which lets a hook's exception pass and cleans up behind it); RunOnce catches it, and
// only there. WM_QUIT met while pausing ends the run the same way and is posted again for the
// loop it was meant for.
//
// The library must not be unmapped while a run is on the stack (the host may unload it from a
// message the run lets through): a series of runs first keeps the module mapped until the
// process ends (win32/module_life.h). When the host announces its exit during a run, the run
// gives way and starts no other; the window is released once the run has unwound.
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "engine/search_run.h"
#include "text/code_page_win.h"
#include "text/str_libs.h"
#include "ui/main_view.h"
#include "ui/main_view_ids.h"
#include "win32/address_space.h"
#include "win32/module_life.h"
#include "win32/window.h"

using namespace mainview;

namespace {

// Thrown through the core's run by its hook when the scheduler ends the run.
struct RunGivenUp {};

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
    return form_.host_.FolderDisplayName(folder_id);
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
    if (form_.runs_.ShouldGiveUp()) throw RunGivenUp{};
  }

  void ReadLimit() {
    SYSTEMTIME day;
    limit_on_ = form_.ToolBar8.ReadDatePicker(&day);
    if (!limit_on_) return;
    zeldrium::TDateTime date = 0;
    zeldrium::EncodeDateTime({day.wYear, day.wMonth, day.wDay}, &date);
    limit_ = zeldrium::DateToUnix(date);
  }

  TMainForm& form_;
  win32::AddressSpaceGuard guard_;
  int64_t last_pump_ = 0;
  int lines_ = 0;
  bool limit_on_ = false;
  uint32_t limit_ = 0;
};

// Here, where RunHooks is complete.
TMainForm::TMainForm(zeldrium::TInitParam& params, ui::MailHost& host, zeldrium::FileSystem& fs)
    : params_(params), host_(host), fs_(fs), runs_([this] { RunOnce(); }) {}

TMainForm::~TMainForm() { Destroy(); }

void TMainForm::WhenIdle(std::function<void()> action, ui::RunScheduler::Wait wait) {
  runs_.WhenIdle(std::move(action), wait);
}

void TMainForm::AfterRuns(std::function<void()> action) { runs_.AfterRuns(std::move(action)); }

// A series of runs keeps the library mapped (see the top of this file).
void TMainForm::RunSearch() {
  if (CurrentTab() < 0) return;
  if (!runs_.Busy()) win32::KeepModuleMapped();
  runs_.RequestRun();
}

void TMainForm::HostExiting() {
  runs_.HostExiting();
  if (hwnd()) ShowWindow(hwnd(), SW_HIDE);
}

void TMainForm::RunOnce() {
  const int tab = CurrentTab();
  if (tab < 0) return;
  // The run works on its own copy; the record itself may be edited once the run is over.
  const zeldrium::TFindRec rec = params_.FindList.GetRec(tab);
  const std::string folder = host_.CurrentFolder();
  const std::string mailbox = host_.CurrentMailBox();
  const std::string data = host_.DataFolder();
  if (!hooks_) hooks_ = std::make_unique<RunHooks>(*this);
  if (!run_) {
    run_ = std::make_unique<zeldrium::TSearchRun>(&fs_, hooks_.get());
    run_->SetAllocationCheck(
        [hooks = hooks_.get()](size_t bytes) { return hooks->MayTake(bytes); });
  }

  RunStarted(rec);
  hooks_->Start();
  bool ended_early = false;
  zeldrium::SearchStatus status = zeldrium::SearchStatus::kCompleted;
  std::string error;
  try {
    status = run_->Run(rec, {data, folder, mailbox});
    if (status == zeldrium::SearchStatus::kError) error = run_->Error();
  } catch (const RunGivenUp&) {
    ended_early = true;
  } catch (const std::exception& e) {
    status = zeldrium::SearchStatus::kError;
    error = e.what();
  }
  // A run that gave up keeps its rows until the next one replaces them, and they are counted: the
  // list never shows rows under the count of another run. After an error the count of the last
  // good run stays, as the rows found before it do. A run that ran out of memory ends as a
  // stopped one: its rows stay and are counted, and the message says why.
  const bool failed = !ended_early && status == zeldrium::SearchStatus::kError;
  RunEnded(!failed);
  if (failed) ReportRunError(error);
  if (!ended_early && status == zeldrium::SearchStatus::kOutOfMemory) {
    ReportRunError(std::string(zeldrium::kOutOfMemoryText));
  }
}

void TMainForm::RunStarted(const zeldrium::TFindRec& rec) {
  saved_cursor_ = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  ToolBar8.EnableButton(kStopBtn, true);
  ToolBar8.EnableButton(kFindBtn, false);
  ToolBar8.EnableButton(kReFindBtn, false);
  ToolBar8.EnableButton(kPropBtn, false);
  MailList.Clear();
  ShowCondition(rec);
}

void TMainForm::RunEnded(bool counted) {
  ToolBar8.EnableButton(kStopBtn, false);
  ToolBar8.EnableButton(kFindBtn, true);
  ToolBar8.EnableButton(kReFindBtn, true);
  ToolBar8.EnableButton(kPropBtn, CurrentTab() >= 0);
  zeldrium::THitList hits = run_->TakeHits();
  if (counted) ToolBar8.SetCounter(hits.size());
  MailList.SetHits(std::move(hits));
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
      runs_.QuitSeen();
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    if (static_cast<LONG>(msg.time - began) > 0) return;
  }
}

void TMainForm::ReportRunError(const std::string& text) {
  win32::ModalMessageBox(Visible() ? hwnd() : nullptr, zeldrium::WideFrom932(text), L"Zeldrium",
                         MB_OK | MB_ICONERROR);
}
