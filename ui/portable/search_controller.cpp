#include "ui/portable/search_controller.h"

#include <exception>
#include <string>
#include <utility>

#include "engine/search_run.h"
#include "text/str_upper.h"
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
    started_ = runs_.platform_.NowMicros();
    last_pause_ = started_ - kPauseIntervalMicros;
    lines_ = 0;
    // As the run read it where it began; the pauses read it again.
    limit_on_ = runs_.running_.limit_on;
    limit_ = runs_.running_.limit;
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
    // A run that ends within one interval shows only its end: the count would flicker with
    // every keystroke otherwise.
    if (runs_.platform_.NowMicros() - started_ >= kPauseIntervalMicros) {
      runs_.view_.RunProgress(runs_.run_->HitCount());
    }
    if (!runs_.platform_.LetMessagesThrough()) runs_.runs_.QuitSeen();
    last_pause_ = runs_.platform_.NowMicros();
    ReadLimit();
    if (runs_.runs_.ShouldGiveUp()) throw RunGivenUp{};
  }

  void ReadLimit() { limit_on_ = runs_.view_.DateLimit(&limit_); }

  SearchController& runs_;
  int64_t started_ = 0;
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
  wanted_.preview = false;
  Request();
}

void SearchController::RunPreview(zeldrium::TFindRec rec) {
  wanted_.preview = true;
  wanted_.rec = std::move(rec);
  Request();
}

void SearchController::Request() {
  if (!runs_.Busy()) platform_.RunsBegin();
  runs_.RequestRun();
}

void SearchController::DropPreview() {
  if (wanted_.preview) runs_.DropRequest();
  wanted_.preview = false;
  if (RunningPreview()) runs_.EndTheRun();
}

void SearchController::HostFolderChanged() {
  const zeldrium::FolderScope scope = view_.Scope();
  if (scope == zeldrium::FolderScope::kAllMailboxes) return;
  if (scope == zeldrium::FolderScope::kCurrentMailbox && running_.scope == scope &&
      zeldrium::UpperCase(host_.CurrentMailBox()) == zeldrium::UpperCase(running_.mailbox)) {
    return;
  }
  RepeatLast();
}

void SearchController::SearchAgain() {
  if (searched_) RepeatLast();
}

void SearchController::RepeatLast() {
  if (last_was_preview_) {
    RunPreview(running_.rec);
  } else {
    RunCurrent();
  }
}

void SearchController::Stop() {
  if (!runs_.Running() || !run_) return;
  stopped_ = true;
  if (running_.scope == zeldrium::FolderScope::kCurrentFolder) {
    run_->RequestStop();
  } else {
    run_->RequestEnd();
  }
}

bool SearchController::PreviewHolds(const zeldrium::TFindRec& rec) {
  if (runs_.Running() || !preview_shown_ || !zeldrium::SameSearch(running_.rec, rec)) return false;
  Searched now;
  ReadWhere(&now);
  // The host's selection matters only as far as the scope takes it in.
  const bool same_place =
      now.scope == running_.scope && now.data == running_.data &&
      (now.scope == zeldrium::FolderScope::kAllMailboxes || now.mailbox == running_.mailbox) &&
      (now.scope != zeldrium::FolderScope::kCurrentFolder || now.folder == running_.folder);
  return same_place && now.limit_on == running_.limit_on &&
         (!now.limit_on || now.limit == running_.limit);
}

bool SearchController::AdoptPreview(const zeldrium::TFindRec& rec) {
  if (!PreviewHolds(rec)) return false;
  last_was_preview_ = false;
  return true;
}

void SearchController::ReadWhere(Searched* where) {
  where->scope = view_.Scope();
  where->data = host_.DataFolder();
  where->folder = host_.CurrentFolder();
  where->mailbox = host_.CurrentMailBox();
  where->limit_on = view_.DateLimit(&where->limit);
}

// Memory may also run out around the run, copying the condition or handing the rows over: the
// window then gets its buttons back with the rows it has, and is told why.
void SearchController::RunOnce() {
  bool started = false;
  try {
    RunAndShow(&started);
  } catch (...) {
    const std::exception_ptr fault = std::current_exception();
    if (started) view_.RunEnded(run_ ? run_->TakeHits() : zeldrium::THitList(), RunEnd());
    view_.ShowError(FaultText(fault, zeldrium::kOutOfMemoryText));
  }
}

void SearchController::RunAndShow(bool* started) {
  Searched now = wanted_;
  if (!now.preview) {
    const zeldrium::TFindRec* current = view_.CurrentCondition();
    if (!current) return;
    now.rec = *current;
  }
  ReadWhere(&now);
  running_ = std::move(now);
  preview_shown_ = false;
  last_was_preview_ = running_.preview;
  searched_ = true;
  stopped_ = false;
  if (!hooks_) hooks_ = std::make_unique<Hooks>(*this);
  if (!run_) {
    run_ = std::make_unique<zeldrium::TSearchRun>(&fs_, hooks_.get());
    run_->SetAllocationCheck([this](size_t bytes) { return platform_.MayTake(bytes); });
  }

  *started = true;
  view_.RunStarted(running_.rec, running_.preview);
  hooks_->Start();
  bool ended_early = false;
  zeldrium::SearchStatus status = zeldrium::SearchStatus::kCompleted;
  std::string_view error;
  try {
    status =
        run_->Run(running_.rec, {running_.data, running_.folder, running_.mailbox, running_.scope});
    if (status == zeldrium::SearchStatus::kError) error = run_->Error();
  } catch (const RunGivenUp&) {
    ended_early = true;
  } catch (...) {
    // A hook's fault (the run itself ends as kOutOfMemory where memory runs out).
    status = zeldrium::SearchStatus::kError;
    error = FaultText(std::current_exception(), zeldrium::kOutOfMemoryText);
  }
  RunEnd end;
  end.mailbox_shown = running_.scope == zeldrium::FolderScope::kCurrentFolder &&
                      zeldrium::ShowsMailbox(running_.folder, running_.mailbox);
  // A run that gave up for the next one, or a preview whose text is gone, leaves no rows: they
  // would answer a search nobody waits for. Another run that gave up keeps its rows until the
  // next one replaces them, and they are counted: the list never shows rows under the count of
  // another run.
  end.another_follows = ended_early && runs_.RunFollows();
  if (ended_early && (running_.preview || end.another_follows)) {
    end.abandoned = true;
    end.counted = false;
    run_->TakeHits();
    view_.RunEnded(zeldrium::THitList(), end);
    return;
  }
  // After an error the count of the last good run stays, as the rows found before it do. A run
  // that ran out of memory ends as a stopped one: its rows stay and are counted, and the message
  // says why.
  const bool failed = !ended_early && status == zeldrium::SearchStatus::kError;
  end.counted = !failed;
  if (running_.preview && !ended_early && !stopped_ &&
      status == zeldrium::SearchStatus::kCompleted) {
    // The limit is read again at the run's pauses: a change during the run leaves a list that no
    // one run would give.
    uint32_t limit = 0;
    const bool limit_on = view_.DateLimit(&limit);
    preview_shown_ = limit_on == running_.limit_on && (!limit_on || limit == running_.limit);
  }
  view_.RunEnded(run_->TakeHits(), end);
  if (failed) view_.ShowError(error);
  if (!ended_early && status == zeldrium::SearchStatus::kOutOfMemory) {
    view_.ShowError(zeldrium::kOutOfMemoryText);
  }
}

}  // namespace ui
