#include "ui/portable/search_controller.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/search_run.h"
#include "testsupport/index_line.h"
#include "testsupport/memory_file_system.h"
#include "testsupport/test_conditions.h"
#include "ui/portable/fault_text.h"

namespace ui {
namespace {

constexpr char kData[] = "C:\\Data\\";
constexpr char kInbox[] = "box.mb\\in\\";

class TestHost : public MailHost {
 public:
  std::string DataFolder() override { return kData; }
  std::string CurrentFolder() override {
    if (out_of_memory) throw std::bad_alloc();
    return folder;
  }
  std::string CurrentMailBox() override { return "box.mb\\"; }
  std::string FolderDisplayName(std::string_view folder_id) override {
    return std::string(folder_id);
  }
  void SetCurrentMail(std::string_view) override {}

  std::string folder = kInbox;
  bool out_of_memory = false;
};

// The window as the runs see it: what it was told, in order.
class TestView : public SearchView {
 public:
  const zeldrium::TFindRec* CurrentCondition() override { return &current; }
  zeldrium::FolderScope Scope() override { return scope; }
  bool DateLimit(uint32_t* limit) override {
    if (fault) fault();
    *limit = 86400;
    return limit_on;
  }
  void RunStarted(const zeldrium::TFindRec& rec, bool preview) override {
    log.push_back((preview ? "previewing " : "started ") + rec.Opts[0].Keyword);
  }
  void RunProgress(size_t hits) override { progress.push_back(hits); }
  void RunEnded(zeldrium::THitList hits, const RunEnd& end) override {
    log.push_back("ended " + std::to_string(hits.size()) + (end.counted ? " counted" : "") +
                  (end.abandoned ? " abandoned" : "") + (end.another_follows ? " followed" : "") +
                  (end.mailbox_shown ? " mailbox" : ""));
    rows = std::move(hits);
  }
  void ShowError(std::string_view text) override {
    log.push_back("error");
    errors.emplace_back(text);
  }

  zeldrium::TFindRec current;
  zeldrium::FolderScope scope = zeldrium::FolderScope::kCurrentFolder;
  bool limit_on = false;
  std::vector<size_t> progress;
  std::function<void()> fault;  // thrown from the run's hook
  std::vector<std::string> errors;
  std::vector<std::string> log;
  zeldrium::THitList rows;
};

// The thread as the runs see it: each pause lets through what the test has queued for it.
class TestPlatform : public SearchPlatform {
 public:
  void RunsBegin() override {}
  void RunBegins() override {}
  bool MayTake(size_t) override { return true; }
  // A clock that moves on by step with every look, when a test gives it a step.
  int64_t NowMicros() override {
    if (step > 0) return now += step;
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
  bool LetMessagesThrough() override {
    std::vector<std::function<void()>> now;
    now.swap(messages);
    for (auto& message : now) message();
    return true;
  }

  std::vector<std::function<void()>> messages;
  int64_t step = 0;
  int64_t now = 0;
};

class SearchControllerTest : public ::testing::Test {
 protected:
  SearchControllerTest() {
    std::string index;
    for (int i = 0; i < 200; ++i) {
      const std::string key = std::to_string(i) + ".mail";
      index += zeldrium::IndexLine(key, "s", i % 2 ? "alice@example.jp" : "bob@example.jp", "",
                                   0x60000000 + i);
    }
    fs_.AddFile(std::string(kData) + kInbox + "Folder.idx", index);
  }

