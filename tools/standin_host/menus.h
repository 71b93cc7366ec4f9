#ifndef ZELDRIUM_TOOLS_STANDIN_HOST_MENUS_H_
#define ZELDRIUM_TOOLS_STANDIN_HOST_MENUS_H_

// Reading menus back as a user sees them: their items, and an item found by its caption.

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace standin {

struct MenuItem {
  int position = 0;
  UINT id = 0;
  std::wstring caption;
  bool separator = false;
  bool disabled = false;
  HMENU submenu = nullptr;
};

// The items of one menu level, top to bottom.
std::vector<MenuItem> MenuItems(HMENU menu);

// Whether an item's caption is what a user would call it: the caption itself, or without its
// shortcut text ("\tCtrl+S"), its mnemonic in brackets ("(&F)") or its bare "&" marks, each also
// without a closing "...".
bool CaptionMatches(std::wstring_view caption, std::wstring_view wanted);

// The first item of the menu level whose caption matches; false when there is none.
bool FindMenuItem(HMENU menu, std::wstring_view wanted, MenuItem* found);

// "32768 クイック検索... [FindWin]" or "----" for a separator: the command name is that of the
// plug-in command the ID belongs to, if any.
std::wstring DescribeMenuItem(const MenuItem& item);

// Destroys a menu when it goes out of scope.
class UniqueMenu {
 public:
  explicit UniqueMenu(HMENU menu = nullptr) : menu_(menu) {}
  ~UniqueMenu() {
    if (menu_) DestroyMenu(menu_);
  }
  UniqueMenu(const UniqueMenu&) = delete;
  UniqueMenu& operator=(const UniqueMenu&) = delete;
  HMENU get() const { return menu_; }

 private:
  HMENU menu_;
};

}  // namespace standin

#endif  // ZELDRIUM_TOOLS_STANDIN_HOST_MENUS_H_
