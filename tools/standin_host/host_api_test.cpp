// The stand-in host's BKA_ functions over a store on disk, called as a plug-in calls them.
#include "tools/standin_host/host_api.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/b2api.h"
#include "tests/test_util.h"

extern "C" {
#define DECLARE(result, name, params, use) result WINAPI BKA_##name params;
ZELDRIUM_BKA_FUNCTIONS(DECLARE)
#undef DECLARE
}

namespace {

using testutil::kFirstKey;
using testutil::kInbox;
using testutil::kInbox2024;
using testutil::kSoftFolder;
using testutil::kSubInbox;

class HostApiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::ResetHost();
    testutil::MakeStore(store_.path());
    standin::SetDataFolder(standin::To932(store_.path()));
  }
  void TearDown() override { standin::ResetHost(); }

  static std::string Text(const char* text) { return text ? text : "(null)"; }

  testutil::TempDir store_;
};

TEST_F(HostApiTest, FolderTreeListsMailboxesAndIndexedFoldersDepthFirst) {
  std::vector<standin::FolderEntry> folders = standin::ListFolders();
  std::vector<std::string> ids, names;
  for (const auto& f : folders) {
    ids.push_back(f.id);
    names.push_back(f.display_name + "/" + std::to_string(f.depth));
  }
  EXPECT_EQ(ids, (std::vector<std::string>{"Main.mb\\", kInbox, kInbox2024, kSoftFolder, "Sub.mb\\",
                                           kSubInbox}));
  EXPECT_EQ(names, (std::vector<std::string>{
                       "\x83\x81\x83\x43\x83\x93/0",            // メイン, from Folders.txt
                       "\x8e\xf3\x90\x4d\x94\xa0/1",            // 受信箱, its key written INBOX
                       "2024/2", "\x83\x5c\x83\x74\x83\x67/1",  // ソフト, the directory's own name
                       "Sub/0", "Inbox/1"}));
  EXPECT_FALSE(folders[0].has_index);
  EXPECT_TRUE(folders[1].has_index);
}

TEST_F(HostApiTest, MailsComeFromTheIndexTrimmed) {
  std::vector<standin::MailEntry> mails = standin::ListMails(kInbox);
  ASSERT_EQ(mails.size(), 3u);
  EXPECT_EQ(mails[0].key, kFirstKey);
  EXPECT_EQ(mails[0].mail_id, std::string(kInbox) + "?" + kFirstKey);
  EXPECT_EQ(mails[0].from, testutil::kFirstFrom);
  EXPECT_EQ(mails[0].subject, testutil::kFirstSubject);
  EXPECT_EQ(mails[0].date, 0x5f5e1000u);
  EXPECT_EQ(mails[2].subject, "");
  EXPECT_TRUE(standin::ListMails("Main.mb\\NoIndex\\").empty());
  EXPECT_TRUE(standin::ListMails("..\\..\\").empty());
}

TEST_F(HostApiTest, TextFunctionsAnswerNullUntilThereIsSomethingToShow) {
  EXPECT_EQ(Text(BKA_GetDataFolder()), standin::To932(store_.path()));
  EXPECT_EQ(BKA_GetCurrentFolder(), nullptr);
  EXPECT_EQ(BKA_GetCurrentMailBox(), nullptr);
  EXPECT_EQ(BKA_GetCurrentMail(), nullptr);
  ASSERT_TRUE(standin::OpenFolder(kSoftFolder));
  EXPECT_EQ(Text(BKA_GetCurrentFolder()), kSoftFolder);
  EXPECT_EQ(Text(BKA_GetCurrentMailBox()), "Main.mb\\");
  EXPECT_EQ(BKA_GetCurrentMail(), nullptr);
  EXPECT_EQ(Text(BKA_GetFolderDisplayName(kSoftFolder)), "\x83\x5c\x83\x74\x83\x67");
  EXPECT_FALSE(standin::OpenFolder("Main.mb\\Missing\\"));
  EXPECT_FALSE(standin::OpenFolder("..\\"));
  EXPECT_EQ(Text(BKA_GetCurrentFolder()), kSoftFolder);
}

