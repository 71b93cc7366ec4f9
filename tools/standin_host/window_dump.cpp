#include "tools/standin_host/window_dump.h"

#include <commctrl.h>

#include <algorithm>

namespace standin {
namespace {

// Enough rows to see what a list holds without flooding the session's output.
constexpr int kRowsShown = 8;
constexpr size_t kTextShown = 200;

std::wstring Quoted(std::wstring text) {
  if (text.size() > kTextShown) text = text.substr(0, kTextShown) + L"...";
  for (wchar_t& c : text) {
    if (c == L'\r' || c == L'\n' || c == L'\t') c = L' ';
  }
  return L"\"" + text + L"\"";
}

bool SameClass(const std::wstring& a, const wchar_t* b) { return _wcsicmp(a.c_str(), b) == 0; }

std::wstring ListViewText(HWND list, int row, int column) {
  wchar_t text[512] = {};
  ListView_GetItemText(list, row, column, text, 511);
  return text;
}

void DescribeListView(HWND list, const std::wstring& indent, std::vector<std::wstring>* out) {
  HWND header = ListView_GetHeader(list);
  int columns = header ? Header_GetItemCount(header) : 0;
  std::wstring names;
  for (int c = 0; c < columns; ++c) {
    wchar_t text[256] = {};
    HDITEMW item = {};
    item.mask = HDI_TEXT;
    item.pszText = text;
    item.cchTextMax = 255;
    Header_GetItem(header, c, &item);
    names += (c ? L" | " : L"") + std::wstring(text);
  }
  int rows = ListView_GetItemCount(list);
  out->push_back(indent + L"  columns: " + names + L"; " + std::to_wstring(rows) + L" rows");
  for (int r = 0; r < std::min(rows, kRowsShown); ++r) {
    std::wstring line;
    for (int c = 0; c < std::max(columns, 1); ++c) {
      line += (c ? L" | " : L"") + ListViewText(list, r, c);
    }
    bool selected = ListView_GetItemState(list, r, LVIS_SELECTED) != 0;
    out->push_back(indent + L"  " + (selected ? L"* " : L"  ") + std::to_wstring(r + 1) + L": " +
                   line);
  }
  if (rows > kRowsShown) out->push_back(indent + L"    ...");
}

void DescribeTabs(HWND tabs, const std::wstring& indent, std::vector<std::wstring>* out) {
  int count = TabCtrl_GetItemCount(tabs);
  int current = TabCtrl_GetCurSel(tabs);
  std::wstring line = indent + L"  tabs:";
  for (int i = 0; i < count; ++i) {
    wchar_t text[256] = {};
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 255;
    TabCtrl_GetItem(tabs, i, &item);
    line += i == current ? L" [" + std::wstring(text) + L"]" : L" " + Quoted(text);
  }
  out->push_back(line);
}

void DescribeCombo(HWND combo, const std::wstring& indent, std::vector<std::wstring>* out) {
  int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
  if (count <= 0) return;
  std::wstring line = indent + L"  items:";
  for (int i = 0; i < std::min(count, kRowsShown); ++i) {
    int length = static_cast<int>(SendMessageW(combo, CB_GETLBTEXTLEN, i, 0));
    if (length < 0) continue;
    std::wstring text(length + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    line += L" " + Quoted(text.c_str());
  }
  if (count > kRowsShown) line += L" ...";
  out->push_back(line);
}

int Depth(HWND child, HWND top) {
  int depth = 0;
  for (HWND w = child; w && w != top; w = GetParent(w)) ++depth;
  return depth;
}

std::wstring Describe(HWND window, HWND top) {
  std::wstring cls = ClassName(window);
  std::wstring line = cls;
  LONG_PTR id = GetWindowLongPtrW(window, GWLP_ID);
  if (window != top && id != 0) line += L" #" + std::to_wstring(id);
  line += L" " + Quoted(WindowText(window));
  if (!IsWindowVisible(window)) line += L" hidden";
  if (!IsWindowEnabled(window)) line += L" disabled";
  if (window == top) {
    RECT r;
    GetWindowRect(window, &r);
    line += L" at " + std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L" size " +
            std::to_wstring(r.right - r.left) + L"x" + std::to_wstring(r.bottom - r.top);
  }
  if (GetFocus() == window) line += L" (focus)";
  return line;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
  return TRUE;
}

BOOL CALLBACK CollectProcessWindow(HWND window, LPARAM param) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == GetCurrentProcessId()) reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
  return TRUE;
}

BOOL CALLBACK CollectThreadWindow(HWND window, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
  return TRUE;
}

}  // namespace

bool IsSystemHelper(HWND window) {
  std::wstring cls = ClassName(window);
  return SameClass(cls, L"IME") || SameClass(cls, L"MSCTFIME UI") ||
         SameClass(cls, TOOLTIPS_CLASSW);
}

std::wstring WindowText(HWND window) {
  int length = GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(length + 1, L'\0');
  int got = GetWindowTextW(window, text.data(), length + 1);
  text.resize(got > 0 ? got : 0);
  return text;
}

std::wstring ClassName(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 255);
  return name;
}

std::vector<std::wstring> DescribeWindow(HWND top) {
  std::vector<std::wstring> lines;
  lines.push_back(L"window " + Describe(top, top));
  std::vector<HWND> children;
  EnumChildWindows(top, CollectChild, reinterpret_cast<LPARAM>(&children));
  for (HWND child : children) {
    std::wstring indent(2 * Depth(child, top), L' ');
    lines.push_back(indent + Describe(child, top));
    std::wstring cls = ClassName(child);
    if (SameClass(cls, WC_LISTVIEWW)) DescribeListView(child, indent, &lines);
    if (SameClass(cls, WC_TABCONTROLW)) DescribeTabs(child, indent, &lines);
    if (SameClass(cls, WC_COMBOBOXW) || SameClass(cls, WC_COMBOBOXEXW)) {
      DescribeCombo(child, indent, &lines);
    }
    if (SameClass(cls, WC_TREEVIEWW)) {
      lines.push_back(indent + L"  " + std::to_wstring(TreeView_GetCount(child)) + L" items");
    }
  }
  return lines;
}

std::vector<std::wstring> DescribeWindows() {
  std::vector<HWND> windows;
  EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(&windows));
  std::vector<std::wstring> lines;
  for (HWND window : windows) {
    if (IsSystemHelper(window)) continue;
    std::vector<std::wstring> more = DescribeWindow(window);
    lines.insert(lines.end(), more.begin(), more.end());
  }
  if (lines.empty()) lines.push_back(L"(no windows)");
  return lines;
}

std::vector<HWND> ThreadWindows() {
  std::vector<HWND> windows;
  EnumThreadWindows(GetCurrentThreadId(), CollectThreadWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

}  // namespace standin
