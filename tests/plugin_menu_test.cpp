// The items the plug-in puts into the host's menus, read back as the host's menu shows them.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/plugin_fixture.h"

namespace {

const std::wstring kQuickSearch = L"\u30af\u30a4\u30c3\u30af\u691c\u7d22...";  // クイック検索...
const std::wstring kSenderSearch = L"\u5dee\u51fa\u4eba\u691c\u7d22!";         // 差出人検索!

struct Item {
  bool separator = false;
  UINT id = 0;
  std::wstring caption;
  UINT type = 0;   // MFT_ bits
  UINT state = 0;  // MFS_ bits
  HBITMAP bitmap = nullptr;
  HMENU submenu = nullptr;
};

std::vector<Item> Items(HMENU menu) {
  std::vector<Item> items;
  int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    wchar_t text[256] = {};
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_STRING | MIIM_BITMAP | MIIM_SUBMENU;
    info.dwTypeData = text;
    info.cch = 255;
    EXPECT_TRUE(GetMenuItemInfoW(menu, i, TRUE, &info)) << "item " << i;
    Item item;
    item.separator = (info.fType & MFT_SEPARATOR) != 0;
    item.id = info.wID;
    item.caption = text;
    item.type = info.fType;
    item.state = info.fState;
    item.bitmap = info.hbmpItem;
    item.submenu = info.hSubMenu;
    items.push_back(item);
  }
  return items;
}

// A menu bar with five drop-down menus of one item each, like the host's main window.
HMENU MakeMenuBar(int dropdowns = 5) {
  HMENU bar = CreateMenu();
  for (int i = 0; i < dropdowns; ++i) {
    HMENU dropdown = CreatePopupMenu();
    AppendMenuW(dropdown, MF_STRING, 100 + i, L"host item");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(dropdown), L"menu");
  }
  return bar;
}

HMENU MakePopup(int items) {
  HMENU popup = CreatePopupMenu();
  for (int i = 0; i < items; ++i) AppendMenuW(popup, MF_STRING, 200 + i, L"host item");
  return popup;
}

struct Expected {
  std::wstring caption;  // empty for a separator
  const char* command;   // registered command name, null for a separator
};

struct MenuCase {
  int type;
  std::vector<Expected> appended;
};

class PluginMenuTest : public PluginTest, public ::testing::WithParamInterface<MenuCase> {};

// Checks the items from index first on against expected, and their IDs against the commands
// the host handed out for this menu type.
void ExpectAppended(const std::vector<Item>& items, size_t first,
                    const std::vector<Expected>& expected, int type) {
  ASSERT_EQ(items.size(), first + expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    const Item& item = items[first + i];
    SCOPED_TRACE("appended item " + std::to_string(i));
    if (!expected[i].command) {
      EXPECT_TRUE(item.separator);
      EXPECT_EQ(item.id, 0u);
      continue;
    }
    EXPECT_FALSE(item.separator);
    EXPECT_EQ(item.caption, expected[i].caption);
    // A plain string item: no check mark, radio, owner draw, bitmap, grey or default state.
    EXPECT_EQ(item.type, static_cast<UINT>(MFT_STRING));
    EXPECT_EQ(item.state, 0u);
    EXPECT_EQ(item.bitmap, nullptr);
    EXPECT_EQ(item.submenu, nullptr);
    const standin::Command* command = nullptr;
    for (const standin::Command& c : standin::Commands()) {
      if (c.id == item.id) command = &c;
    }
    ASSERT_NE(command, nullptr) << "ID " << item.id << " was not handed out by the host";
    EXPECT_EQ(command->name, expected[i].command);
    EXPECT_EQ(command->type, type);
  }
}

