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
    return kInbox;
  }
  std::string CurrentMailBox() override { return "box.mb\\"; }
  std::string FolderDisplayName(std::string_view folder_id) override {
    return std::string(folder_id);
  }
  void SetCurrentMail(std::string_view) override {}
  bool out_of_memory = false;
};

// The window as the runs see it: what it was told, in order.
class TestView : public SearchView {
 public:
  const zeldrium::TFindRec* CurrentCondition() override { return &current; }
  bool DateLimit(uint32_t*) override {
    if (fault) fault();
    return false;
  }
  void RunStarted(const zeldrium::TFindRec& rec) override {
    log.push_back("started " + rec.Opts[0].Keyword);
  }
  void RunEnded(zeldrium::THitList hits, bool counted) override {
    log.push_back("ended " + std::to_string(hits.size()) + (counted ? " counted" : ""));
    rows = std::move(hits);
  }
  void ShowError(std::string_view text) override {
    log.push_back("error");
    errors.emplace_back(text);
  }

  zeldrium::TFindRec current;
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
  int64_t NowMicros() override {
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

  ASSERT_EQ(view_.log.size(), 4u);
  EXPECT_EQ(view_.log[0], "started alice");
  EXPECT_EQ(view_.log[1].rfind("ended ", 0), 0u);
  EXPECT_NE(view_.log[1], "ended 100 counted") << "alice's run ended early";
  EXPECT_EQ(view_.log[2], "started bob");
  EXPECT_EQ(view_.log[3], "ended 100 counted");
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
