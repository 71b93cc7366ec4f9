#include "engine/search_run.h"

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "testsupport/index_line.h"
#include "testsupport/memory_file_system.h"
#include "testsupport/test_conditions.h"
#include "testsupport/test_line_mask_codes.h"
#include "text/str_libs.h"

namespace zeldrium {
namespace {

constexpr char kData[] = "C:\\Data\\";
// "(無題)" (untitled) in code page 932.
const std::string kNoSubject = "(\x96\xb3\x91\xe8)";

// One index line with its date field as written (hexadecimal Unix seconds, or not).
std::string Idx(std::string_view key, std::string_view subject, std::string_view from,
                std::string_view date, std::string_view to = "to@example.com") {
  return IndexLineDated(key, subject, from, to, date);
}

class TestHooks : public SearchHooks {
 public:
  std::string FolderDisplayName(std::string_view folder_id) override {
    ++name_calls[std::string(folder_id)];
    return "[" + std::string(folder_id) + "]";
  }
  bool DateLimit(uint32_t* limit) override {
    ++limit_reads;
    if (!limit_on) return false;
    *limit = limit_value;
    return true;
  }
  void AfterTestedLine() override {
    ++tested;
    if (after_line) after_line();
  }
  bool KeepHit(std::string_view folder_id, const TFolderIdx& rec) override {
    seen_hits.push_back(std::string(folder_id) + ":" + std::string(rec.Subject));
    return !keep_hit || keep_hit(rec);
  }
  bool GoOnAfterError(std::string_view path, std::string_view message) override {
    errors.push_back(std::string(path) + "|" + std::string(message));
    return go_on;
  }

  bool limit_on = false;
  uint32_t limit_value = 0;
  int limit_reads = 0;
  int tested = 0;
  std::map<std::string, int> name_calls;
  std::function<void()> after_line;
  std::vector<std::string> seen_hits;  // folder ID ":" subject
  std::function<bool(const TFolderIdx&)> keep_hit;
  bool go_on = false;
  std::vector<std::string> errors;  // path "|" message
};

class SearchRunTest : public EveryLineMaskCode {
 protected:
  SearchStatus Run(const TFindRec& rec, std::string_view current_folder = "",
                   std::string_view current_mailbox = "", RowsKept kept = RowsKept::kRows) {
    return run_.Run(rec, SearchScope{kData, current_folder, current_mailbox}, kept);
  }
  void AddIdx(const std::string& folder_id, const std::string& lines) {
    fs_.AddFile(kData + folder_id + "Folder.idx", lines);
  }
  std::vector<std::string> Opened() const {
    std::vector<std::string> ids;
    for (const std::string& path : fs_.OpenLog()) {
      ids.emplace_back(FolderIdOfIndexPath(path, kData));
    }
    return ids;
  }
  std::vector<std::string> Subjects() const {
    std::vector<std::string> s;
    for (const THitRow& row : run_.Rows()) s.push_back(row.Subject);
    return s;
  }

