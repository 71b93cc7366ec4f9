// The host's 32-bit process runs short of address space: in the middle of a search the run ends
// as a stopped one while the host still has memory of its own, its rows stay and are counted;
// outside a run the action ends where memory ran out. Either way the user is told why in
// Japanese, never in the library's English, and the host goes on.
#include <cstdint>
#include <string>
#include <vector>

#include "tests/window_driver.h"
#include "win32/address_space.h"

namespace {

using namespace mainview;

constexpr int kLines = 200000;
constexpr char kFolder[] = "Big.mb\\F\\";
// メモリが足りないため、検索を途中で終えました
constexpr wchar_t kOutOfMemory[] =
    L"\u30e1\u30e2\u30ea\u304c\u8db3\u308a\u306a\u3044\u305f\u3081\u3001\u691c\u7d22\u3092\u9014"
    L"\u4e2d\u3067\u7d42\u3048\u307e\u3057\u305f";

// メモリが足りないため、並べ替えられませんでした
constexpr wchar_t kCannotSort[] =
    L"\u30e1\u30e2\u30ea\u304c\u8db3\u308a\u306a\u3044\u305f\u3081\u3001\u4e26\u3079\u66ff"
    L"\u3048\u3089\u308c\u307e\u305b\u3093\u3067\u3057\u305f";

// メモリが足りないため、操作を途中で終えました
constexpr wchar_t kActionOutOfMemory[] =
    L"\u30e1\u30e2\u30ea\u304c\u8db3\u308a\u306a\u3044\u305f\u3081\u3001\u64cd\u4f5c\u3092\u9014"
    L"\u4e2d\u3067\u7d42\u3048\u307e\u3057\u305f";

// Takes the process's free address space, all but about `left` bytes (counted as the plug-in
// counts it), until it goes.
class AddressSpaceHog {
 public:
  explicit AddressSpaceHog(uint64_t left) {
    for (size_t size = size_t{256} << 20; size >= (size_t{64} << 10);) {
      void* block = win32::FreeAddressSpace() >= left + size
                        ? VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS)
                        : nullptr;
      if (block) {
        blocks_.push_back(block);
      } else {
        size /= 2;
      }
    }
  }
  ~AddressSpaceHog() {
    for (void* block : blocks_) VirtualFree(block, 0, MEM_RELEASE);
  }

 private:
  std::vector<void*> blocks_;
};

TEST_F(SearchWindowTest, RunOutOfMemoryEndsAsAStoppedRunWithItsRowsCounted) {
  std::string index;
  index.reserve(static_cast<size_t>(kLines) * 100);
  const std::string long_from(40, 'f');
  for (int i = 0; i < kLines; ++i) {
    const std::string key = std::to_string(i) + ".mail";
    index += testutil::IndexLine(key, "hit " + key + std::string(30, 's'),
                                 long_from + "@example.jp", "", 1000000 + i);
  }
  ASSERT_TRUE(testutil::WriteFolder(store_.path(), kFolder, index));
  index.clear();
  index.shrink_to_fit();
  WriteSettings("FINDPARAM0=" + testutil::FindParam("big", false, kFolder, 2, "hit") + "\r\n");
  ASSERT_NE(StartWindow(), nullptr);
  ShowWindowByCommand();
  std::vector<std::wstring>* boxes = WatchMessageBoxes();
  {
    // More than the plug-in leaves to the host, but less than the hits would take.
    AddressSpaceHog hog(win32::kKeptForHost + (uint64_t{6} << 20));
    ChooseTab(0);
    EXPECT_GE(win32::FreeAddressSpace(), win32::kKeptForHost / 2) << "the host was left its share";
    // A header click, which would take more again, is refused with its own message.
    HeaderClick(0);
  }
  ASSERT_EQ(boxes->size(), 2u);
  EXPECT_EQ(boxes->back(), kCannotSort);
  boxes->pop_back();
  ASSERT_EQ(*boxes, std::vector<std::wstring>{kOutOfMemory});
  const int rows = RowCount();
  EXPECT_GT(rows, 0);
  EXPECT_LT(rows, kLines);
  EXPECT_EQ(Counter(), std::to_wstring(rows) + kCounterWord);
  EXPECT_FALSE(Enabled(kStopBtn));
  EXPECT_TRUE(Enabled(kFindBtn) && Enabled(kReFindBtn) && Enabled(kPropBtn));
  // Newest first, as after any run, and every row whole.
  EXPECT_EQ(Cell(0, 0).substr(0, 4), L"hit ");
  EXPECT_GE(Cell(0, 2), Cell(rows - 1, 2));
  // With memory again the same search finds everything.
  boxes->clear();
  ChooseTab(0);
  EXPECT_TRUE(boxes->empty());
  EXPECT_EQ(Counter(), std::to_wstring(kLines) + kCounterWord);
}

