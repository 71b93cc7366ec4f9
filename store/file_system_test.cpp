#include "store/file_system.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/search_run.h"
#include "gtest/gtest.h"
#include "testsupport/test_conditions.h"

#ifdef _WIN32
#include <windows.h>
#include <process.h>
#define getpid _getpid
#else
#include <fcntl.h>
#include <stdlib.h>
#include <sys/fsuid.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace zeldrium {
namespace {

using V = std::vector<std::string>;

class FromHooks : public SearchHooks {};

// An index line from "x" (the "|" become the separator 0x01).
std::string LineFromX() {
  std::string line = "1|k||s|x||||1\r\n";
  std::replace(line.begin(), line.end(), '|', '\x01');
  return line;
}

// The hand-made store under tests/fixtures/store (see its README.md), searched natively.
TEST(NativeStoreTest, FixtureStore) {
  const std::string data = ZELDRIUM_SOURCE_DIR "/tests/fixtures/store/";
  auto fs = NewNativeFileSystem();
  FromHooks hooks;
  TSearchRun run(fs.get(), &hooks);
  ASSERT_EQ(run.Run(FromSearch("alice", true, "Main.mb\\"),
                    SearchScope{data, "Main.mb\\Inbox\\", "Main.mb\\"}),
            SearchStatus::kCompleted)
      << run.Error();
  // Inbox (the current folder) first, its subfolder 2019 (whose index is named folder.IDX),
  // then the mailbox's own index and the rest of the mailbox; NoIndex hides NoIndex\Hidden, and
  // nothing after the 0x1a in Inbox's index is read.
  EXPECT_EQ(run.FilesRead(), 4);
  V ids, subjects, dates;
  for (const THitRow& row : run.Rows()) {
    ids.push_back(row.MailID);
    subjects.push_back(row.Subject);
    dates.push_back(row.Date);
  }
  EXPECT_EQ(ids,
            (V{"Main.mb\\\x89\xc6\x91\xb0\\?K001",  // 家族
               "Main.mb\\Inbox\\?I001", "Main.mb\\Inbox\\2019\\?Y001", "Main.mb\\Inbox\\?I002"}));
  EXPECT_EQ(subjects, (V{"\x83\x5c\x83\x74\x83\x67",                     // ソフト
                         "Hello", "From 2019", "(\x96\xb3\x91\xe8)"}));  // (無題)
  EXPECT_EQ(dates, (V{"2022/08/20 06:26:24", "2021/01/14 17:25:36", "2019/01/01 09:00:00",
                      "1970/01/01 09:00:00"}));
}

// What ReadAhead has read is handed out first, in pieces of any size, and the rest follows it:
// a file smaller than the read-ahead, one larger, an empty one, and one read without the hint.
TEST(NativeStoreTest, ReadAheadHandsOutEveryByteOnce) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("zeldrium-ahead-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  auto fs = NewNativeFileSystem(ReadAheadMode::kAlways);
  for (const size_t size : {size_t{0}, size_t{1000}, size_t{1500000}}) {
    std::string content(size, '\0');
    for (size_t i = 0; i < size; ++i) content[i] = static_cast<char>(i * 7 + i / 251);
    const std::string path = (dir / std::to_string(size)).string();
    { std::ofstream(path, std::ios::binary).write(content.data(), content.size()); }
    for (const bool ahead : {true, false}) {
      for (const size_t piece : {size_t{100}, size_t{300000}}) {
        std::string err;
        auto file = fs->OpenSequential(path, &err);
        ASSERT_NE(file, nullptr) << err;
        if (ahead) file->ReadAhead(-1);
        std::string got;
        std::vector<char> buf(piece);
        size_t n = 0;
        while (file->Read(buf.data(), buf.size(), &n, &err) && n > 0) got.append(buf.data(), n);
        EXPECT_EQ(err, "");
        EXPECT_TRUE(got == content) << size << " bytes, piece " << piece << ", ahead " << ahead;
      }
    }
    // Closed with the read-ahead still going: nothing is written into freed memory.
    std::string err;
    auto file = fs->OpenSequential(path, &err);
    ASSERT_NE(file, nullptr) << err;
    file->ReadAhead(-1);
  }
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
}

std::string Text(const FileSystemCalls& c) {
  return "listings " + std::to_string(c.listings) + ", existence tests " +
         std::to_string(c.existence_tests) + ", opens " + std::to_string(c.opens) + ", sizes " +
         std::to_string(c.sizes) + ", reads " + std::to_string(c.reads) + ", read hints " +
         std::to_string(c.read_hints) + ", waits " + std::to_string(c.waits) + ", closes " +
         std::to_string(c.closes) + ", identities " + std::to_string(c.identities);
}

// What a search costs the system beyond the bytes it reads, counted by the native file system:
// per folder walked one listing of its directory, which names both its index and its
// subfolders; per index file one open, one read when it is small, one close; no existence test
// where a listing has answered. A call more per folder fails here. (The files are small and in
// the system's cache: nothing tells it to read ahead.)
TEST(NativeStoreTest, EachFolderCostsOneListingAndEachIndexOneOpen) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("zeldrium-calls-" + std::to_string(::getpid()));
  for (const char* index : {"m/a", "m/a/b", "m/c", "m/n/d"}) {
    std::filesystem::create_directories(dir / index);
    std::ofstream(dir / index / "Folder.idx", std::ios::binary) << LineFromX();
  }
  const std::string root = dir.string() + "/";
  // Nothing is asked to be read ahead while reads find everything in memory. The open file is
  // asked its size where no listing gives it. Reading ahead always, an index costs a hint more
  // (under Windows its read is overlapped, and waited for).
#ifdef _WIN32
  const FileSystemCalls index{.opens = 1, .reads = 1, .closes = 1};
  const FileSystemCalls index_ahead{.opens = 1, .reads = 1, .waits = 1, .closes = 1};
#else
  const FileSystemCalls index{.opens = 1, .sizes = 1, .reads = 1, .closes = 1};
  const FileSystemCalls index_ahead{
      .opens = 1, .sizes = 1, .reads = 1, .read_hints = 1, .closes = 1};
#endif
  const auto times = [](FileSystemCalls c, int n) {
    return FileSystemCalls{c.listings * n, c.existence_tests * n, c.opens * n, c.sizes * n,
                           c.reads * n,    c.read_hints * n,      c.waits * n, c.closes * n};
  };
  const auto plus = [](FileSystemCalls a, FileSystemCalls b) {
    return FileSystemCalls{a.listings + b.listings, a.existence_tests + b.existence_tests,
                           a.opens + b.opens,       a.sizes + b.sizes,
                           a.reads + b.reads,       a.read_hints + b.read_hints,
                           a.waits + b.waits,       a.closes + b.closes};
  };
  const FileSystemCalls listing{.listings = 1, .closes = 1};
#ifdef _WIN32
  const FileSystemCalls missing{.opens = 1};
#else
  const FileSystemCalls missing{.listings = 1, .existence_tests = 1, .opens = 1, .closes = 1};
#endif
  struct Case {
    const char* name;
    TFindRec condition;
    size_t hits;
    FileSystemCalls calls;
    ReadAheadMode mode = ReadAheadMode::kWhenCold;
  };
  const Case cases[] = {
      // m, a, b, c and n listed (n has no index: d below it is not walked); three indexes read.
      {"a mailbox with its subfolders", FromSearch("x", true, "m\\"), 3,
       plus(times(listing, 5), times(index, 3))},
      {"reading ahead always", FromSearch("x", true, "m\\"), 3,
       plus(times(listing, 5), times(index_ahead, 3)), ReadAheadMode::kAlways},
      // One folder without its subfolders: nothing listed.
      {"one folder", FromSearch("x", false, "m\\a\\"), 1, index},
      // A folder without an index: one open fails, which says that none is there. (On a
      // file system that tells letter cases apart, the index is then looked for under other
      // cases, among the folder's entries.)
      {"a folder without an index", FromSearch("x", false, "m\\n\\"), 0, missing},
  };
  for (const Case& c : cases) {
    auto fs = NewNativeFileSystem(c.mode);
    FromHooks hooks;
    TSearchRun run(fs.get(), &hooks);
    ASSERT_EQ(run.Run(c.condition, SearchScope{root, "", ""}), SearchStatus::kCompleted) << c.name;
    EXPECT_EQ(run.HitCount(), c.hits) << c.name;
    EXPECT_EQ(Text(fs->Calls()), Text(c.calls)) << c.name;
  }
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
}

