#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cp932.h"
#include "gtest/gtest.h"
#include "lexicon.h"
#include "options.h"
#include "store_gen.h"

namespace zeldrium::make_store {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Relative path -> content of every file below `root`; directories map to "<dir>".
std::map<std::string, std::string> Snapshot(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    std::string rel = fs::relative(e.path(), root).string();
    files[rel] = e.is_directory() ? "<dir>" : ReadFile(e.path());
  }
  return files;
}

std::vector<std::string> Split(std::string_view s, std::string_view sep) {
  std::vector<std::string> parts;
  for (size_t pos = 0;;) {
    size_t next = s.find(sep, pos);
    parts.emplace_back(s.substr(pos, next - pos));
    if (next == std::string_view::npos) return parts;
    pos = next + sep.size();
  }
}

std::string Trimmed(std::string s) {
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
  while (!s.empty() && blank(s.back())) s.pop_back();
  s.erase(s.begin(), std::find_if_not(s.begin(), s.end(), blank));
  return s;
}

class MakeStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string err;
    ASSERT_TRUE(LoadLexicon(&lex_, &err)) << err;
    root_ = fs::temp_directory_path() /
            ("make_store_test_" + std::to_string(getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
  }
  void TearDown() override { fs::remove_all(root_); }

  fs::path Generate(const std::string& name, const StoreOptions& options) {
    fs::path dir = root_ / name;
    std::string err;
    EXPECT_TRUE(PrepareOutputDir(dir, false, &err)) << err;
    StoreSummary summary;
    EXPECT_TRUE(WriteStore(lex_, PlanStore(options), options.seed, dir, &summary, &err)) << err;
    EXPECT_EQ(summary.folders, options.folders);
    EXPECT_EQ(summary.lines, options.mails);
    return dir;
  }

  Lexicon lex_;
  fs::path root_;
};

TEST_F(MakeStoreTest, SameSeedGivesSameBytesOtherSeedDiffers) {
  StoreOptions options;
  options.mails = 3000;
  auto a = Snapshot(Generate("a", options));
  auto b = Snapshot(Generate("b", options));
  EXPECT_EQ(a, b);
  options.seed = 2;
  EXPECT_NE(a, Snapshot(Generate("c", options)));
}

