#ifndef ZELDRIUM_TESTS_TEST_UTIL_H_
#define ZELDRIUM_TESTS_TEST_UTIL_H_

// Helpers of the Windows-side tests: temporary directories, files, and a small mail store.

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace testutil {

// The directory of the running test program, with a trailing backslash.
std::wstring ExeDir();

// Dispatches every message waiting for this thread (what a window or an unload posted).
void PumpMessages();

// A fresh directory under the system's temporary directory, removed with all it holds when the
// object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  // With a trailing backslash.
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
};

bool WriteFileBytes(const std::wstring& path, std::string_view bytes);
// False when the file cannot be read.
bool ReadFileBytes(const std::wstring& path, std::string* bytes);
bool FileExists(const std::wstring& path);

// Writes a small store below root (code page 932 names and texts):
//   Main.mb\            mailbox, no index of its own; Folders.txt names it and Inbox
//   Main.mb\Inbox\      kStoreMailCount mails, Folder.idx
//   Main.mb\Inbox\2024\ one mail
//   Main.mb\ソフト\      one mail; the trail byte of ソ is a backslash
//   Main.mb\NoIndex\    a directory without Folder.idx: not a folder
//   Sub.mb\Inbox\       one mail
void MakeStore(const std::wstring& root);
inline constexpr int kStoreMailCount = 3;
// Code page 932 folder IDs of the store.
inline constexpr char kInbox[] = "Main.mb\\Inbox\\";
inline constexpr char kInbox2024[] = "Main.mb\\Inbox\\2024\\";
inline constexpr char kSoftFolder[] = "Main.mb\\\x83\x5c\x83\x74\x83\x67\\";  // ソフト
inline constexpr char kSubInbox[] = "Sub.mb\\Inbox\\";
// The first mail of Inbox.
inline constexpr char kFirstKey[] = "00000001.mail";
inline constexpr char kFirstFrom[] =
    "\x8e\x52\x93\x63 \x91\xbe\x98\x59 <taro@example.jp>";  // 山田 太郎
inline constexpr char kFirstSubject[] =
    "\x89\xef\x8b\x63\x82\xcc\x82\xa8\x92\x6d\x82\xe7\x82\xb9";  // 会議のお知らせ

// Runs zeldrium_test_host.exe (beside the test program) with args; returns its exit code and
// fills *out with what it printed. A child still running after a minute is ended, and its
// visible windows are named in *out (a message box would be the likely reason).
DWORD RunTestHost(const std::wstring& args, std::string* out);

// Top-level windows of this thread whose class name is class_name.
std::vector<HWND> ThreadWindowsOfClass(const wchar_t* class_name);

}  // namespace testutil

#endif  // ZELDRIUM_TESTS_TEST_UTIL_H_