  MemoryFileSystem fs_;
  TestHooks hooks_;
  TSearchRun run_{&fs_, &hooks_};
};

using V = std::vector<std::string>;

TEST(BuildFolderListTest, CurrentFolderFirstUnlessListedOrAMailbox) {
  struct Case {
    const char* name;
    std::string folders, current, mailbox;
    V want;
  } cases[] = {
      {"quick search", "", "box.mb\\in\\", "box.mb\\", {"box.mb\\in\\"}},
      {"no current folder", "a\\", "", "box.mb\\", {"a\\"}},
      {"no mailbox either", "", "box.mb\\in\\", "", {"box.mb\\in\\"}},
      {"mailbox shown, ASCII case ignored", "", "BOX.mb\\", "box.MB\\", {}},
      {"in front of the fixed folders", "a\\,b\\", "c\\", "", {"c\\", "a\\", "b\\"}},
      {"listed in another case keeps its place",
       "a\\,box.mb\\B\\",
       "BOX.MB\\b\\",
       "",
       {"a\\", "box.mb\\B\\"}},
      {"a missing backslash is added", "box.mb\\A", "", "", {"box.mb\\A\\"}},
      {"and then matches the current folder", "x\\", "x", "", {"x\\"}},
      {"empty items are no folders", ",a\\,,\"\"", "", "", {"a\\"}},
      // 0x83 0x61 and 0x83 0x41 are two different katakana, not one letter in two cases.
      {"trail bytes are not letters", "", "\x83\x61\\", "\x83\x41\\", {"\x83\x61\\"}},
      {"a trailing ソ is no backslash", "\x83\x5c", "", "", {"\x83\x5c\\"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BuildFolderList(c.folders, c.current, c.mailbox), c.want) << c.name;
  }
}

TEST_P(SearchRunTest, QuickSearchReadsOnlyTheCurrentFolder) {
  AddIdx("box.mb\\in\\", Idx("k1", "hello", "alice", "5f5e1000"));
  AddIdx("box.mb\\in\\sub\\", Idx("k2", "deeper", "alice", "5f5e1000"));
  AddIdx("box.mb\\other\\", Idx("k3", "elsewhere", "alice", "5f5e1000"));
  ASSERT_EQ(Run(FromSearch("alice"), "box.mb\\in\\", "box.mb\\"), SearchStatus::kCompleted);
  EXPECT_EQ(Opened(), V{"box.mb\\in\\"});
  EXPECT_EQ(run_.FilesRead(), 1);
  EXPECT_EQ(Subjects(), V{"hello"});
}

TEST_P(SearchRunTest, MailboxSelectedAndNoFixedFoldersSearchesNothing) {
  AddIdx("box.mb\\", Idx("k1", "s", "alice", "1"));
  AddIdx("box.mb\\in\\", Idx("k2", "s", "alice", "1"));
  ASSERT_EQ(Run(FromSearch("alice", true), "Box.mb\\", "box.mb\\"), SearchStatus::kCompleted);
  EXPECT_TRUE(run_.Rows().empty());
  EXPECT_EQ(run_.FilesRead(), 0);
}

TEST_P(SearchRunTest, HitRowFields) {
  AddIdx("box.mb\\in\\", Idx("k1", "Subj", "Me <me@example.com>", "0", "You") +
                             Idx("k2", "", "Me", "5f5e1000") +  // no subject
                             Idx("k3", " \t ", "Me", "5f5e1000") + Idx("k4", "x", "nobody", "1"));
  ASSERT_EQ(Run(FromSearch("me"), "box.mb\\in\\", "", RowsKept::kRowsWithTo),
            SearchStatus::kCompleted);
  ASSERT_EQ(run_.Rows().size(), 3u);
  const THitRow oldest = run_.Rows()[2];
  EXPECT_EQ(oldest.Subject, "Subj");
  EXPECT_EQ(oldest.From, "Me <me@example.com>");
  EXPECT_EQ(oldest.To, "You");
  EXPECT_EQ(oldest.Date, "1970/01/01 09:00:00");
  EXPECT_EQ(oldest.DateValue, 32400);
  EXPECT_EQ(oldest.Folder, "[box.mb\\in\\]");
  EXPECT_EQ(oldest.MailID, "box.mb\\in\\?k1");
  EXPECT_EQ(run_.Rows()[0].Subject, kNoSubject);
  EXPECT_EQ(run_.Rows()[0].MailID, "box.mb\\in\\?k2");
  EXPECT_EQ(run_.Rows()[1].Subject, kNoSubject);
  EXPECT_EQ(run_.Rows()[1].MailID, "box.mb\\in\\?k3");
  // The host is asked for a folder's name once, however many hits it has.
  EXPECT_EQ(hooks_.name_calls, (std::map<std::string, int>{{"box.mb\\in\\", 1}}));
}

TEST_P(SearchRunTest, DisplayNameOnlyForFoldersWithHits) {
  AddIdx("a\\", Idx("k1", "s", "alice", "1"));
  AddIdx("b\\", Idx("k2", "s", "bob", "1"));
  ASSERT_EQ(Run(FromSearch("alice", false, "a\\,b\\")), SearchStatus::kCompleted);
  EXPECT_EQ(hooks_.name_calls, (std::map<std::string, int>{{"a\\", 1}}));
}

TEST_P(SearchRunTest, SortedNewestFirstByDateText) {
  AddIdx("a\\", Idx("1", "mid", "x", "5f5e1000") + Idx("2", "old", "x", "0") +
                    Idx("3", "new", "x", "7f000000") + Idx("4", "mid2", "x", "5f5e1000"));
  AddIdx("b\\", Idx("5", "newest", "x", "7f000001"));
  ASSERT_EQ(Run(FromSearch("x", false, "a\\,b\\")), SearchStatus::kCompleted);
  EXPECT_EQ(Subjects(), (V{"newest", "new", "mid", "mid2", "old"}));
  const std::vector<THitRow> rows = run_.Rows();
  for (size_t i = 1; i < rows.size(); ++i) {
    EXPECT_GE(rows[i - 1].Date, rows[i].Date);
  }
}

TEST_P(SearchRunTest, EveryIndexFileReadOnceWhereMetFirst) {
  AddIdx("box.mb\\a\\", Idx("1", "a", "x", "1"));
  AddIdx("box.mb\\a\\b\\", Idx("2", "b", "x", "2"));
  AddIdx("box.mb\\c\\", Idx("3", "c", "x", "3"));
  // b is listed first, then reached again below a; a is listed twice in other cases.
  const TFindRec rec = FromSearch("x", true, "box.mb\\a\\b\\,box.mb\\A\\,BOX.MB\\a\\");
  ASSERT_EQ(Run(rec, "box.mb\\c\\"), SearchStatus::kCompleted);
  EXPECT_EQ(Opened(), (V{"box.mb\\c\\", "box.mb\\a\\b\\", "box.mb\\A\\"}));
  EXPECT_EQ(run_.Rows().size(), 3u);
}

TEST_P(SearchRunTest, SubfolderWalkIsDepthFirstInListingOrder) {
  for (const char* id : {"m\\", "m\\z\\", "m\\z\\y\\", "m\\z\\y\\x\\", "m\\a\\", "m\\a\\q\\",
                         "m\\noidx\\below\\", "m\\.hid\\", "m\\hidden\\"}) {
    AddIdx(id, Idx("k", id, "x", "1"));
  }
  fs_.AddDir("C:\\Data\\m\\noidx\\");
  fs_.AddFile("C:\\Data\\m\\noidx\\readme.txt", "");
  fs_.AddDir("C:\\Data\\m\\hidden\\", true);
  // The order of AddIdx above is the listing order; the unindexed directory (and what is below
  // it) and the hidden one are not searched. ".hid" is hidden only natively.
  ASSERT_EQ(Run(FromSearch("x", true, "m\\")), SearchStatus::kCompleted);
  EXPECT_EQ(Opened(),
            (V{"m\\", "m\\z\\", "m\\z\\y\\", "m\\z\\y\\x\\", "m\\a\\", "m\\a\\q\\", "m\\.hid\\"}));
}

TEST_P(SearchRunTest, ListedMailboxSearchesItsFoldersOnlyWithSubfolders) {
  AddIdx("box.mb\\in\\", Idx("1", "in", "x", "1"));
  AddIdx("box.mb\\out\\", Idx("2", "out", "x", "1"));
  ASSERT_EQ(Run(FromSearch("x", false, "box.mb\\")), SearchStatus::kCompleted);
  EXPECT_EQ(run_.FilesRead(), 0);
  ASSERT_EQ(Run(FromSearch("x", true, "box.mb\\")), SearchStatus::kCompleted);
  EXPECT_EQ(run_.FilesRead(), 2);
  EXPECT_EQ(run_.Rows().size(), 2u);
}

// Each scope reads the index files it names, each once, in walk order: a mailbox's own index,
// its folders depth first (not below a directory without an index), then the fixed folders.
TEST_P(SearchRunTest, EachScopeReadsItsFoldersAndTheFixedOnes) {
  const std::string family = "box.mb\\\x89\xc6\x91\xb0\\";  // 家族
  AddIdx("box.mb\\", Idx("1", "box", "x", "1"));
  AddIdx("box.mb\\in\\", Idx("2", "in", "x", "2"));
  AddIdx("box.mb\\in\\sub\\", Idx("3", "sub", "x", "3"));
  fs_.AddDir("C:\\Data\\box.mb\\noidx\\");
  AddIdx("box.mb\\noidx\\below\\", Idx("4", "below", "x", "4"));
  AddIdx(family, Idx("5", "family", "x", "5"));
  AddIdx("other.MB\\out\\", Idx("6", "out", "x", "6"));
  AddIdx("notes\\", Idx("7", "notes", "x", "7"));
  const struct {
    const char* name;
    FolderScope scope;
    std::string current, mailbox, fixed;
    bool subfolders;
    V opened;
  } cases[] = {
      {"the folder",
       FolderScope::kCurrentFolder,
       "box.mb\\in\\",
       "box.mb\\",
       "notes\\",
       false,
       {"box.mb\\in\\", "notes\\"}},
      {"a mailbox shown",
       FolderScope::kCurrentFolder,
       "box.mb\\",
       "box.mb\\",
       "notes\\",
       true,
       {"notes\\"}},
      {"the mailbox",
       FolderScope::kCurrentMailbox,
       "box.mb\\in\\",
       "box.mb",
       "notes\\",
       false,
       {"box.mb\\", "box.mb\\in\\", "box.mb\\in\\sub\\", family, "notes\\"}},
      {"no mailbox", FolderScope::kCurrentMailbox, "", "", "notes\\", false, {"notes\\"}},
      {"every mailbox, a fixed folder inside one",
       FolderScope::kAllMailboxes,
       "",
       "",
       "BOX.MB\\in\\,notes\\",
       false,
       {"box.mb\\", "box.mb\\in\\", "box.mb\\in\\sub\\", family, "other.MB\\out\\", "notes\\"}},
  };
  for (const auto& c : cases) {
    fs_.ClearOpenLog();
    const TFindRec rec = FromSearch("x", c.subfolders, c.fixed);
    ASSERT_EQ(run_.Run(rec, SearchScope{kData, c.current, c.mailbox, c.scope}),
              SearchStatus::kCompleted)
        << c.name;
    EXPECT_EQ(Opened(), c.opened) << c.name;
    EXPECT_EQ(run_.HitCount(), c.opened.size()) << c.name;
  }
}

TEST_P(SearchRunTest, MissingIndexOrDirectoryNamedLikeOneIsSkippedSilently) {
  fs_.AddDir("C:\\Data\\d\\Folder.idx\\");
  AddIdx("e\\", Idx("1", "e", "x", "1"));
  ASSERT_EQ(Run(FromSearch("x", false, "nowhere\\,d\\,e\\")), SearchStatus::kCompleted);
  EXPECT_EQ(Subjects(), V{"e"});
  EXPECT_EQ(run_.Error(), "");
}

TEST_P(SearchRunTest, DateLimit) {
  const uint32_t day = DateToUnix(25569 + 18000);  // 2019-04-14 00:00
  auto hex = [](uint32_t u) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%x", u);
    return std::string(buf);
  };
  // Field 9 is UTC: 32400 less than the local time compared with the limit.
  AddIdx("a\\", Idx("1", "exact", "x", hex(day - 32400)) +
                    Idx("2", "second before", "x", hex(day - 32400 - 1)) +
                    Idx("3", "later", "x", hex(day)) + Idx("4", "negative", "x", "7fffffff") +
                    Idx("5", "no date", "x", "") +
                    // Without an x anywhere: passed over by the prefilter, and still tested
                    // only within the limit.
                    Idx("6", "other", "nobody", hex(day), "bob") +
                    Idx("7", "old other", "nobody", hex(day - 32400 - 1), "bob"));
  hooks_.limit_on = true;
  hooks_.limit_value = day;
  ASSERT_EQ(Run(FromSearch("x", false, "a\\")), SearchStatus::kCompleted);
  EXPECT_EQ(Subjects(), (V{"later", "exact"}));
  // Lines dropped for the limit or a missing date are not tested, so no message pumping; the
  // limit is read again for every dated line.
  EXPECT_EQ(hooks_.tested, 3);
  EXPECT_EQ(hooks_.limit_reads, 6);

  // A day before 1970 wraps to a value above every line's date.
  hooks_.limit_value = DateToUnix(25568);
  ASSERT_EQ(Run(FromSearch("x", false, "a\\")), SearchStatus::kCompleted);
  EXPECT_TRUE(run_.Rows().empty());

  // Without the limit even negative dates are listed.
  hooks_.limit_on = false;
  ASSERT_EQ(Run(FromSearch("x", false, "a\\")), SearchStatus::kCompleted);
  EXPECT_EQ(run_.Rows().size(), 4u);
}

TEST_P(SearchRunTest, WhatIsKeptOfTheHits) {
  AddIdx("a\\", Idx("1", "old", "x", "1", "you") + Idx("2", "new", "x", "2", "you") +
                    Idx("3", "none", "y", "3"));
  const TFindRec rec = FromSearch("x", false, "a\\");

  ASSERT_EQ(Run(rec, "", "", RowsKept::kCountOnly), SearchStatus::kCompleted);
  EXPECT_EQ(run_.HitCount(), 2u);
  EXPECT_TRUE(run_.Rows().empty());
  EXPECT_EQ(hooks_.tested, 3);             // every line is tested as before
  EXPECT_TRUE(hooks_.name_calls.empty());  // but no folder name is needed

  ASSERT_EQ(Run(rec), SearchStatus::kCompleted);
  ASSERT_EQ(run_.Rows().size(), 2u);
  EXPECT_EQ(run_.Rows()[0].Subject, "new");
  EXPECT_EQ(run_.Rows()[0].To, "");  // only the command line's JSON shows it

  ASSERT_EQ(Run(rec, "", "", RowsKept::kRowsWithTo), SearchStatus::kCompleted);
  ASSERT_EQ(run_.Rows().size(), 2u);
  EXPECT_EQ(run_.Rows()[0].To, "you");
  THitRow row;
  for (size_t i = 0; i < run_.HitCount(); ++i) {
    run_.GetRow(i, &row);
    EXPECT_EQ(row.Subject, run_.Rows()[i].Subject);
    EXPECT_EQ(row.MailID, run_.Rows()[i].MailID);
  }

  // Taking the hits leaves the run without them, but it still knows how many there were.
  THitList taken = run_.TakeHits();
  ASSERT_EQ(taken.size(), 2u);
  EXPECT_EQ(taken.At(1).subject, "old");
  EXPECT_TRUE(run_.Rows().empty());
  EXPECT_TRUE(run_.TakeHits().empty());
  EXPECT_EQ(run_.HitCount(), 2u);

  // Taken before any row was made, the hits come newest first just the same.
  ASSERT_EQ(Run(rec), SearchStatus::kCompleted);
  taken = run_.TakeHits();
  ASSERT_EQ(taken.size(), 2u);
  EXPECT_EQ(taken.At(0).subject, "new");
  taken.GetRow(1, &row);
  EXPECT_EQ(row.MailID, "a\\?1");
  EXPECT_EQ(row.Folder, "[a\\]");

  // A row over From and To may hold by what To holds: the words found in From are marked by it.
  TFindRec from_to = rec;
  from_to.Opts[0].Target = kTargetFromTo;
  ASSERT_EQ(Run(from_to, "", "", RowsKept::kRowsToMark), SearchStatus::kCompleted);
  ASSERT_EQ(run_.Rows().size(), 3u);  // the x of example.com in the third line's To
  EXPECT_EQ(run_.Rows()[0].To, "to@example.com");
  EXPECT_EQ(run_.Rows()[1].To, "you");
  ASSERT_EQ(Run(rec, "", "", RowsKept::kRowsToMark), SearchStatus::kCompleted);
  EXPECT_EQ(run_.Rows()[0].To, "") << "From alone needs no To";
}

// Memory that runs out at any point of a run ends it as a stop would end it everywhere: the
// hits kept until then are its rows, counted, and the run says why it ended.
TEST_P(SearchRunTest, RunningOutOfMemoryEndsTheRunWithTheHitsKept) {
  std::string a, b;
  for (int i = 0; i < 3000; ++i) {
    a += Idx("a" + std::to_string(i), "s" + std::string(i % 50, 'x'), "x", "10");
    b += Idx("b" + std::to_string(i), "t", "x", "20");
  }
  AddIdx("a\\", a);
  AddIdx("b\\", b);
  const TFindRec rec = FromSearch("x", false, "a\\,b\\");

  size_t last_kept = 0;
  size_t allowed = 0;
  for (;; ++allowed) {
    SCOPED_TRACE("allocations allowed: " + std::to_string(allowed));
    ASSERT_LT(allowed, 100u) << "the run never got all the memory it needs";
    run_.SetAllocationCheck(AllowAllocations(allowed));
    const SearchStatus status = Run(rec);
    if (status == SearchStatus::kCompleted) break;
    ASSERT_EQ(status, SearchStatus::kOutOfMemory);
    EXPECT_EQ(run_.Error(), kOutOfMemoryText);
    const size_t kept = run_.HitCount();
    EXPECT_GE(kept, last_kept) << "more memory, at least as many hits";
    last_kept = kept;
    EXPECT_EQ(run_.ErrorPath(),
              kept < 3000 ? "C:\\Data\\a\\Folder.idx" : "C:\\Data\\b\\Folder.idx");
    // The hits kept are the first ones read, each whole, and newest first all the same: b's
    // before a's, each file's in reading order.
    const THitList hits = run_.TakeHits();
    ASSERT_EQ(hits.size(), kept);
    const size_t of_b = kept > 3000 ? kept - 3000 : 0;
    for (size_t i = 0; i < kept; ++i) {
      const THitView hit = hits.At(i);
      const size_t n = i < of_b ? i : i - of_b;
      ASSERT_EQ(hit.message_key, (i < of_b ? "b" : "a") + std::to_string(n));
      ASSERT_EQ(hit.subject, i < of_b ? "t" : "s" + std::string(n % 50, 'x'));
    }
  }
  EXPECT_GT(allowed, 4u) << "folders, chunks and text blocks each ran out once";
  EXPECT_EQ(run_.HitCount(), 6000u);
  EXPECT_TRUE(run_.Error().empty());

  // A run that ran out may be followed by one with memory.
  run_.SetAllocationCheck(AllowAllocations(0));
  ASSERT_EQ(Run(rec), SearchStatus::kOutOfMemory);
  EXPECT_EQ(run_.HitCount(), 0u);
  run_.SetAllocationCheck(nullptr);
  ASSERT_EQ(Run(rec), SearchStatus::kCompleted);
  EXPECT_EQ(run_.HitCount(), 6000u);
}

TEST_P(SearchRunTest, RowsDuringTheRunAreThoseSoFarInReadingOrder) {
  AddIdx("a\\",
         Idx("1", "later", "x", "9") + Idx("2", "earlier", "x", "1") + Idx("3", "third", "x", "5"));
  std::vector<V> seen;
  hooks_.after_line = [&] {
    V subjects;
    for (const THitRow& row : run_.Rows()) subjects.push_back(row.Subject);
    seen.push_back(subjects);
  };
  ASSERT_EQ(Run(FromSearch("x", false, "a\\")), SearchStatus::kCompleted);
  EXPECT_EQ(seen, (std::vector<V>{{"later"}, {"later", "earlier"}, {"later", "earlier", "third"}}));
  EXPECT_EQ(Subjects(), (V{"later", "third", "earlier"}));
}

TEST_P(SearchRunTest, DateLimitChangedDuringTheRunCountsFromTheNextLine) {
  AddIdx("a\\",
         Idx("1", "one", "x", "1") + Idx("2", "two", "x", "1") + Idx("3", "three", "x", "1"));
  hooks_.after_line = [&] {
    hooks_.limit_on = true;
    hooks_.limit_value = 0xffffffff;
  };
  ASSERT_EQ(Run(FromSearch("x", false, "a\\")), SearchStatus::kCompleted);
  EXPECT_EQ(Subjects(), V{"one"});
}

TEST_P(SearchRunTest, StopEndsOnlyTheFileBeingRead) {
  AddIdx("a\\", Idx("1", "a1", "x", "1") + Idx("2", "a2", "x", "1"));
  AddIdx("b\\", Idx("3", "b1", "x", "1") + Idx("4", "b2", "x", "1") + Idx("5", "b3", "x", "1"));
  AddIdx("c\\", Idx("6", "c1", "x", "1") + Idx("7", "c2", "x", "1"));
  hooks_.after_line = [&] {
    if (run_.Rows().size() == 3) run_.RequestStop();  // just after b1
  };
  ASSERT_EQ(Run(FromSearch("x", false, "a\\,b\\,c\\")), SearchStatus::kCompleted);
  EXPECT_EQ(Subjects(), (V{"a1", "a2", "b1", "c1", "c2"}));
}

TEST_P(SearchRunTest, EndStopsTheFileBeingReadAndEveryOneAfterIt) {
  AddIdx("a\\", Idx("1", "a1", "x", "1") + Idx("2", "a2", "x", "1"));
  AddIdx("b\\", Idx("3", "b1", "x", "1") + Idx("4", "b2", "x", "1"));
  hooks_.after_line = [&] {
    if (run_.Rows().size() == 1) run_.RequestEnd();
  };
  ASSERT_EQ(Run(FromSearch("x", false, "a\\,b\\")), SearchStatus::kCompleted);
  EXPECT_EQ(Subjects(), V{"a1"});
  EXPECT_EQ(Opened(), (V{"a\\", "b\\"})) << "the next file was opened ahead, not read";
  // The next run starts afresh.
  hooks_.after_line = nullptr;
  ASSERT_EQ(Run(FromSearch("x", false, "a\\,b\\")), SearchStatus::kCompleted);
  EXPECT_EQ(run_.HitCount(), 4u);
}

TEST_P(SearchRunTest, StopIsTestedAfterLinesWithoutHitsToo) {
  AddIdx("a\\", Idx("1", "s", "nobody", "1") + Idx("2", "s", "x", "1"));
  hooks_.after_line = [&] { run_.RequestStop(); };
  ASSERT_EQ(Run(FromSearch("x", false, "a\\")), SearchStatus::kCompleted);
  EXPECT_TRUE(run_.Rows().empty());
  EXPECT_EQ(hooks_.tested, 1);
}

// Lines without the word are passed over in a run of their own; a stop among them leaves none of
// them to the next file.
TEST_P(SearchRunTest, StopAmongPassedOverLinesLeavesNothingToTheNextFile) {
  std::string a;
  // Dates of eight digits, as the host writes them: those lines take the quick way.
  for (int i = 0; i < 10; ++i) a += Idx("a" + std::to_string(i), "s", "nobody", "5f5e1000", "bob");
  AddIdx("a\\", a);
  AddIdx("b\\", Idx("1", "s", "x", "5f5e1000") + Idx("2", "s", "nobody", "5f5e1000", "bob"));
  int tested = 0;
  hooks_.after_line = [&] {
    if (++tested == 3) run_.RequestStop();
  };
  ASSERT_EQ(Run(FromSearch("x", false, "a\\,b\\")), SearchStatus::kCompleted);
  EXPECT_EQ(hooks_.tested, 3 + 2);
  EXPECT_EQ(run_.HitCount(), 1u);
}

TEST_P(SearchRunTest, StopBeforeAFileOpensIsCleared) {
  AddIdx("a\\", Idx("1", "a1", "x", "1"));
  AddIdx("b\\", Idx("2", "b1", "x", "1") + Idx("3", "b2", "x", "1"));
  // Pressed on the last line of a: nothing is left of a, and b's opening clears it.
  hooks_.after_line = [&] {
    if (run_.Rows().size() == 1) run_.RequestStop();
  };
  run_.RequestStop();  // a request left over from before the run does not count either
  ASSERT_EQ(Run(FromSearch("x", false, "a\\,b\\")), SearchStatus::kCompleted);
  EXPECT_EQ(Subjects(), (V{"a1", "b1", "b2"}));
}

TEST_P(SearchRunTest, UnreadableFileEndsTheRunKeepingEarlierRows) {
  AddIdx("a\\", Idx("1", "a1", "x", "2") + Idx("2", "a2", "x", "3"));
  AddIdx("b\\", Idx("3", "b1", "x", "1"));
  AddIdx("c\\", Idx("4", "c1", "x", "1"));
  fs_.FailOpen("C:\\Data\\b\\Folder.idx", "The file is in use.");
  ASSERT_EQ(Run(FromSearch("x", false, "a\\,b\\,c\\")), SearchStatus::kError);
  EXPECT_EQ(run_.Error(), "C:\\Data\\b\\Folder.idx: The file is in use.");
  EXPECT_EQ(run_.ErrorPath(), "C:\\Data\\b\\Folder.idx");
  EXPECT_EQ(Subjects(), (V{"a2", "a1"}));  // still sorted
  EXPECT_EQ(Opened(), V{"a\\"});
  EXPECT_EQ(hooks_.errors,
            V{"C:\\Data\\b\\Folder.idx|C:\\Data\\b\\Folder.idx: The file is in use."});
}

TEST_P(SearchRunTest, HooksThatGoOnAfterErrorsGetEveryOtherFileSearched) {
  const std::string c_first = Idx("3", "c1", "x", "1");
  AddIdx("a\\", Idx("1", "a1", "x", "5"));
  AddIdx("b\\", Idx("2", "b1", "x", "1"));
  AddIdx("c\\", c_first + Idx("4", "c2", "x", "1"));
  AddIdx("d\\", Idx("5", "d1", "x", "3") + Idx("6", "d2", "x", "zz") + Idx("7", "d3", "x", "1"));
  AddIdx("e\\", Idx("8", "e1", "x", "4"));
  fs_.FailOpen("C:\\Data\\b\\Folder.idx", "The file is in use.");
  fs_.FailReadAfter("C:\\Data\\c\\Folder.idx", c_first.size() + 3, "Bad sector.");
  hooks_.go_on = true;
  ASSERT_EQ(Run(FromSearch("x", false, "a\\,b\\,c\\,d\\,e\\")), SearchStatus::kError);
  // "'$zz' は整数ではありません"
  const std::string bad_date =
      "'$zz' \x82\xcd\x90\xae\x90\x94\x82\xc5\x82\xcd\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1";
  EXPECT_EQ(hooks_.errors,
            (V{"C:\\Data\\b\\Folder.idx|C:\\Data\\b\\Folder.idx: The file is in use.",
               "C:\\Data\\c\\Folder.idx|C:\\Data\\c\\Folder.idx: Bad sector.",
               "C:\\Data\\d\\Folder.idx|" + bad_date}));
  // A file's lines after its error are skipped; every other file is read, once.
  EXPECT_EQ(Subjects(), (V{"a1", "e1", "d1", "c1"}));
  EXPECT_EQ(run_.HitCount(), 4u);
  EXPECT_EQ(Opened(), (V{"a\\", "c\\", "d\\", "e\\"}));
  EXPECT_EQ(run_.Error(), bad_date);  // the last one
  EXPECT_EQ(run_.ErrorPath(), "C:\\Data\\d\\Folder.idx");

  // Without errors the same hooks change nothing.
  hooks_.errors.clear();
  ASSERT_EQ(Run(FromSearch("x", false, "a\\,e\\")), SearchStatus::kCompleted);
  EXPECT_EQ(hooks_.errors, V{});
  EXPECT_EQ(run_.Error(), "");
}

TEST_P(SearchRunTest, HitsTheHooksDropAreNeitherKeptNorCounted) {
  AddIdx("a\\", Idx("1", "keep", "x", "2") + Idx("2", "drop", "x", "3") + Idx("3", "no", "y", "4"));
  AddIdx("a\\b\\", Idx("4", "keep too", "x", "1"));
  hooks_.keep_hit = [](const TFolderIdx& rec) { return rec.Subject != "drop"; };
  for (const RowsKept kept : {RowsKept::kRows, RowsKept::kCountOnly}) {
    hooks_.seen_hits.clear();
    ASSERT_EQ(Run(FromSearch("x", true, "a\\"), "", "", kept), SearchStatus::kCompleted);
    // Every match is offered, with its folder, in reading order; non-matches never are.
    EXPECT_EQ(hooks_.seen_hits, (V{"a\\:keep", "a\\:drop", "a\\b\\:keep too"}));
    EXPECT_EQ(run_.HitCount(), 2u);
  }
  ASSERT_EQ(Run(FromSearch("x", true, "a\\")), SearchStatus::kCompleted);
  EXPECT_EQ(Subjects(), (V{"keep", "keep too"}));
}

TEST_P(SearchRunTest, ReadErrorMidFileKeepsTheLinesBeforeIt) {
  const std::string first = Idx("1", "a1", "x", "1");
  AddIdx("a\\", first + Idx("2", "a2", "x", "1"));
  AddIdx("b\\", Idx("3", "b1", "x", "1"));
  fs_.FailReadAfter("C:\\Data\\a\\Folder.idx", first.size() + 3, "Bad sector.");
  ASSERT_EQ(Run(FromSearch("x", true, "a\\,b\\")), SearchStatus::kError);
  EXPECT_EQ(run_.Error(), "C:\\Data\\a\\Folder.idx: Bad sector.");
  EXPECT_EQ(Subjects(), V{"a1"});
  EXPECT_EQ(run_.FilesRead(), 1);
}

TEST_P(SearchRunTest, ReadErrorRightAfterACrKeepsTheLineItEnds) {
  // The line is whole at its CR: an LF that never comes cannot take it away.
  const std::string first = Idx("1", "a1", "x", "1");
  AddIdx("a\\", first + Idx("2", "a2", "x", "1"));
  fs_.FailReadAfter("C:\\Data\\a\\Folder.idx", first.size() - 1, "Bad sector.");
  ASSERT_EQ(Run(FromSearch("x", false, "a\\")), SearchStatus::kError);
  EXPECT_EQ(Subjects(), V{"a1"});
}

TEST_P(SearchRunTest, BadDateEndsTheRunKeepingEarlierRows) {
  AddIdx("a\\",
         Idx("1", "a1", "x", "1") + Idx("2", "a2", "nobody", "zz") + Idx("3", "a3", "x", "1"));
  AddIdx("b\\", Idx("4", "b1", "x", "1"));
  ASSERT_EQ(Run(FromSearch("x", false, "a\\,b\\")), SearchStatus::kError);
  // "'$zz' は整数ではありません"
  EXPECT_EQ(run_.Error(),
            "'$zz' \x82\xcd\x90\xae\x90\x94\x82\xc5\x82\xcd\x82\xa0\x82\xe8\x82\xdc"
            "\x82\xb9\x82\xf1");
  EXPECT_EQ(run_.ErrorPath(), "C:\\Data\\a\\Folder.idx");
  EXPECT_EQ(Subjects(), V{"a1"});

  // The next run starts clean.
  ASSERT_EQ(Run(FromSearch("x", false, "b\\")), SearchStatus::kCompleted);
  EXPECT_EQ(run_.Error(), "");
  EXPECT_EQ(Subjects(), V{"b1"});
}

TEST_P(SearchRunTest, NoNestedRunFromAHook) {
  AddIdx("a\\", Idx("1", "a1", "x", "1") + Idx("2", "a2", "x", "1"));
  std::vector<SearchStatus> nested;
  hooks_.after_line = [&] {
    EXPECT_TRUE(run_.Running());
    nested.push_back(Run(FromSearch("y", false, "a\\")));
  };
  ASSERT_EQ(Run(FromSearch("x", false, "a\\")), SearchStatus::kCompleted);
  EXPECT_EQ(nested, (std::vector<SearchStatus>{SearchStatus::kBusy, SearchStatus::kBusy}));
  EXPECT_EQ(Subjects(), (V{"a1", "a2"}));
  EXPECT_FALSE(run_.Running());
}

TEST_P(SearchRunTest, ConditionChangedDuringTheRunDoesNotAffectIt) {
  AddIdx("a\\", Idx("1", "a1", "x", "1") + Idx("2", "a2", "x", "1"));
  AddIdx("b\\", Idx("3", "b1", "x", "1"));
  TFindRec rec = FromSearch("x", false, "a\\,b\\");
  hooks_.after_line = [&] {
    rec.Opts[0].Keyword = "nothing matches this";
    rec.Folders.clear();
    rec.Name.clear();
  };
  ASSERT_EQ(Run(rec), SearchStatus::kCompleted);
  EXPECT_EQ(run_.Rows().size(), 3u);
}

TEST_P(SearchRunTest, DataFolderWithoutBackslash) {
  AddIdx("a\\", Idx("1", "a1", "x", "1"));
  ASSERT_EQ(run_.Run(FromSearch("x", false, "a\\"), SearchScope{"C:\\Data", "", ""}),
            SearchStatus::kCompleted);
  ASSERT_EQ(run_.Rows().size(), 1u);
  EXPECT_EQ(run_.Rows()[0].MailID, "a\\?1");
}

TEST_P(SearchRunTest, DeepAndWideStoreNeedsNoDeepStack) {
  // 50 chains of 200 nested folders: 10,000 folders, each read once, in depth-first order.
  std::string chain_root = "C:\\Data\\m\\";
  fs_.AddFile(chain_root + "Folder.idx", "");
  for (int c = 0; c < 50; ++c) {
    std::string dir = chain_root + "c" + std::to_string(c) + "\\";
    for (int d = 0; d < 200; ++d) {
      fs_.AddFile(dir + "Folder.idx", Idx(std::to_string(c * 1000 + d), "s", "x", "1"));
      dir += "d\\";
    }
  }
  ASSERT_EQ(Run(FromSearch("x", true, "m\\")), SearchStatus::kCompleted);
  EXPECT_EQ(run_.FilesRead(), 10001);
  ASSERT_EQ(run_.Rows().size(), 10000u);
  // Equal dates keep reading order: chain by chain, top down.
  EXPECT_EQ(run_.Rows()[0].MailID, "m\\c0\\?0");
  EXPECT_EQ(run_.Rows()[199].MailID.substr(0, 6), "m\\c0\\d");
  EXPECT_EQ(run_.Rows()[200].MailID, "m\\c1\\?1000");
}

// Files are read and tested in chunks of a few hundred kilobytes, the next file opened while one
// is read: what the run shows must not depend on where a file's chunks end.
ZELDRIUM_FOR_EVERY_LINE_MASK_CODE(SearchRunTest);

class SearchRunAheadTest : public SearchRunTest {
 protected:
  // lines index lines dated 1, subjects prefix + number; every tenth from "x".
  static std::string ManyLines(const std::string& prefix, int lines) {
    std::string text;
    for (int i = 0; i < lines; ++i) {
      text += Idx(std::to_string(i), prefix + std::to_string(i), i % 10 == 0 ? "x" : "y", "1");
    }
    return text;
  }
  static constexpr int kLines = 40000;  // about 3 MB: many chunks
};

ZELDRIUM_FOR_EVERY_LINE_MASK_CODE(SearchRunAheadTest);

TEST_P(SearchRunAheadTest, LargeFilesGiveEveryHitInOrder) {
  AddIdx("a\\", ManyLines("a", kLines));
  AddIdx("b\\", ManyLines("b", kLines));
  AddIdx("c\\", Idx("1", "c", "x", "2"));
  ASSERT_EQ(Run(FromSearch("x", false, "a\\,b\\,c\\")), SearchStatus::kCompleted);
  ASSERT_EQ(run_.Rows().size(), 2u * kLines / 10 + 1);
  EXPECT_EQ(run_.Rows()[0].Subject, "c");
  EXPECT_EQ(run_.Rows()[1].Subject, "a0");
  EXPECT_EQ(run_.Rows()[kLines / 10].Subject, "a" + std::to_string(kLines - 10));
  EXPECT_EQ(run_.Rows()[kLines / 10 + 1].Subject, "b0");
  EXPECT_EQ(hooks_.tested, 2 * kLines + 1);
  EXPECT_EQ(hooks_.name_calls, (std::map<std::string, int>{{"a\\", 1}, {"b\\", 1}, {"c\\", 1}}));
}

TEST_P(SearchRunAheadTest, StopInALargeFileSkipsOnlyItsRest) {
  AddIdx("a\\", ManyLines("a", kLines));
  AddIdx("b\\", ManyLines("b", kLines));
  AddIdx("c\\", ManyLines("c", 20));
  int tested = 0;
  hooks_.after_line = [&] {
    if (++tested == 1000) run_.RequestStop();
  };
  ASSERT_EQ(Run(FromSearch("x", false, "a\\,b\\,c\\")), SearchStatus::kCompleted);
  // a up to line 999, b and c whole.
  EXPECT_EQ(run_.HitCount(), 100u + kLines / 10 + 2);
  EXPECT_EQ(hooks_.tested, 1000 + kLines + 20);
  EXPECT_EQ(run_.FilesRead(), 3);
}

TEST_P(SearchRunAheadTest, ErrorsDeepInLargeFilesKeepEverythingBeforeThem) {
  // A bad date far into b, and c (opened meanwhile) must leave nothing.
  AddIdx("a\\", ManyLines("a", kLines));
  AddIdx("b\\", ManyLines("b", kLines) + Idx("k", "bad", "x", "zz") + ManyLines("b", 10));
  AddIdx("c\\", ManyLines("c", kLines));
  ASSERT_EQ(Run(FromSearch("x", false, "a\\,b\\,c\\")), SearchStatus::kError);
  EXPECT_EQ(run_.ErrorPath(), "C:\\Data\\b\\Folder.idx");
  EXPECT_EQ(run_.HitCount(), 2u * kLines / 10);
  EXPECT_EQ(hooks_.tested, 2 * kLines);

  // A read error in the middle of a large file.
  const std::string a = ManyLines("a", kLines);
  AddIdx("a\\", a);
  fs_.FailReadAfter("C:\\Data\\a\\Folder.idx", a.size() / 2, "Bad sector.");
  ASSERT_EQ(Run(FromSearch("x", false, "a\\,b\\,c\\")), SearchStatus::kError);
  EXPECT_EQ(run_.Error(), "C:\\Data\\a\\Folder.idx: Bad sector.");
  EXPECT_GT(run_.HitCount(), 0u);
  EXPECT_LT(run_.HitCount(), kLines / 10u);
}

TEST_P(SearchRunAheadTest, AHookThatThrowsEndsTheRunAndTheNextRunWorks) {
  AddIdx("a\\", ManyLines("a", kLines));
  AddIdx("b\\", ManyLines("b", kLines));
  struct Superseded {};
  int tested = 0;
  hooks_.after_line = [&] {
    if (++tested == 5000) throw Superseded{};
  };
  EXPECT_THROW(Run(FromSearch("x", false, "a\\,b\\")), Superseded);
  EXPECT_FALSE(run_.Running());

  hooks_.after_line = nullptr;
  hooks_.tested = 0;
  ASSERT_EQ(Run(FromSearch("x", false, "a\\,b\\")), SearchStatus::kCompleted);
  EXPECT_EQ(run_.HitCount(), 2u * kLines / 10);
  EXPECT_EQ(hooks_.tested, 2 * kLines);
}

TEST_P(SearchRunAheadTest, DateLimitIsAskedForEveryDatedLineInOrder) {
  // Lines dated 1, 2, 3, ...: a limit raised as the run goes drops exactly the lines behind it.
  std::string text;
  for (int i = 1; i <= kLines; ++i) {
    char date[16];
    std::snprintf(date, sizeof date, "%x", i);
    text += Idx(std::to_string(i), "s" + std::to_string(i), "x", date);
  }
  AddIdx("a\\", text);
  hooks_.limit_on = true;
  // After line n (date n + 32400 as the run sees it) the limit passes line n + 2: lines n + 1
  // and n + 2 are dropped, n + 3 tested, and so on: every third line is tested.
  hooks_.after_line = [&] { hooks_.limit_value += 3; };
  hooks_.limit_value = 32400 + 1;
  ASSERT_EQ(Run(FromSearch("x", false, "a\\")), SearchStatus::kCompleted);
  EXPECT_EQ(hooks_.limit_reads, kLines);
  EXPECT_EQ(hooks_.tested, (kLines + 2) / 3);
}

// Reads that give a few bytes at a time put window ends anywhere: between a CR and its LF,
// inside a double-byte character, inside a date. The run must see the same lines whatever they.
TEST_P(SearchRunAheadTest, ShortReadsChangeNothing) {
  std::string text;
  for (int i = 0; i < 300; ++i) {
    char date[16];
    std::snprintf(date, sizeof date, i % 7 == 0 ? " %x " : "%08x", 0x5f5e1000 + i);
    // "ソ" (its second byte a backslash) and an odd run of lead-range bytes before a separator.
    const std::string subject =
        i % 3 == 0 ? "\x83\x5c s" + std::to_string(i) : "s" + std::to_string(i);
    text += Idx(std::to_string(i), subject, i % 4 == 0 ? "x\x88\x88" : "y", date);
    if (i % 5 == 0) text.pop_back();  // a lone CR ends this line
  }
  AddIdx("a\\", text);
  hooks_.limit_on = true;
  hooks_.limit_value = 32400 + 0x5f5e1000 + 10;
  ASSERT_EQ(Run(FromSearch("x", false, "a\\")), SearchStatus::kCompleted);
  const std::vector<std::string> want = Subjects();
  const int tested = hooks_.tested;
  ASSERT_EQ(want.size(), 72u);  // every fourth line of 300, less those before the limit
  ASSERT_EQ(tested, 290);
  for (size_t max_read : {1, 2, 3, 5, 7, 64, 1000}) {
    fs_.SetMaxRead(max_read);
    hooks_.tested = 0;
    ASSERT_EQ(Run(FromSearch("x", false, "a\\")), SearchStatus::kCompleted);
    EXPECT_EQ(Subjects(), want) << max_read;
    EXPECT_EQ(hooks_.tested, tested) << max_read;
  }
}

// Files are opened ahead of the one being read (so the system can read them meanwhile) until
// they are to bring several megabytes, or up to a number of files.
TEST_P(SearchRunAheadTest, OpensFilesAheadWithinAByteBudget) {
  std::string folders;
  for (char c = 'a'; c <= 'h'; ++c) {
    AddIdx(std::string(1, c) + "\\", ManyLines(std::string(1, c), 10));
    folders += std::string(1, c) + "\\,";
  }
  std::vector<size_t> opened_while_testing;
  hooks_.after_line = [&] { opened_while_testing.push_back(fs_.OpenLog().size()); };
  // Small files: every one at once.
  ASSERT_EQ(Run(FromSearch("x", false, folders)), SearchStatus::kCompleted);
  ASSERT_EQ(fs_.OpenLog().size(), 8u);
  EXPECT_EQ(fs_.OpenLog()[1], "C:\\Data\\b\\Folder.idx");
  ASSERT_EQ(opened_while_testing.size(), 80u);
  EXPECT_EQ(opened_while_testing[0], 8u);
  // Files that each ask for 3 MB: the one read and two ahead, then one more for each done.
  fs_.SetReadAhead(int64_t{3} << 20);
  opened_while_testing.clear();
  ASSERT_EQ(Run(FromSearch("x", false, folders)), SearchStatus::kCompleted);
  EXPECT_EQ(opened_while_testing[0], 8u + 3u);
  EXPECT_EQ(opened_while_testing[10], 8u + 4u);
  EXPECT_EQ(opened_while_testing[79], 8u + 8u);
  // Files that ask for nothing: 64 ahead at most.
  fs_.SetReadAhead(0);
  for (int i = 0; i < 70; ++i) AddIdx("h\\" + std::to_string(i) + "\\", ManyLines("z", 1));
  opened_while_testing.clear();
  ASSERT_EQ(Run(FromSearch("x", true, "h\\")), SearchStatus::kCompleted);
  EXPECT_EQ(opened_while_testing[0], 16u + 65u);
}

}  // namespace
}  // namespace zeldrium