// Reads every index file the way the search does and checks what the search relies on.
TEST_F(MakeStoreTest, IndexFilesHaveTheHostFormat) {
  StoreOptions options;  // the defaults a developer gets
  fs::path dir = Generate("store", options);

  uint64_t lines = 0;
  std::set<std::string> subjects;
  bool hidden_index = false, mailbox_with_index = false, mailbox_without_index = false;
  int deepest = 0;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    if (!e.is_directory()) continue;
    fs::path rel = fs::relative(e.path(), dir);
    int depth = static_cast<int>(std::distance(rel.begin(), rel.end()));
    bool indexed = fs::exists(e.path() / "Folder.idx");
    if (depth == 1) {
      std::string name = rel.string();
      EXPECT_EQ(name.size(), 11u) << name;
      EXPECT_EQ(name.find_first_not_of("0123456789ABCDEF"), 8u) << name;
      EXPECT_EQ(name.substr(8), ".mb");
      (indexed ? mailbox_with_index : mailbox_without_index) = true;
    }
    if (!indexed && depth > 1) {
      for (const auto& below : fs::recursive_directory_iterator(e.path())) {
        if (below.path().filename() == "Folder.idx") hidden_index = true;
      }
    }
    if (!indexed) continue;
    deepest = std::max(deepest, depth);

    std::string data = ReadFile(e.path() / "Folder.idx");
    size_t bad = 0;
    EXPECT_TRUE(IsValidCp932(data, &bad)) << rel << " at byte " << bad;
    if (rel.filename() == "!!!Outbox") {
      EXPECT_EQ(data, "");
    }
    if (data.empty()) continue;
    ASSERT_EQ(data.substr(data.size() - 2), "\r\n") << rel;
    std::set<std::string> keys;
    for (const std::string& line : Split(data.substr(0, data.size() - 2), "\r\n")) {
      ++lines;
      // A lone CR or LF would split or join lines in the reader.
      ASSERT_EQ(line.find_first_of("\r\n\x1a"), std::string::npos) << rel << ": " << line;
      std::vector<std::string> f = Split(line, "\x01");
      ASSERT_GE(f.size(), 9u) << rel << ": " << line;
      EXPECT_TRUE(keys.insert(f[1]).second) << "key " << f[1] << " twice in " << rel;
      ASSERT_FALSE(f[8].empty());
      ASSERT_EQ(f[8].find_first_not_of("0123456789abcdefABCDEF"), std::string::npos) << f[8];
      uint64_t date = std::stoull(f[8], nullptr, 16);
      EXPECT_GE(date, 1041379200u) << f[8];  // 2003-01-01
      EXPECT_LT(date, 1798761600u) << f[8];  // 2027-01-01
      if (rel.string() == fs::path(*rel.begin()).string() + "/Work/2019") {
        EXPECT_GE(date, 1546300800u) << f[8];
        EXPECT_LT(date, 1577836800u) << f[8];
      }
      EXPECT_FALSE(Trimmed(f[4]).empty()) << "From of " << line;
      subjects.insert(f[3]);
    }
  }
  EXPECT_EQ(lines, options.mails);
  EXPECT_TRUE(hidden_index) << "no directory without Folder.idx above an indexed one";
  EXPECT_TRUE(mailbox_with_index);
  EXPECT_TRUE(mailbox_without_index);
  EXPECT_GE(deepest, 4) << "mailbox + three folder levels";

  auto has = [&](auto pred) { return std::any_of(subjects.begin(), subjects.end(), pred); };
  EXPECT_TRUE(has([](const std::string& s) { return s.empty(); }));
  EXPECT_TRUE(has([](const std::string& s) { return !s.empty() && Trimmed(s).empty(); }));
  EXPECT_TRUE(subjects.count("\x97\x5c\x92\xe8\x95\x5c"));  // 予定表, ends in a 0x5C trail byte
  EXPECT_TRUE(has([](const std::string& s) { return s.find("\x82\x60") != s.npos; }));  // Ａ
  EXPECT_TRUE(subjects.count("meeting reminder") && subjects.count("MEETING REMINDER"));
  EXPECT_TRUE(
      has([](const std::string& s) { return s.find('"') != s.npos && s.find(',') != s.npos; }));
}

// The host reads Folders.txt to name mailboxes and folders; an entry that names no folder of the
// tree, or is spelled with the wrong separator, silently leaves the directory name showing.
TEST_F(MakeStoreTest, DisplayNamesNameFoldersOfTheTree) {
  StoreOptions options;
  options.folders = 40;
  fs::path dir = Generate("store", options);
  std::set<std::string> mailbox_names;
  int mailboxes = 0, inboxes = 0, nested = 0;
  for (const auto& mb : fs::directory_iterator(dir)) {
    if (!mb.is_directory()) continue;
    ++mailboxes;
    std::string data = ReadFile(mb.path() / kDisplayNamesFile);
    ASSERT_FALSE(data.empty()) << mb.path();
    EXPECT_TRUE(IsValidCp932(data)) << mb.path();
    ASSERT_EQ(data.substr(data.size() - 2), "\r\n");
    int own_names = 0;
    for (const std::string& line : Split(data.substr(0, data.size() - 2), "\r\n")) {
      if (line.empty() || line[0] == ';') continue;
      size_t eq = line.find('=');
      ASSERT_NE(eq, std::string::npos) << line;
      std::string relative = line.substr(0, eq), name = line.substr(eq + 1);
      EXPECT_FALSE(Trimmed(name).empty()) << line;
      if (relative.empty()) {
        ++own_names;
        mailbox_names.insert(name);
        continue;
      }
      EXPECT_EQ(relative.find('/'), std::string::npos) << "separator of " << line;
      std::string path = relative;
      std::replace(path.begin(), path.end(), '\\', '/');
      EXPECT_TRUE(fs::exists(mb.path() / path / "Folder.idx")) << line;
      if (relative == "!!!!Inbox") {
        ++inboxes;
        EXPECT_EQ(name, "\x8e\xf3\x90\x4d\x94\xa0");  // 受信箱
      }
      nested += relative.find('\\') != std::string::npos;
    }
    EXPECT_EQ(own_names, 1) << mb.path();
  }
  EXPECT_EQ(mailboxes, 4);
  EXPECT_EQ(inboxes, mailboxes);
  EXPECT_EQ(mailbox_names.size(), static_cast<size_t>(mailboxes)) << "two mailboxes show alike";
  EXPECT_GT(nested, 0) << "no entry for a folder below another";
}

