#include "tests/test_util.h"

#include <string>
#include <utility>

#include "testsupport/index_line.h"
#include "tools/standin_host/host_api.h"
#include "tools/standin_host/mail_store.h"

namespace testutil {
namespace {

using zeldrium::IndexLine;

void RemoveTree(const std::wstring& dir) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((dir + L"*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring path = dir + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        // A link goes, never what it leads to (which may be the tree itself).
        RemoveDirectoryW(path.c_str());
      } else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path + L"\\");
      } else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveDirectoryW(dir.c_str());
}

void MakeFolder(const std::wstring& root, std::string_view id, const std::string& index) {
  std::wstring path = root;
  size_t start = 0;
  std::wstring wide_id = standin::WideFrom932(id);
  while (start < wide_id.size()) {
    size_t end = wide_id.find(L'\\', start);
    path += wide_id.substr(start, end - start) + L"\\";
    CreateDirectoryW(path.c_str(), nullptr);
    start = end + 1;
  }
  if (!index.empty()) WriteFileBytes(path + L"Folder.idx", index);
}

}  // namespace

void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

std::wstring ExeDir() {
  wchar_t exe[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring path(exe, n);
  return path.substr(0, path.find_last_of(L"\\/") + 1);
}

TempDir::TempDir() {
  static int counter = 0;
  wchar_t base[MAX_PATH];
  GetTempPathW(MAX_PATH, base);
  for (;;) {
    path_ = std::wstring(base) + L"zeldrium-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter) + L"\\";
    if (CreateDirectoryW(path_.c_str(), nullptr)) break;
  }
}

TempDir::~TempDir() { RemoveTree(path_); }

bool WriteFileBytes(const std::wstring& path, std::string_view bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

bool ReadFileBytes(const std::wstring& path, std::string* bytes) {
  return standin::ReadWholeFile(path, bytes);
}

bool FileExists(const std::wstring& path) {
  DWORD attr = GetFileAttributesW(path.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

void MakeStore(const std::wstring& root) {
  MakeFolder(root, "Main.mb\\", "");
  WriteFileBytes(root + L"Main.mb\\Folders.txt",
                 "; display names\r\n"
                 "=\x83\x81\x83\x43\x83\x93\r\n"     // メイン
                 "INBOX=\x8e\xf3\x90\x4d\x94\xa0\n"  // 受信箱; letter case and a lone LF
                 "Inbox\\2024\\=2024\r\n");
  MakeFolder(root, kInbox,
             IndexLine(kFirstKey, kFirstSubject, kFirstFrom, "hanako@example.jp", 0x5f5e1000) +
                 IndexLine("00000002.mail", "Re: budget", "hanako@example.jp", "taro@example.jp",
                           0x5f5e2000) +
                 IndexLine("00000003.mail", "   ", "Jiro <jiro@example.jp>", "taro@example.jp",
                           0x5f5e3000));
  MakeFolder(root, kInbox2024,
             IndexLine("00000010.mail", "2024", "a@example.jp", "b@example.jp", 0x65920080));
  MakeFolder(root, kSoftFolder,
             IndexLine("00000020.mail", "soft", "c@example.jp", "d@example.jp", 0x1));
  MakeFolder(root, "Main.mb\\NoIndex\\", "");
  MakeFolder(root, kSubInbox,
             IndexLine("00000030.mail", "sub", "e@example.jp", "f@example.jp", 0x2));
}

namespace {

struct ClassSearch {
  const wchar_t* class_name;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectOfClass(HWND hwnd, LPARAM lparam) {
  auto* search = reinterpret_cast<ClassSearch*>(lparam);
  wchar_t name[256];
  if (GetClassNameW(hwnd, name, 256) && lstrcmpW(name, search->class_name) == 0) {
    search->found.push_back(hwnd);
  }
  return TRUE;
}

}  // namespace

std::vector<HWND> ThreadWindowsOfClass(const wchar_t* class_name) {
  ClassSearch search{class_name, {}};
  EnumThreadWindows(GetCurrentThreadId(), &CollectOfClass, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

namespace {

BOOL CALLBACK DescribeWindowOf(HWND hwnd, LPARAM lparam) {
  auto* args = reinterpret_cast<std::pair<DWORD, std::string*>*>(lparam);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == args->first && IsWindowVisible(hwnd)) {
    wchar_t text[256] = {};
    int n = GetWindowTextW(hwnd, text, 256);
    char utf8[1024] = {};
    WideCharToMultiByte(CP_UTF8, 0, text, n, utf8, sizeof utf8 - 1, nullptr, nullptr);
    *args->second += std::string(" [") + utf8 + "]";
  }
  return TRUE;
}

}  // namespace

namespace {
DWORD RunTestHostOnce(const std::wstring& args, std::string* out);
}  // namespace

// Under Wine a child's output written to an inherited file handle is now and then lost when the
// test program has run many tests before (not understood yet): a run that printed nothing at all
// is repeated, at most twice. A child that prints something is judged on its first run.
DWORD RunTestHost(const std::wstring& args, std::string* out) {
  DWORD code = 0;
  for (int attempt = 0; attempt < 3; ++attempt) {
    std::string printed;
    code = RunTestHostOnce(args, &printed);
    if (!printed.empty() || attempt == 2) {
      *out += printed;
      break;
    }
  }
  return code;
}

namespace {
DWORD RunTestHostOnce(const std::wstring& args, std::string* out) {
  TempDir dir;
  std::wstring log = dir.path() + L"out.txt";
  SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
  // A file, not a pipe: a helper process that inherits a pipe would keep it open after the
  // child is gone.
  HANDLE file = CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 999;
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = file;
  si.hStdError = file;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION pi = {};
  std::wstring command = L"\"" + ExeDir() + L"zeldrium_test_host.exe\" " + args;
  BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                nullptr, &si, &pi);
  CloseHandle(file);
  if (!started) return 998;
  DWORD code = 997;
  if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0) {
    GetExitCodeProcess(pi.hProcess, &code);
  } else {
    std::string windows;
    std::pair<DWORD, std::string*> search{pi.dwProcessId, &windows};
    EnumWindows(&DescribeWindowOf, reinterpret_cast<LPARAM>(&search));
    *out += "child hung; its windows:" + windows + "\n";
    TerminateProcess(pi.hProcess, 996);
    WaitForSingleObject(pi.hProcess, 10000);
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  std::string printed;
  ReadFileBytes(log, &printed);
  *out += printed;
  return code;
}
}  // namespace

}  // namespace testutil
