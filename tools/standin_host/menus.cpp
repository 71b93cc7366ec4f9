#include "tools/standin_host/menus.h"

#include "tools/standin_host/host_api.h"

namespace standin {

std::vector<MenuItem> MenuItems(HMENU menu) {
  std::vector<MenuItem> items;
  int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING;
    info.dwTypeData = nullptr;  // first ask for the caption's length
    if (!GetMenuItemInfoW(menu, i, TRUE, &info)) continue;
    MenuItem item;
    item.position = i;
    item.id = info.wID;
    item.separator = (info.fType & MFT_SEPARATOR) != 0;
    item.disabled = (info.fState & MFS_DISABLED) != 0;
    item.submenu = info.hSubMenu;
    if (!item.separator && info.cch > 0) {
      std::wstring text(info.cch + 1, L'\0');
      info.dwTypeData = text.data();
      info.cch = static_cast<UINT>(text.size());
      if (GetMenuItemInfoW(menu, i, TRUE, &info)) item.caption.assign(text.c_str());
    }
    items.push_back(std::move(item));
  }
  return items;
}

namespace {

// The caption without a trailing "..." (the mark of an item that opens a dialog).
std::wstring_view WithoutEllipsis(std::wstring_view text) {
  if (text.size() > 3 && text.substr(text.size() - 3) == L"...") text.remove_suffix(3);
  return text;
}

bool SameCaption(std::wstring_view shown, std::wstring_view wanted) {
  return shown == wanted || WithoutEllipsis(shown) == wanted;
}

}  // namespace

bool CaptionMatches(std::wstring_view caption, std::wstring_view wanted) {
  if (wanted.empty()) return false;
  if (caption == wanted) return true;
  std::wstring_view shown = caption.substr(0, caption.find(L'\t'));
  if (SameCaption(shown, wanted)) return true;
  size_t open = shown.find(L"(&");
  if (open != std::wstring_view::npos && shown.size() >= open + 4 && shown[open + 3] == L')') {
    std::wstring without =
        std::wstring(shown.substr(0, open)) + std::wstring(shown.substr(open + 4));
    if (SameCaption(without, wanted)) return true;
  }
  std::wstring bare;
  for (size_t i = 0; i < shown.size(); ++i) {
    // "&&" shows as one "&".
    if (shown[i] == L'&' && i + 1 < shown.size()) ++i;
    bare += shown[i];
  }
  return SameCaption(bare, wanted);
}

bool FindMenuItem(HMENU menu, std::wstring_view wanted, MenuItem* found) {
  for (MenuItem& item : MenuItems(menu)) {
    if (!item.separator && CaptionMatches(item.caption, wanted)) {
      *found = std::move(item);
      return true;
    }
  }
  return false;
}

std::wstring DescribeMenuItem(const MenuItem& item) {
  if (item.separator) return L"----";
  std::wstring text = std::to_wstring(item.id) + L" " + item.caption;
  if (item.submenu) text = L"(submenu) " + item.caption;
  if (item.disabled) text += L" (disabled)";
  for (const Command& command : Commands()) {
    if (command.id == item.id && !item.submenu) text += L" [" + WideFrom932(command.name) + L"]";
  }
  return text;
}

}  // namespace standin