TEST_F(MakeStoreTest, PlanHonoursEverySize) {
  struct Case {
    uint32_t folders;
    uint64_t mails;
  };
  for (Case c : {Case{1, 0}, Case{1, 7}, Case{2, 5}, Case{13, 1}, Case{30, 5000},
                 Case{250, 1000003}, Case{2000, 10}}) {
    StorePlan plan = PlanStore({42, c.mails, c.folders});
    uint32_t indexed = 0;
    uint64_t lines = 0, biggest = 0, smallest = UINT64_MAX;
    std::set<std::string> paths;
    for (const FolderPlan& p : plan.dirs) {
      std::string full = plan.mailboxes[p.mailbox] + "/" + p.path;
      EXPECT_TRUE(paths.insert(full).second) << full;
      // Parents come first, so a writer can create the directories in order.
      if (size_t slash = full.rfind('/'); slash > full.find('/')) {
        EXPECT_TRUE(paths.count(full.substr(0, slash))) << full;
      }
      indexed += p.indexed;
      lines += p.lines;
      biggest = std::max(biggest, p.lines);
      if (p.lines > 0) smallest = std::min(smallest, p.lines);
      if (!p.indexed) {
        EXPECT_EQ(p.lines, 0u);
      }
    }
    EXPECT_EQ(indexed, c.folders) << c.folders << "/" << c.mails;
    EXPECT_EQ(lines, c.mails) << c.folders << "/" << c.mails;
    if (c.folders >= 30 && c.mails >= 5000) {  // a few big folders, many small ones
      EXPECT_GT(biggest, 5 * c.mails / c.folders);
      EXPECT_LT(smallest, c.mails / c.folders / 3);
    }
  }
}