  zeldrium::MemoryFileSystem fs_;
  TestHost host_;
  TestView view_;
  TestPlatform platform_;
  SearchController runs_{fs_, host_, view_, platform_};
};

// A new search asked for while a run reads (Enter, a tab chosen) makes that run give up at its
// next pause; the newest condition is searched next, and the list ends with its rows alone.
TEST_F(SearchControllerTest, ASearchAskedForDuringARunReplacesIt) {
  view_.current = zeldrium::FromSearch("alice");
  platform_.messages.push_back([this] {
    view_.current = zeldrium::FromSearch("bob");
    runs_.RunCurrent();
  });
  runs_.RunCurrent();

  EXPECT_EQ(view_.log, (std::vector<std::string>{"started alice", "ended 0 abandoned followed",
                                                 "started bob", "ended 100 counted"}));
  for (size_t i = 0; i < view_.rows.size(); ++i) {
    EXPECT_EQ(view_.rows.At(i).from, "bob@example.jp") << i;
  }
  EXPECT_FALSE(runs_.Running());
}

// What waits for a run (a condition deleted or edited) is carried out once it has unwound,
// before the next run, and an unreadable index is told once the run has ended, its count kept.
TEST_F(SearchControllerTest, WaitingActionsFollowTheRunAndErrorsItsEnd) {
  view_.current = zeldrium::FromSearch("alice");
  platform_.messages.push_back([this] {
    runs_.WhenIdle([this] { view_.log.push_back("action"); }, SearchController::Wait::kLetItFinish);
    view_.log.push_back(runs_.Running() ? "during the run" : "idle");
  });
  runs_.RunCurrent();
  EXPECT_EQ(view_.log, (std::vector<std::string>{"started alice", "during the run",
                                                 "ended 100 counted", "action"}));

  view_.log.clear();
  fs_.FailOpen(std::string(kData) + kInbox + "Folder.idx", "cannot open");
  runs_.RunCurrent();
  EXPECT_EQ(view_.log, (std::vector<std::string>{"started alice", "ended 0", "error"}));
}

using Log = std::vector<std::string>;

// A quick search of From for text, as typing makes one.
zeldrium::TFindRec Typed(const std::string& text, int32_t target = zeldrium::kTargetFrom) {
  return zeldrium::QuickSearchRec(target, text, false, false, false);
}

// Each keystroke asks for a preview: those typed while a run reads leave one run, for the newest
// text. A preview that ran to its end answers Enter on the same search, as long as a run now
// would look in the same places under the same limit.
TEST_F(SearchControllerTest, TheNewestTypedTextIsSearchedAndAFinishedPreviewIsKept) {
  platform_.messages.push_back([this] {
    runs_.RunPreview(Typed("b"));
    runs_.RunPreview(Typed("bo"));
    runs_.RunPreview(Typed("bob"));
  });
  runs_.RunPreview(Typed("alice"));
  EXPECT_EQ(view_.log, (Log{"previewing alice", "ended 0 abandoned followed", "previewing bob",
                            "ended 100 counted"}));
  EXPECT_TRUE(runs_.PreviewHolds(Typed("bob")));
  zeldrium::TFindRec renamed = Typed("bob");
  renamed.Name = "tab";
  EXPECT_TRUE(runs_.PreviewHolds(renamed)) << "the name is no part of the search";
  EXPECT_FALSE(runs_.PreviewHolds(Typed("alice")));
  EXPECT_FALSE(runs_.PreviewHolds(Typed("bob", zeldrium::kTargetSubject)));
  view_.limit_on = true;
  EXPECT_FALSE(runs_.PreviewHolds(Typed("bob")));
  view_.limit_on = false;
  view_.scope = zeldrium::FolderScope::kAllMailboxes;
  EXPECT_FALSE(runs_.PreviewHolds(Typed("bob")));
  view_.scope = zeldrium::FolderScope::kCurrentFolder;
  host_.folder = "box.mb\\out\\";
  EXPECT_FALSE(runs_.PreviewHolds(Typed("bob")));
  host_.folder = kInbox;
  EXPECT_TRUE(runs_.PreviewHolds(Typed("bob")));
  // Over every mailbox, the folder open in the host makes no difference.
  view_.scope = zeldrium::FolderScope::kAllMailboxes;
  runs_.RunPreview(Typed("bob"));
  host_.folder = "box.mb\\out\\";
  EXPECT_TRUE(runs_.PreviewHolds(Typed("bob")));
  host_.folder = kInbox;
  view_.scope = zeldrium::FolderScope::kCurrentFolder;

  view_.current = zeldrium::FromSearch("bob");
  runs_.RunCurrent();
  EXPECT_FALSE(runs_.PreviewHolds(Typed("bob"))) << "the list holds a tab's rows now";
}

// The text emptied while its preview reads: the run gives up and leaves nothing, and the preview
// asked for meanwhile is not run. A stop in a scope wider than the host's folder ends the whole
// run: its rows are counted, but they are no finished preview.
TEST_F(SearchControllerTest, DroppedAndStoppedPreviews) {
  platform_.messages.push_back([this] {
    runs_.RunPreview(Typed("bob"));
    runs_.DropPreview();
  });
  runs_.RunPreview(Typed("alice"));
  EXPECT_EQ(view_.log, (Log{"previewing alice", "ended 0 abandoned"}));

  fs_.AddFile(std::string(kData) + "box.mb\\zz\\Folder.idx",
              zeldrium::IndexLine("k", "s", "alice@example.jp", "", 0x60000000));
  view_.scope = zeldrium::FolderScope::kCurrentMailbox;
  view_.log.clear();
  platform_.messages.push_back([this] { runs_.Stop(); });
  runs_.RunPreview(Typed("alice"));
  ASSERT_EQ(view_.log.size(), 2u);
  EXPECT_NE(view_.log[1], "ended 101 counted") << "the folder after the stop is not read";
  EXPECT_EQ(view_.log[1], "ended " + std::to_string(view_.rows.size()) + " counted");
  EXPECT_FALSE(runs_.PreviewHolds(Typed("alice")));
}

// From the second pause on, the window hears how many hits the run has found so far.
TEST_F(SearchControllerTest, ALongRunTellsItsHitsSoFar) {
  std::string index;
  for (int i = 0; i < 3000; ++i) {
    index += zeldrium::IndexLine(std::to_string(i), "s", "alice@example.jp", "", 0x60000000 + i);
  }
  fs_.AddFile(std::string(kData) + "box.mb\\big\\Folder.idx", index);
  view_.scope = zeldrium::FolderScope::kCurrentMailbox;
  platform_.step = 1000;  // a millisecond a look at the clock: a pause every 15 looks
  runs_.RunPreview(Typed("alice"));
  ASSERT_EQ(view_.log.back(), "ended 3100 counted");
  ASSERT_GE(view_.progress.size(), 2u);
  EXPECT_GT(view_.progress.front(), 0u);
  for (size_t i = 1; i < view_.progress.size(); ++i) {
    EXPECT_GT(view_.progress[i], view_.progress[i - 1]);
  }
  EXPECT_LT(view_.progress.back(), 3100u);
}

// A folder opened in the host: what the list shows is searched again where that depends on the
// host's folder. The host showing a mailbox is told with the run's end.
TEST_F(SearchControllerTest, AFolderOpenedInTheHostSearchesAgainWhereTheScopeDependsOnIt) {
  runs_.RunPreview(Typed("bob"));
  view_.log.clear();
  runs_.HostFolderChanged();
  EXPECT_EQ(view_.log, (Log{"previewing bob", "ended 100 counted"}));

  view_.scope = zeldrium::FolderScope::kCurrentMailbox;
  runs_.RunPreview(Typed("bob"));
  view_.log.clear();
  host_.folder = "box.mb\\out\\";
  runs_.HostFolderChanged();
  view_.scope = zeldrium::FolderScope::kAllMailboxes;
  runs_.HostFolderChanged();
  EXPECT_EQ(view_.log, Log{}) << "the same mailbox, or every one";

  view_.scope = zeldrium::FolderScope::kCurrentFolder;
  view_.current = zeldrium::FromSearch("alice");
  runs_.RunCurrent();
  view_.log.clear();
  host_.folder = "Box.MB\\";
  runs_.HostFolderChanged();
  EXPECT_EQ(view_.log, (Log{"started alice", "ended 0 counted mailbox"}));
}

// Memory running out around a run, a hook's fault in it, an action that waited for it: each ends
// with a message of its own kind in Japanese, never the exception's words, and the window is
// ready for the next run.
TEST_F(SearchControllerTest, FaultsEndTheActionWithAJapaneseMessage) {
  view_.current = zeldrium::FromSearch("alice");
  host_.out_of_memory = true;
  runs_.RunCurrent();
  EXPECT_EQ(view_.log, std::vector<std::string>{"error"}) << "no run started";
  host_.out_of_memory = false;

  platform_.messages.push_back([this] {
    runs_.WhenIdle([] { throw std::bad_alloc(); }, SearchController::Wait::kLetItFinish);
    view_.fault = [] { throw std::runtime_error("hook failed"); };
  });
  view_.log.clear();
  runs_.RunCurrent();
  ASSERT_EQ(view_.log.size(), 4u);
  EXPECT_EQ(view_.log[0], "started alice");
  EXPECT_EQ(view_.log[1].substr(0, 6), "ended ");
  EXPECT_EQ(view_.log[1].find("counted"), std::string::npos) << "an error keeps the last count";
  EXPECT_EQ(view_.errors, (std::vector<std::string>{std::string(zeldrium::kOutOfMemoryText),
                                                    std::string(kActionFailedText),
                                                    std::string(kActionOutOfMemoryText)}));

  view_.fault = nullptr;
  view_.log.clear();
  runs_.RunCurrent();
  EXPECT_EQ(view_.log, (std::vector<std::string>{"started alice", "ended 100 counted"}));
}

}  // namespace
}  // namespace ui
