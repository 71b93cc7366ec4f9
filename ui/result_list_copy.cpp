// The result list's rows on the clipboard: the selected one by Ctrl+C, every one by CopyAll.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "text/code_page_win.h"
#include "text/str_libs.h"
#include "ui/result_list.h"
#include "win32/address_space.h"
#include "win32/window.h"

namespace ui {
namespace {

// "メモリが足りないため、コピーできませんでした", code page 932.
constexpr char kCannotCopyText[] =
    "\x83\x81\x83\x82\x83\x8a\x82\xaa\x91\xab\x82\xe8\x82\xc8\x82\xa2\x82\xbd\x82\xdf\x81\x41"
    "\x83\x52\x83\x73\x81\x5b\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd";
// "クリップボードを開けませんでした", code page 932.
constexpr char kClipboardBusyText[] =
    "\x83\x4e\x83\x8a\x83\x62\x83\x76\x83\x7b\x81\x5b\x83\x68\x82\xf0\x8a\x4a\x82\xaf\x82\xdc"
    "\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd";
// The columns a copied row holds: all but the mail ID, which is the host's.
constexpr int kCopiedColumns = 4;

// Appends one copied line: the fields separated by tabs, ended by CR LF. A control or tab byte
// inside a field would break its line or shift its columns, so it becomes a blank.
void AppendCopiedLine(const std::string_view (&fields)[kCopiedColumns], std::string* out) {
  for (int i = 0; i < kCopiedColumns; ++i) {
    if (i > 0) out->push_back('\t');
    for (char c : fields[i]) {
      const auto byte = static_cast<unsigned char>(c);
      out->push_back(zeldrium::IsControlByte(byte) ? ' ' : c);
    }
  }
  out->append("\r\n");
}

}  // namespace

void ResultList::KeyDown(const NMLVKEYDOWN* key) {
  const bool ctrl = GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0;
  if (ctrl && (key->wVKey == 'C' || key->wVKey == VK_INSERT)) CopySelected();
}

void ResultList::CopySelected() {
  const int row = Selected();
  if (row >= 0) CopyRows(row, 1);
}

void ResultList::CopyAll() {
  if (RowCount() > 0) CopyRows(0, RowCount());
}

// The text is made twice, line by line: once to learn its size, once into the clipboard's
// memory, so that a million rows never take their size twice over in the host's address space.
void ResultList::CopyRows(int first, int count) {
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  std::string line;
  std::wstring wide;
  std::string scratch[kCopiedColumns];
  // Calls sink with every line, converted.
  auto each_line = [&](auto&& sink) {
    wide.clear();
    for (int column = 0; column < kCopiedColumns; ++column) {
      if (column > 0) wide += L'\t';
      wide += ColumnCaption(static_cast<Column>(column));
    }
    wide += L"\r\n";
    sink();
    for (int row = first; row < first + count; ++row) {
      std::string_view fields[kCopiedColumns];
      for (int column = 0; column < kCopiedColumns; ++column) {
        fields[column] = Text(static_cast<size_t>(row), column, &scratch[column]);
      }
      line.clear();
      AppendCopiedLine(fields, &line);
      wide = zeldrium::WideFrom932(line);
      sink();
    }
  };
  uint64_t length = 0;
  each_line([&] { length += wide.size(); });
  const uint64_t bytes = (length + 1) * sizeof(wchar_t);
  HGLOBAL memory = nullptr;
  if (bytes < SIZE_MAX && win32::LeavesEnoughForHost(bytes)) {
    memory = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(bytes));
  }
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  if (!memory) {
    win32::ModalMessageBox(GetParent(hwnd_), zeldrium::WideFrom932(kCannotCopyText), L"Zeldrium",
                           MB_OK | MB_ICONWARNING);
    return;
  }
  auto* text = static_cast<wchar_t*>(GlobalLock(memory));
  size_t at = 0;
  each_line([&] {
    std::copy(wide.begin(), wide.end(), text + at);
    at += wide.size();
  });
  text[at] = L'\0';
  GlobalUnlock(memory);
  // The clipboard owns the memory once it has taken it.
  if (OpenClipboard(hwnd_)) {
    EmptyClipboard();
    const bool taken = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    CloseClipboard();
    if (taken) return;
  }
  GlobalFree(memory);
  win32::ModalMessageBox(GetParent(hwnd_), zeldrium::WideFrom932(kClipboardBusyText), L"Zeldrium",
                         MB_OK | MB_ICONWARNING);
}

}  // namespace ui