TEST_F(HostApiTest, SetCurrentMailOpensItsFolderFirst) {
  std::vector<std::string> events;
  standin::SetHostEvents({[&](const std::string& f) {
                            events.push_back("folder " + f + " current " +
                                             Text(BKA_GetCurrentFolder()));
                          },
                          [&](const std::string& m) { events.push_back("mail " + m); }});
  std::string mail = std::string(kInbox) + "?" + kFirstKey;
  BKA_SetCurrentMail(mail.c_str());
  // The folder change is reported while the call is still running, with the folder already open.
  BKA_SetCurrentMail(mail.c_str());
  EXPECT_EQ(events,
            (std::vector<std::string>{"folder " + std::string(kInbox) + " current " + kInbox,
                                      "mail " + mail, "mail " + mail}));
  EXPECT_EQ(Text(BKA_GetCurrentMail()), mail);
  EXPECT_EQ(Text(BKA_GetCurrentMailBox()), "Main.mb\\");
  EXPECT_NE(BKA_GetSource(mail.c_str()), nullptr);
  // A key the index lacks opens the folder but selects nothing, and has no source.
  std::string unknown = std::string(kSubInbox) + "?nope.mail";
  BKA_SetCurrentMail(unknown.c_str());
  EXPECT_EQ(Text(BKA_GetCurrentFolder()), kSubInbox);
  EXPECT_EQ(BKA_GetCurrentMail(), nullptr);
  EXPECT_EQ(BKA_GetSource(unknown.c_str()), nullptr);
  // Nonsense changes nothing.
  BKA_SetCurrentMail(nullptr);
  BKA_SetCurrentMail("no question mark");
  BKA_SetCurrentMail("?key");
  EXPECT_EQ(Text(BKA_GetCurrentFolder()), kSubInbox);
}

TEST_F(HostApiTest, SpecifiedHeaderIsCutToTheBufferAndTerminated) {
  std::string mail = std::string(kInbox) + "?" + kFirstKey;
  ASSERT_TRUE(standin::SelectMail(mail));
  struct Case {
    const char* header;
    int size;
    std::string expected;
  } cases[] = {
      {"From", 2048, testutil::kFirstFrom},
      {"from", 2048, testutil::kFirstFrom},
      {"Subject", 2048, testutil::kFirstSubject},
      {"To", 2048, "hanako@example.jp"},
      {"X-Other", 2048, ""},
      {"To", 7, "hanako"},
      {"To", 1, ""},
  };
  for (const Case& c : cases) {
    char buffer[2048];
    std::memset(buffer, 'Z', sizeof buffer);
    BKA_GetSpecifiedHeader(c.header, buffer, c.size);
    EXPECT_EQ(std::string(buffer), c.expected) << c.header << " " << c.size;
  }
}

int g_calls = 0;
int WINAPI Command(HWND, LPARAM) {
  ++g_calls;
  return 0;
}

TEST_F(HostApiTest, RegisteredCommandsGetIncreasingIdsAndAreCalledBack) {
  g_calls = 0;
  UINT first = BKA_RegisterCommand("FindWin", 2, &Command);
  UINT second = BKA_RegisterCommand("FindWin", 2, &Command);
  EXPECT_EQ(first, standin::kFirstCommandId);
  EXPECT_EQ(second, first + 1);
  ASSERT_EQ(standin::Commands().size(), 2u);
  EXPECT_EQ(standin::Commands()[1].type, 2);
  EXPECT_TRUE(standin::InvokeCommand(second));
  EXPECT_EQ(g_calls, 1);
  EXPECT_FALSE(standin::InvokeCommand(first + 100));
  EXPECT_EQ(g_calls, 1);
}

TEST_F(HostApiTest, WindowHandlesAreThoseTheProgramGave) {
  HWND a = reinterpret_cast<HWND>(0x10), b = reinterpret_cast<HWND>(0x20);
  standin::SetWindowHandles(a, nullptr, b, nullptr);
  HWND h[4] = {};
  EXPECT_TRUE(BKA_GetWindowHandles(&h[0], &h[1], &h[2], &h[3]));
  EXPECT_EQ(h[0], a);
  EXPECT_EQ(h[2], b);
  EXPECT_TRUE(BKA_GetWindowHandles(nullptr, nullptr, nullptr, nullptr));
  standin::SetHostFaults({.windows_not_windows = true});
  BKA_GetWindowHandles(&h[0], &h[1], &h[2], &h[3]);
  for (HWND w : h) EXPECT_FALSE(IsWindow(w));
}

TEST_F(HostApiTest, FunctionsThePluginOnlyBindsAnswerNothing) {
  EXPECT_EQ(BKA_GetVersion(), 0);
  EXPECT_EQ(BKA_GetTempFolder(), nullptr);
  EXPECT_EQ(BKA_Alloc(100), nullptr);
  EXPECT_EQ(BKA_Connect(TRUE), FALSE);
}

}  // namespace
