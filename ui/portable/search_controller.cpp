#include "ui/portable/search_controller.h"

#include <exception>
#include <string>
#include <utility>

#include "engine/search_run.h"
#include "ui/portable/fault_text.h"

namespace ui {
namespace {

// Thrown through the core's run by its hook when the scheduler ends the run.
struct RunGivenUp {};

constexpr int64_t kPauseIntervalMicros = 15000;
// Lines tested between two looks at the clock.
constexpr int kLinesPerClockLook = 32;

}  // namespace

class SearchController::Hooks : public zeldrium::SearchHooks {
 public:
  explicit Hooks(SearchController& runs) : runs_(runs) {}

  void Start() {
    runs_.platform_.RunBegins();
    // The first look at the clock lets messages through at once: whatever was asked before the
    // run reaches the window while it runs, however quickly the run then goes.
    last_pause_ = runs_.platform_.NowMicros() - kPauseIntervalMicros;
    lines_ = 0;
    ReadLimit();
  }

  std::string FolderDisplayName(std::string_view folder_id) override {
    return runs_.host_.FolderDisplayName(folder_id);
  }

  // Asked for every dated line, also those the limit then drops: the pauses come at the same
  // pace whatever the limit leaves to test.
  bool DateLimit(uint32_t* limit) override {
    if (++lines_ >= kLinesPerClockLook) {
      lines_ = 0;
      if (runs_.platform_.NowMicros() - last_pause_ >= kPauseIntervalMicros) Pause();
    }
    if (limit_on_) *limit = limit_;
    return limit_on_;
  }

 private:
  void Pause() {
    if (!runs_.platform_.LetMessagesThrough()) runs_.runs_.QuitSeen();
    last_pause_ = runs_.platform_.NowMicros();
    ReadLimit();
    if (runs_.runs_.ShouldGiveUp()) throw RunGivenUp{};
  }

  void ReadLimit() { limit_on_ = runs_.view_.DateLimit(&limit_); }

  SearchController& runs_;
  int64_t last_pause_ = 0;
  int lines_ = 0;
  bool limit_on_ = false;
  uint32_t limit_ = 0;
};

SearchController::SearchController(zeldrium::FileSystem& fs, MailHost& host, SearchView& view,
                                   SearchPlatform& platform)
    : fs_(fs),
      host_(host),
      view_(view),
      platform_(platform),
      runs_([this] { RunOnce(); },
            [this](std::exception_ptr fault) { view_.ShowError(FaultText(fault)); }) {}

SearchController::~SearchController() = default;

void SearchController::RunCurrent() {
  if (!view_.CurrentCondition()) return;
  if (!runs_.Busy()) platform_.RunsBegin();
  runs_.RequestRun();
}

void SearchController::Stop() {
  if (runs_.Running() && run_) run_->RequestStop();
}

// Memory may also run out around the run, copying the condition or handing the rows over: the
// window then gets its buttons back with the rows it has, and is told why.
void SearchController::RunOnce() {
  bool started = false;
  try {
    RunAndShow(&started);
  } catch (...) {
    const std::exception_ptr fault = std::current_exception();
    if (started) view_.RunEnded(run_ ? run_->TakeHits() : zeldrium::THitList(), true);
    view_.ShowError(FaultText(fault, zeldrium::kOutOfMemoryText));
  }
}

void SearchController::RunAndShow(bool* started) {
  const zeldrium::TFindRec* current = view_.CurrentCondition();
  if (!current) return;
  const zeldrium::TFindRec rec = *current;
  const std::string folder = host_.CurrentFolder();
  const std::string mailbox = host_.CurrentMailBox();
  const std::string data = host_.DataFolder();
  if (!hooks_) hooks_ = std::make_unique<Hooks>(*this);
  if (!run_) {
    run_ = std::make_unique<zeldrium::TSearchRun>(&fs_, hooks_.get());
    run_->SetAllocationCheck([this](size_t bytes) { return platform_.MayTake(bytes); });
  }

  *started = true;
  view_.RunStarted(rec);
  hooks_->Start();
  bool ended_early = false;
  zeldrium::SearchStatus status = zeldrium::SearchStatus::kCompleted;
  std::string_view error;
  try {
    status = run_->Run(rec, {data, folder, mailbox});
    if (status == zeldrium::SearchStatus::kError) error = run_->Error();
  } catch (const RunGivenUp&) {
    ended_early = true;
  } catch (...) {
    // A hook's fault (the run itself ends as kOutOfMemory where memory runs out).
    status = zeldrium::SearchStatus::kError;
    error = FaultText(std::current_exception(), zeldrium::kOutOfMemoryText);
  }
  // A run that gave up keeps its rows until the next one replaces them, and they are counted: the
  // list never shows rows under the count of another run. After an error the count of the last
  // good run stays, as the rows found before it do. A run that ran out of memory ends as a
  // stopped one: its rows stay and are counted, and the message says why.
  const bool failed = !ended_early && status == zeldrium::SearchStatus::kError;
  view_.RunEnded(run_->TakeHits(), !failed);
  if (failed) view_.ShowError(error);
  if (!ended_early && status == zeldrium::SearchStatus::kOutOfMemory) {
    view_.ShowError(zeldrium::kOutOfMemoryText);
  }
}

}  // namespace ui