TEST(MakeStoreOptionsTest, ParsesAndRejectsArguments) {
  struct Case {
    std::vector<std::string> args;
    ParseStatus status;
    std::string err_part;
  };
  const Case cases[] = {
      {{"--out", "d"}, ParseStatus::kRun, ""},
      {{"-o", "d", "--", "extra"}, ParseStatus::kUsageError, "unexpected argument 'extra'"},
      {{"--out=d", "--seed=18446744073709551615", "--mails", "0", "--folders", "1", "--force"},
       ParseStatus::kRun,
       ""},
      {{"--out", "d", "--colour"}, ParseStatus::kUsageError, "unknown option '--colour'"},
      {{"--bogus", "--help"}, ParseStatus::kHelp, ""},
      {{}, ParseStatus::kUsageError, "--out DIR is required"},
      {{"--out"}, ParseStatus::kUsageError, "needs a value"},
      {{"--out="}, ParseStatus::kUsageError, "needs a directory"},
      {{"--out", "d", "extra"}, ParseStatus::kUsageError, "unexpected argument 'extra'"},
      {{"--out", "d", "--force=yes"}, ParseStatus::kUsageError, "takes no value"},
      {{"--out", "d", "--mails", "-5"}, ParseStatus::kUsageError, "decimal number"},
      {{"--out", "d", "--mails", "5k"}, ParseStatus::kUsageError, "decimal number"},
      {{"--out", "d", "--mails", "+5"}, ParseStatus::kUsageError, "decimal number"},
      {{"--out", "d", "--mails", "100000001"}, ParseStatus::kUsageError, "between 0 and"},
      {{"--out", "d", "--folders", "0"}, ParseStatus::kUsageError, "between 1 and"},
      {{"--out", "d", "--seed", "18446744073709551616"}, ParseStatus::kUsageError, "between"},
  };
  for (const Case& c : cases) {
    CliOptions options;
    std::string err;
    EXPECT_EQ(ParseArgs(c.args, &options, &err), c.status) << c.err_part;
    EXPECT_NE(err.find(c.err_part), std::string::npos) << err;
  }
  CliOptions options;
  std::string err;
  ParseArgs({"--out=d", "--seed=7", "--mails", "9", "--folders", "3", "--force"}, &options, &err);
  EXPECT_EQ(options.out, "d");
  EXPECT_EQ(options.store.seed, 7u);
  EXPECT_EQ(options.store.mails, 9u);
  EXPECT_EQ(options.store.folders, 3u);
  EXPECT_TRUE(options.force);
}

TEST_F(MakeStoreTest, ForceReplacesOnlyAnEarlierOutput) {
  std::string err;
  fs::path dir = root_ / "out";
  ASSERT_TRUE(PrepareOutputDir(dir, false, &err)) << err;  // created, parents too
  EXPECT_TRUE(fs::exists(dir / kMarkerName));
  std::ofstream(dir / "old.txt") << "x";
  EXPECT_FALSE(PrepareOutputDir(dir, false, &err));
  EXPECT_NE(err.find("not empty"), std::string::npos) << err;
  ASSERT_TRUE(PrepareOutputDir(dir, true, &err)) << err;
  EXPECT_FALSE(fs::exists(dir / "old.txt"));

  // Somebody's own directory survives --force.
  fs::path mine = root_ / "mine";
  fs::create_directories(mine);
  std::ofstream(mine / "thesis.txt") << "precious";
  EXPECT_FALSE(PrepareOutputDir(mine, true, &err));
  EXPECT_NE(err.find("refusing"), std::string::npos) << err;
  EXPECT_EQ(ReadFile(mine / "thesis.txt"), "precious");

  fs::path file = root_ / "file";
  std::ofstream(file) << "x";
  EXPECT_FALSE(PrepareOutputDir(file, true, &err));
  EXPECT_NE(err.find("not a directory"), std::string::npos) << err;
  EXPECT_EQ(ReadFile(file), "x");
}

TEST(MakeStoreCp932Test, ConvertsAndValidates) {
  std::string out, err;
  ASSERT_TRUE(Utf8ToCp932("ソ表能髙ｱ", &out, &err)) << err;
  EXPECT_EQ(out,
            "\x83\x5c"  // ソ, trail byte is a backslash
            "\x95\x5c"  // 表
            "\x94\x5c"  // 能
            "\xfb\xfc"  // 髙, IBM extension
            "\xb1");    // ｱ, a single byte
  EXPECT_TRUE(IsValidCp932(out));
  EXPECT_FALSE(Utf8ToCp932("caf\xc3\xa9", &out, &err));  // é has no code in the code page
  EXPECT_NE(err.find("CP932"), std::string::npos) << err;
  size_t bad = 0;
  EXPECT_FALSE(IsValidCp932("ab\x83", &bad));  // lead byte without its trail byte
  EXPECT_FALSE(IsValidCp932("ab\x85\x40"));    // an unassigned code
}

}  // namespace
}  // namespace zeldrium::make_store