// A store that holds links (tests/fixtures/linked-store), the usual way to move a big mailbox
// to another drive: a mailbox that is a link, a folder linked into a mailbox twice, a link back
// up to the mailbox, one whose target is gone. Every folder is read once, by the first path the
// walk reaches it by, and the walk ends. A store without links is never asked for a directory's
// identity. (Under Wine the links are the fixture's Unix ones, which Wine lists as reparse
// points without a tag.)
TEST(NativeStoreTest, LinksAreFollowedAndEveryFolderIsReadOnce) {
  auto native = NewNativeFileSystem();
  FromHooks hooks;
  TSearchRun run(native.get(), &hooks);
  SearchScope scope{ZELDRIUM_SOURCE_DIR "/tests/fixtures/linked-store/data/", "", ""};
  scope.folders = FolderScope::kAllMailboxes;
  ASSERT_EQ(run.Run(FromSearch("x", false, ""), scope), SearchStatus::kCompleted) << run.Error();
  V folders;
  for (const THitRow& row : run.Rows()) {
    folders.push_back(row.MailID.substr(0, row.MailID.find('?')));
  }
  std::sort(folders.begin(), folders.end());
  // The folder linked twice shows under whichever of its links the listing gave first.
  ASSERT_EQ(folders.size(), 5u) << testing::PrintToString(folders);
  const std::string shared = folders[2];
  EXPECT_TRUE(shared == "m.mb\\again\\" || shared == "m.mb\\linked\\") << shared;
  EXPECT_EQ(folders, (V{"m.mb\\", "m.mb\\a\\", shared, "x.mb\\", "x.mb\\in\\"}));
  EXPECT_EQ(run.FilesRead(), 5);
  EXPECT_GT(native->Calls().identities, 0);

  auto plain = NewNativeFileSystem();
  TSearchRun plain_run(plain.get(), &hooks);
  scope.data_folder = ZELDRIUM_SOURCE_DIR "/tests/fixtures/store/";
  ASSERT_EQ(plain_run.Run(FromSearch("x", false, ""), scope), SearchStatus::kCompleted);
  EXPECT_EQ(plain_run.FilesRead(), 4);
  EXPECT_EQ(plain->Calls().identities, 0);
}