// The plug-in's own allocations of at least a size fail while the object lives, and nothing
// else's: Wine's controls, short of memory themselves, fail in ways of their own. The DLL takes
// its memory through the C library's malloc, which it imports; the import is redirected.
class FailingAllocations {
 public:
  FailingAllocations(HMODULE module, size_t at_least) {
    Threshold() = at_least;
    slot_ = ImportSlot(module, "msvcrt.dll", "malloc");
    if (!slot_) return;
    Original() = reinterpret_cast<Malloc>(*slot_);
    Write(reinterpret_cast<void*>(&Fail));
  }
  ~FailingAllocations() {
    if (slot_) Write(reinterpret_cast<void*>(Original()));
  }
  FailingAllocations(const FailingAllocations&) = delete;
  FailingAllocations& operator=(const FailingAllocations&) = delete;

  bool active() const { return slot_ != nullptr; }

 private:
  using Malloc = void*(__cdecl*)(size_t);
  static size_t& Threshold() {
    static size_t threshold = 0;
    return threshold;
  }
  static Malloc& Original() {
    static Malloc original = nullptr;
    return original;
  }
  static void* __cdecl Fail(size_t bytes) {
    return bytes >= Threshold() ? nullptr : Original()(bytes);
  }
  // Where the module keeps the address of an imported function.
  static void** ImportSlot(HMODULE module, const char* dll, const char* function) {
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         imp->Name; ++imp) {
      if (lstrcmpiA(reinterpret_cast<char*>(base + imp->Name), dll) != 0) continue;
      auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
      auto* slots = reinterpret_cast<void**>(base + imp->FirstThunk);
      for (; names->u1.AddressOfData; ++names, ++slots) {
        if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
        auto* by_name = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
        if (lstrcmpA(reinterpret_cast<char*>(by_name->Name), function) == 0) return slots;
      }
    }
    return nullptr;
  }
  void Write(void* value) {
    DWORD was = 0;
    VirtualProtect(slot_, sizeof(*slot_), PAGE_READWRITE, &was);
    *slot_ = value;
    VirtualProtect(slot_, sizeof(*slot_), was, &was);
  }

  void** slot_ = nullptr;
};

// Memory runs out outside a run: copying a condition to search it, or to edit it in the
// properties dialog. The action ends there, the user is told in Japanese, and the plug-in works
// as before once memory is back.
TEST_F(SearchWindowTest, OutOfMemoryOutsideARunEndsTheActionWithAJapaneseMessage) {
  const std::string large(size_t{4} << 20, 'k');
  WriteSettings("FINDPARAM0=" + testutil::FindParam("large", false, "", 2, large) +
                "\r\nFINDPARAM1=" + testutil::FindParam("small", false, "", 0, "example") + "\r\n");
  ASSERT_NE(StartWindow(), nullptr);
  ShowWindowByCommand();
  std::vector<std::wstring>* boxes = WatchMessageBoxes();
  {
    FailingAllocations short_of_memory(plugin_->module(), size_t{1} << 20);
    ASSERT_TRUE(short_of_memory.active());
    ChooseTab(0);
    EXPECT_TRUE(Enabled(kFindBtn) && Enabled(kReFindBtn)) << "no run was left half started";
    Command(kN1);  // 検索プロパティ
  }
  EXPECT_EQ(*boxes, (std::vector<std::wstring>{kOutOfMemory, kActionOutOfMemory}));
  boxes->clear();
  ChooseTab(1);
  EXPECT_TRUE(boxes->empty());
  EXPECT_GT(RowCount(), 0);
  EXPECT_EQ(Counter(), std::to_wstring(RowCount()) + kCounterWord);
}

}  // namespace