TEST_P(PluginMenuTest, AppendsExactlyTheItemsOfItsMenuType) {
  const MenuCase& c = GetParam();
  ASSERT_NE(Start(), nullptr);
  if (c.type == 0) {
    HMENU bar = MakeMenuBar();
    EXPECT_EQ(plugin_->OnMenuInit(nullptr, bar, 0), 0);
    // The bar itself and the first four drop-downs are untouched.
    EXPECT_EQ(GetMenuItemCount(bar), 5);
    for (int i = 0; i < 4; ++i)
      EXPECT_EQ(GetMenuItemCount(GetSubMenu(bar, i)), 1) << "drop-down " << i;
    ExpectAppended(Items(GetSubMenu(bar, 4)), 1, c.appended, c.type);
    DestroyMenu(bar);
  } else {
    HMENU popup = MakePopup(2);
    EXPECT_EQ(plugin_->OnMenuInit(nullptr, popup, c.type), 0);
    ExpectAppended(Items(popup), 2, c.appended, c.type);
    DestroyMenu(popup);
  }
  // Commands are registered only for what was appended.
  size_t commands = 0;
  for (const Expected& e : c.appended) commands += e.command ? 1 : 0;
  EXPECT_EQ(standin::Commands().size(), commands);
}

INSTANTIATE_TEST_SUITE_P(
    Types, PluginMenuTest,
    ::testing::Values(
        MenuCase{0, {{L"", nullptr}, {kQuickSearch, "FindWin"}}},
        MenuCase{1, {{L"", nullptr}, {kSenderSearch, "FromFinder"}, {kQuickSearch, "FindWin"}}},
        MenuCase{2, {{L"", nullptr}, {kQuickSearch, "FindWin"}}}, MenuCase{3, {}}, MenuCase{4, {}},
        MenuCase{7, {}}, MenuCase{-1, {}}, MenuCase{0x10000, {}}),
    [](const ::testing::TestParamInfo<MenuCase>& info) {
      return info.param.type < 0 ? std::string("Negative")
                                 : "Type" + std::to_string(info.param.type);
    });

TEST_F(PluginTest, SenderSearchIsRegisteredBeforeQuickSearch) {
  ASSERT_NE(Start(), nullptr);
  HMENU popup = MakePopup(0);
  plugin_->OnMenuInit(nullptr, popup, 1);
  ASSERT_EQ(standin::Commands().size(), 2u);
  EXPECT_EQ(standin::Commands()[0].name, "FromFinder");
  EXPECT_EQ(standin::Commands()[1].name, "FindWin");
  DestroyMenu(popup);
}

TEST_F(PluginTest, EveryMenuInitRegistersAgainAndAppendsANewSet) {
  ASSERT_NE(Start(), nullptr);
  HMENU popup = MakePopup(0);
  plugin_->OnMenuInit(nullptr, popup, 1);
  plugin_->OnMenuInit(nullptr, popup, 1);
  std::vector<Item> items = Items(popup);
  ASSERT_EQ(items.size(), 6u);
  ASSERT_EQ(standin::Commands().size(), 4u);
  // The second set carries the IDs of the second registration.
  EXPECT_EQ(items[4].id, standin::Commands()[2].id);
  EXPECT_EQ(items[5].id, standin::Commands()[3].id);
  EXPECT_NE(items[1].id, items[4].id);
  DestroyMenu(popup);
}

TEST_F(PluginTest, MainMenuWithoutAFifthDropDownGetsNothing) {
  ASSERT_NE(Start(), nullptr);
  HMENU bar = MakeMenuBar(4);
  EXPECT_EQ(plugin_->OnMenuInit(nullptr, bar, 0), 0);
  EXPECT_EQ(GetMenuItemCount(bar), 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(GetMenuItemCount(GetSubMenu(bar, i)), 1);
  EXPECT_TRUE(standin::Commands().empty());
  DestroyMenu(bar);
}

TEST_F(PluginTest, ChoosingTheQuickSearchItemShowsTheWindow) {
  ASSERT_NE(Start(), nullptr);
  HMENU popup = MakePopup(0);
  plugin_->OnMenuInit(nullptr, popup, 2);
  std::vector<Item> items = Items(popup);
  ASSERT_EQ(items.size(), 2u);
  ASSERT_NE(Form(), nullptr);
  EXPECT_FALSE(IsWindowVisible(Form()));
  EXPECT_TRUE(standin::InvokeCommand(items[1].id));
  EXPECT_TRUE(IsWindowVisible(Form()));
  DestroyMenu(popup);
}

}  // namespace