#ifdef _WIN32

// The host writing an index while the search wants it: the open fails with the system's words,
// and the run ends with them. Reading it, the search keeps writers out in turn.
TEST(WinFileSystemTest, IndexHeldForWritingEndsTheRun) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("zeldrium-fs-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir / "m" / "a");
  const std::string root = dir.string();
  const std::string index = root + "\\m\\a\\Folder.idx";
  { std::ofstream(index, std::ios::binary) << LineFromX(); }
  auto fs = NewNativeFileSystem();
  {
    std::string err;
    auto reading = fs->OpenSequential(index, &err);
    ASSERT_NE(reading, nullptr) << err;
    std::ofstream writer(index, std::ios::app);
    EXPECT_FALSE(writer.is_open());
    auto second_reader = fs->OpenSequential(index, &err);
    EXPECT_NE(second_reader, nullptr) << err;
  }
  {
    std::ofstream writer(index, std::ios::app);
    ASSERT_TRUE(writer.is_open());
    FromHooks hooks;
    TSearchRun run(fs.get(), &hooks);
    EXPECT_EQ(run.Run(FromSearch("x", false, "m\\a\\"), SearchScope{root, "", ""}),
              SearchStatus::kError);
    EXPECT_EQ(run.ErrorPath(), index);
    EXPECT_GT(run.Error().size(), index.size() + 2) << run.Error();
  }
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
}

#else  // !_WIN32

std::string ReadAll(FileSystem* fs, std::string_view path, std::string* err) {
  auto file = fs->OpenSequential(path, err);
  if (file == nullptr) return "<error>";
  std::string content;
  char buf[64];
  size_t got;
  while (file->Read(buf, sizeof buf, &got, err) && got > 0) content.append(buf, got);
  return content;
}

class PosixFileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Memory-backed when the machine has it: the deep store makes 20,000 inodes.
    std::string tmpl = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    tmpl += "/zeldrium-fs-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    root_ = tmpl;
    fs_ = NewNativeFileSystem();
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);  // does not follow the links made below
  }

  // rel uses "/" and UTF-8, as the disk does.
  void MakeDir(const std::string& rel) { std::filesystem::create_directories(root_ + "/" + rel); }
  void MakeFile(const std::string& rel, const std::string& content) {
    const std::string path = root_ + "/" + rel;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(::write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
    ::close(fd);
  }
  void MakeLink(const std::string& target, const std::string& rel) {
    ASSERT_EQ(::symlink(target.c_str(), (root_ + "/" + rel).c_str()), 0);
  }
  // The path as the host would give it: backslashes, code page 932.
  std::string P(const std::string& rel) const { return root_ + "\\" + rel; }
  V Sorted(V v) const {
    std::sort(v.begin(), v.end());
    return v;
  }

  std::string root_;
  std::unique_ptr<FileSystem> fs_;
};

TEST_F(PosixFileSystemTest, NamesMatchIgnoringCaseWhenTheExactOneIsMissing) {
  MakeFile("Box.mb/Inbox/folder.IDX", "inbox");
  MakeDir("Box.mb/Dir/Folder.idx");
  MakeFile("Box.mb/Two/Sub/Folder.idx", "upper");
  MakeFile("Box.mb/Two/sub/Folder.idx", "lower");

  EXPECT_TRUE(fs_->FileExists(P("Box.mb\\Inbox\\folder.IDX")));
  EXPECT_TRUE(fs_->FileExists(P("box.MB\\INBOX\\Folder.idx")));
  EXPECT_TRUE(fs_->FileExists(root_ + "/BOX.mb/inbox/FOLDER.IDX"));
  EXPECT_FALSE(fs_->FileExists(P("Box.mb\\Dir\\Folder.idx")));  // a directory is no file
  EXPECT_FALSE(fs_->FileExists(P("Box.mb\\Nope\\Folder.idx")));
  EXPECT_FALSE(fs_->FileExists(P("Box.mb\\Inbox")));
  EXPECT_TRUE(fs_->DirectoryExists(P("box.MB\\inbox\\")));
  EXPECT_TRUE(fs_->DirectoryExists(P("BOX.mb\\DIR\\folder.idx")));
  EXPECT_TRUE(fs_->DirectoryExists(root_));
  EXPECT_FALSE(fs_->DirectoryExists(P("Box.mb\\Inbox\\Folder.idx")));  // a file is no directory
  EXPECT_FALSE(fs_->DirectoryExists(P("Box.mb\\Nope\\")));

  std::string err;
  EXPECT_EQ(ReadAll(fs_.get(), P("BOX.MB\\inbox\\folder.idx"), &err), "inbox");
  // An exact name wins; among several others, the byte-wise smallest.
  EXPECT_EQ(ReadAll(fs_.get(), P("Box.mb\\Two\\sub\\Folder.idx"), &err), "lower");
  EXPECT_EQ(ReadAll(fs_.get(), P("Box.mb\\Two\\SUB\\Folder.idx"), &err), "upper");

  EXPECT_EQ(Sorted(fs_->ListSubdirectories(P("BOX.MB\\"))), (V{"Dir", "Inbox", "Two"}));
  EXPECT_EQ(fs_->ListSubdirectories(P("box.mb\\inbox")), V{});
  EXPECT_EQ(fs_->ListSubdirectories(P("missing\\")), V{});
}

TEST_F(PosixFileSystemTest, JapaneseNamesAreUtf8OnDisk) {
  MakeFile("\xe5\xae\xb6\xe6\x97\x8f/Folder.idx", "family");            // 家族 in UTF-8
  MakeFile("\xe3\x82\xbd\xe3\x83\x95\xe3\x83\x88/Folder.idx", "soft");  // ソフト in UTF-8
  MakeFile("\x8c\x8f\x96\xbc/Folder.idx", "raw");  // 件名 in code page 932: not UTF-8
  MakeFile("\xef\xbc\xad\xef\xbd\x81\xef\xbd\x89\xef\xbd\x8c/Folder.idx", "wide");  // Ｍａｉｌ

  const std::string kazoku = "\x89\xc6\x91\xb0";        // 家族
  const std::string soft = "\x83\x5c\x83\x74\x83\x67";  // ソフト, first trail byte is a backslash
  const std::string raw = "\x8c\x8f\x96\xbc";           // 件名
  const std::string wide = "\x82\x6c\x82\x81\x82\x89\x82\x8c";  // Ｍａｉｌ
  EXPECT_EQ(Sorted(fs_->ListSubdirectories(root_)), Sorted({kazoku, soft, raw, wide}));

  std::string err;
  EXPECT_EQ(ReadAll(fs_.get(), P(kazoku + "\\Folder.idx"), &err), "family");
  EXPECT_EQ(ReadAll(fs_.get(), P(soft + "\\Folder.idx"), &err), "soft");
  EXPECT_EQ(ReadAll(fs_.get(), P(raw + "\\folder.idx"), &err), "raw");
  EXPECT_EQ(ReadAll(fs_.get(), P(wide + "\\Folder.idx"), &err), "wide");
  EXPECT_TRUE(fs_->FileExists(P(soft + "\\FOLDER.IDX")));
}

