// Hosts that misbehave or lack functions: the plug-in must neither crash nor let a fault out.
#include <windows.h>
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/dialog_test_driver.h"
#include "tests/plugin_fixture.h"

namespace {

TEST(PartialHost, BindingLeavesExactlyTheMissingNamesNull) {
  std::string out;
  ASSERT_EQ(testutil::RunTestHost(L"bindings", &out), 0u) << out;
  std::set<std::string> nulls;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("null ", 0) == 0) nulls.insert(line.substr(5));
  }
  EXPECT_EQ(nulls,
            (std::set<std::string>{"BKA_GetVersion", "BKA_RegisterUICallback", "BKA_GetSource",
                                   "BKA_GetSpecifiedHeader", "BKA_Connect"}));
}

TEST(PartialHost, PluginRunsEveryCommandInAHostLackingFunctions) {
  testutil::TempDir dir;
  testutil::MakeStore(dir.path());
  std::wstring dll = dir.path() + L"Zeldrium.dll";
  ASSERT_TRUE(CopyFileW((testutil::ExeDir() + L"Zeldrium.dll").c_str(), dll.c_str(), TRUE));
  std::string out;
  EXPECT_EQ(testutil::RunTestHost(L"drive \"" + dll + L"\" \"" + dir.path() + L"\"", &out), 0u)
      << out;
  EXPECT_NE(out.find("commands 3"), std::string::npos) << out;
  EXPECT_NE(out.find("done"), std::string::npos) << out;
}

class FaultyHostTest : public PluginTest,
                       public ::testing::WithParamInterface<standin::HostFaults> {};

TEST_P(FaultyHostTest, EveryCallbackAndCommandSurvives) {
  testutil::TempDir store;
  testutil::MakeStore(store.path());
  standin::SetDataFolder(standin::To932(store.path()));
  ASSERT_TRUE(standin::SelectMail(std::string(testutil::kInbox) + "?" + testutil::kFirstKey));
  standin::SetHostFaults(GetParam());
  ASSERT_NE(Start(), nullptr);

  HMENU bar = CreateMenu();
  for (int i = 0; i < 5; ++i)
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(CreatePopupMenu()), L"m");
  HMENU popup = CreatePopupMenu();
  EXPECT_EQ(plugin_->OnMenuInit(nullptr, bar, 0), 0);
  EXPECT_EQ(plugin_->OnMenuInit(nullptr, popup, 1), 0);
  EXPECT_EQ(plugin_->OnMenuInit(reinterpret_cast<HWND>(0x1235), popup, 2), 0);
  // Menu handles that are no menus.
  EXPECT_EQ(plugin_->OnMenuInit(nullptr, nullptr, 1), 0);
  EXPECT_EQ(plugin_->OnMenuInit(nullptr, reinterpret_cast<HMENU>(0x7ffe0011), 0), 0);
  EXPECT_EQ(plugin_->OnMenuInit(nullptr, reinterpret_cast<HMENU>(0x7ffe0011), 2), 0);

  std::vector<standin::Command> commands = standin::Commands();
  EXPECT_EQ(commands.size(), 4u);
  for (const standin::Command& c : commands) EXPECT_TRUE(standin::InvokeCommand(c.id)) << c.name;
  // The search window may now be visible: a folder change must still do no harm.
  EXPECT_EQ(plugin_->OnOpenFolder(nullptr), 0);
  EXPECT_EQ(plugin_->OnOpenFolder("Main.mb\\Inbox\\"), 0);
  EXPECT_EQ(plugin_->OnPlugInInfo(nullptr), 0);
  {
    dialogtest::ModalDriver cancel(kSetupCaption, [](HWND d) { dialogtest::Click(d, IDCANCEL); });
    EXPECT_EQ(plugin_->OnPlugInSetup(reinterpret_cast<HWND>(0x1235)), 1);
  }
  DestroyMenu(bar);
  DestroyMenu(popup);
  Unload();
  EXPECT_TRUE(testutil::FileExists(IniPath()));
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultyHostTest,
                         ::testing::Values(standin::HostFaults{.null_texts = true},
                                           standin::HostFaults{.unterminated_header = true},
                                           standin::HostFaults{.windows_not_windows = true},
                                           standin::HostFaults{.no_source = true},
                                           standin::HostFaults{true, true, true, true}),
                         [](const ::testing::TestParamInfo<standin::HostFaults>& info) {
                           const standin::HostFaults& f = info.param;
                           if (f.null_texts && f.unterminated_header) return std::string("All");
                           if (f.null_texts) return std::string("NullTexts");
                           if (f.unterminated_header) return std::string("UnterminatedHeader");
                           if (f.windows_not_windows) return std::string("WindowsNotWindows");
                           return std::string("NoSource");
                         });

TEST_F(PluginTest, ListHandleThatIsNoWindowLeavesTheWindowWhereItWas) {
  standin::SetHostFaults({.windows_not_windows = true});
  ASSERT_NE(Start(), nullptr);
  RECT before = {};
  GetWindowRect(Form(), &before);
  HMENU popup = CreatePopupMenu();
  plugin_->OnMenuInit(nullptr, popup, 2);
  ASSERT_EQ(standin::Commands().size(), 1u);
  standin::InvokeCommand(standin::Commands()[0].id);
  EXPECT_TRUE(IsWindowVisible(Form()));
  RECT after = {};
  GetWindowRect(Form(), &after);
  EXPECT_TRUE(EqualRect(&before, &after));
  DestroyMenu(popup);
}

}  // namespace
