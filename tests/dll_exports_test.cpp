// The DLL as the host's loader sees it: its export table and what it imports.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <vector>

namespace {

std::wstring DllPath() {
  wchar_t exe[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring path(exe, n);
  return path.substr(0, path.find_last_of(L"\\/") + 1) + L"Zeldrium.dll";
}

// Mapped as an image without running DllMain or resolving imports, so the tables can be read
// even when the loader would refuse the DLL.
class MappedImage {
 public:
  MappedImage()
      : module_(LoadLibraryExW(DllPath().c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES)) {}
  ~MappedImage() {
    if (module_) FreeLibrary(module_);
  }
  HMODULE module() const { return module_; }
  const BYTE* base() const { return reinterpret_cast<const BYTE*>(module_); }
  const IMAGE_NT_HEADERS* nt() const {
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base());
    return reinterpret_cast<const IMAGE_NT_HEADERS*>(base() + dos->e_lfanew);
  }
  const IMAGE_DATA_DIRECTORY& directory(int index) const {
    return nt()->OptionalHeader.DataDirectory[index];
  }

 private:
  HMODULE module_;
};

const char* const kCallbacks[] = {
    "BKC_OnStart",       "BKC_OnExit",        "BKC_OnMenuInit",    "BKC_OnOpenFolder",
    "BKC_OnOpenMail",    "BKC_OnEveryMinute", "BKC_OnOpenCompose", "BKC_OnOutgoing",
    "BKC_OnKeyDispatch", "BKC_OnRetrieve",    "BKC_OnSend",        "BKC_OnFinishRetrieve",
    "BKC_OnPlugInSetup", "BKC_OnPlugInInfo",  "BKC_OnDragDrop",
};

TEST(DllImage, IsA32BitDll) {
  MappedImage image;
  ASSERT_NE(image.module(), nullptr) << "cannot map Zeldrium.dll, error " << GetLastError();
  EXPECT_EQ(image.nt()->FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
  EXPECT_TRUE(image.nt()->FileHeader.Characteristics & IMAGE_FILE_DLL);
}

TEST(DllImage, ExportsExactlyTheFifteenCallbacksByPlainNameAndOrdinal) {
  MappedImage image;
  ASSERT_NE(image.module(), nullptr);
  const auto& dir = image.directory(IMAGE_DIRECTORY_ENTRY_EXPORT);
  ASSERT_NE(dir.VirtualAddress, 0u);
  auto exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(image.base() + dir.VirtualAddress);
  EXPECT_EQ(exports->Base, 1u);
  ASSERT_EQ(exports->NumberOfFunctions, 15u);
  ASSERT_EQ(exports->NumberOfNames, 15u);

  auto names = reinterpret_cast<const DWORD*>(image.base() + exports->AddressOfNames);
  auto ordinals = reinterpret_cast<const WORD*>(image.base() + exports->AddressOfNameOrdinals);
  std::vector<std::string> by_ordinal(15);
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
    const char* name = reinterpret_cast<const char*>(image.base() + names[i]);
    ASSERT_LT(ordinals[i], 15) << name;
    by_ordinal[ordinals[i]] = name;
  }
  for (int i = 0; i < 15; ++i) EXPECT_EQ(by_ordinal[i], kCallbacks[i]) << "ordinal " << i + 1;
}

TEST(DllImage, ImportsOnlySystemLibraries) {
  MappedImage image;
  ASSERT_NE(image.module(), nullptr);
  const auto& dir = image.directory(IMAGE_DIRECTORY_ENTRY_IMPORT);
  ASSERT_NE(dir.VirtualAddress, 0u);
  const std::set<std::string> system = {"kernel32.dll", "user32.dll",   "gdi32.dll",
                                        "comctl32.dll", "comdlg32.dll", "msvcrt.dll",
                                        "advapi32.dll", "shell32.dll",  "uxtheme.dll"};
  auto desc = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(image.base() + dir.VirtualAddress);
  int count = 0;
  for (; desc->Name != 0; ++desc, ++count) {
    std::string name = reinterpret_cast<const char*>(image.base() + desc->Name);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    EXPECT_TRUE(system.count(name)) << "imports " << name;
  }
  EXPECT_GT(count, 0);
}

TEST(DllLoad, LoadsAndResolvesEveryCallbackByNameAndByOrdinal) {
  HMODULE dll = LoadLibraryW(DllPath().c_str());
  ASSERT_NE(dll, nullptr) << "LoadLibrary failed, error " << GetLastError();
  for (int i = 0; i < 15; ++i) {
    FARPROC by_name = GetProcAddress(dll, kCallbacks[i]);
    FARPROC by_ordinal = GetProcAddress(dll, MAKEINTRESOURCEA(i + 1));
    EXPECT_NE(by_name, nullptr) << kCallbacks[i];
    EXPECT_EQ(by_name, by_ordinal) << kCallbacks[i];
  }
  // A decorated stdcall name would betray a missing .def entry.
  EXPECT_EQ(GetProcAddress(dll, "BKC_OnStart@0"), nullptr);
  EXPECT_EQ(GetProcAddress(dll, "_BKC_OnStart@0"), nullptr);
  FreeLibrary(dll);
}

}  // namespace