TEST_F(PosixFileSystemTest, ListsDirectoriesAndLinksToThemWithoutHiddenOnes) {
  MakeDir("m/Inbox");
  MakeDir("m/.hidden");
  MakeFile("m/file.txt", "");
  MakeLink("Inbox", "m/link");
  MakeLink("file.txt", "m/to-a-file");
  MakeLink("/nonexistent", "m/dangling");
  FolderListing listing;
  fs_->ListFolder(P("m"), &listing);
  V links;
  for (size_t i = 0; i < listing.subdirectories.size(); ++i) {
    if (listing.is_link[i]) links.push_back(listing.subdirectories[i]);
  }
  EXPECT_EQ(Sorted(listing.subdirectories), (V{"Inbox", "link"}));
  EXPECT_EQ(links, V{"link"});
  DirectoryIdentity inbox, link;
  ASSERT_TRUE(fs_->IdentifyDirectory(P("m\\Inbox"), &inbox));
  ASSERT_TRUE(fs_->IdentifyDirectory(P("M\\LINK\\"), &link));
  EXPECT_FALSE(inbox < link || link < inbox);
  EXPECT_FALSE(fs_->IdentifyDirectory(P("m\\dangling"), &link));
  EXPECT_FALSE(fs_->IdentifyDirectory(P("m\\file.txt"), &link));
}

TEST_F(PosixFileSystemTest, OpenErrorsCarryTheSystemsWords) {
  MakeDir("m/Folder.idx");
  std::string err;
  EXPECT_EQ(fs_->OpenSequential(P("m\\Folder.idx"), &err), nullptr);
  EXPECT_NE(err, "");
  err.clear();
  EXPECT_EQ(fs_->OpenSequential(P("m\\missing.idx"), &err), nullptr);
  EXPECT_NE(err, "");
}

// Root reads a file whatever its mode, so the run is made as another user there: a file system
// user ID other than 0 drops the right to override file modes.
TEST_F(PosixFileSystemTest, UnreadableIndexEndsTheRun) {
  MakeFile("m/a/Folder.idx", LineFromX());
  MakeFile("m/b/Folder.idx", "");
  ASSERT_EQ(::chmod((root_ + "/m/b/Folder.idx").c_str(), 0), 0);
  ASSERT_EQ(::chmod(root_.c_str(), 0755), 0);
  FromHooks hooks;
  TSearchRun run(fs_.get(), &hooks);
  const bool as_root = ::geteuid() == 0;
  if (as_root) ::setfsuid(65534);
  const SearchStatus status =
      run.Run(FromSearch("x", false, "m\\a\\,m\\b\\"), SearchScope{root_, "", ""});
  if (as_root) ::setfsuid(0);
  EXPECT_EQ(status, SearchStatus::kError);
  EXPECT_EQ(run.ErrorPath(), P("m\\b\\Folder.idx"));
  EXPECT_EQ(run.Rows().size(), 1u);
}

// Works as root too: reading a process's memory at address 0 fails with EIO.
TEST_F(PosixFileSystemTest, ReadErrorEndsTheRun) {
  MakeFile("m/a/Folder.idx", LineFromX());
  MakeDir("m/b");
  MakeLink("/proc/self/mem", "m/b/Folder.idx");
  std::string err;
  if (fs_->OpenSequential(P("m\\b\\Folder.idx"), &err) == nullptr) {
    GTEST_SKIP() << "/proc/self/mem cannot be opened here: " << err;
  }
  FromHooks hooks;
  TSearchRun run(fs_.get(), &hooks);
  EXPECT_EQ(run.Run(FromSearch("x", false, "m\\a\\,m\\b\\"), SearchScope{root_, "", ""}),
            SearchStatus::kError);
  EXPECT_EQ(run.ErrorPath(), P("m\\b\\Folder.idx"));
  EXPECT_NE(run.Error().find(std::strerror(EIO)), std::string::npos) << run.Error();
  EXPECT_EQ(run.Rows().size(), 1u);
}

TEST_F(PosixFileSystemTest, LinkLoopsDoNotTrapTheWalk) {
  const std::string line = LineFromX();
  MakeFile("m/a/Folder.idx", line);
  MakeFile("m/a/b/Folder.idx", line);
  MakeLink("..", "m/a/b/up");
  MakeLink(".", "m/a/self");
  MakeLink(root_ + "/m", "m/a/b/abs");
  FromHooks hooks;
  TSearchRun run(fs_.get(), &hooks);
  ASSERT_EQ(run.Run(FromSearch("x", true, "m\\"), SearchScope{root_, "", ""}),
            SearchStatus::kCompleted);
  EXPECT_EQ(run.FilesRead(), 2);
}

// Where the system's cache holds the files, none is asked to be read ahead; once a read has found
// its file's data missing, the files opened after it are, until the run is over.
TEST(PosixReadAheadTest, FilesAreHintedOnceAReadFindsTheCacheCold) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("zeldrium-cold-" + std::to_string(::getpid()));
  std::string lines;
  while (lines.size() < 100000) lines += LineFromX();
  std::vector<std::string> paths;
  for (const char* folder : {"a", "b", "c", "d"}) {
    std::filesystem::create_directories(dir / "m" / folder);
    paths.push_back((dir / "m" / folder / "Folder.idx").string());
    std::ofstream(paths.back(), std::ios::binary) << lines;
  }
  // Out of the cache, as after a restart. A file system held in memory keeps them: nothing to
  // learn there.
  for (const std::string& path : paths) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ::fdatasync(fd);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    // Asked without reading, which would bring the file back.
    void* const map = ::mmap(nullptr, 4096, PROT_READ, MAP_SHARED, fd, 0);
    unsigned char resident = 1;
    if (map != MAP_FAILED) {
      ::mincore(map, 4096, &resident);
      ::munmap(map, 4096);
    }
    const bool cached = (resident & 1) != 0;
    ::close(fd);
    if (cached) {
      std::filesystem::remove_all(dir);
      GTEST_SKIP() << dir << " keeps its files in memory";
    }
  }
  auto fs = NewNativeFileSystem();
  FromHooks hooks;
  TSearchRun run(fs.get(), &hooks);
  const std::string root = dir.string() + "/";
  const TFindRec all = FromSearch("x", false, "m\\a\\,m\\b\\,m\\c\\,m\\d\\");
  ASSERT_EQ(run.Run(all, SearchScope{root, "", ""}), SearchStatus::kCompleted);
  // All four were opened before the first was read; its read found the cache cold.
  EXPECT_EQ(fs->Calls().read_hints, 3);
  // Now all four are in the cache, and the next run hints none.
  ASSERT_EQ(run.Run(all, SearchScope{root, "", ""}), SearchStatus::kCompleted);
  EXPECT_EQ(fs->Calls().read_hints, 3);
  std::filesystem::remove_all(dir);
}

TEST_F(PosixFileSystemTest, TenThousandFoldersTwoHundredDeep) {
  const std::string line = LineFromX();
  for (int c = 0; c < 50; ++c) {
    std::string dir = root_ + "/m/c" + std::to_string(c);
    for (int d = 0; d < 200; ++d) {
      ASSERT_TRUE(std::filesystem::create_directories(dir) || std::filesystem::exists(dir));
      const int fd = ::open((dir + "/Folder.idx").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      ASSERT_GE(fd, 0);
      ASSERT_EQ(::write(fd, line.data(), line.size()), static_cast<ssize_t>(line.size()));
      ::close(fd);
      dir += "/d";
    }
  }
  MakeFile("m/Folder.idx", "");
  FromHooks hooks;
  TSearchRun run(fs_.get(), &hooks);
  ASSERT_EQ(run.Run(FromSearch("x", true, "m\\"), SearchScope{root_, "", ""}),
            SearchStatus::kCompleted);
  EXPECT_EQ(run.FilesRead(), 10001);
  EXPECT_EQ(run.Rows().size(), 10000u);
}

#endif  // _WIN32

}  // namespace
}  // namespace zeldrium
