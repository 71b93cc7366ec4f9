// The binding, in a test program that exports every host function through the stand-in library.
#include "host/b2api.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/test_util.h"
#include "tools/standin_host/host_api.h"

namespace {

// The binding order, written out independently of the list the code binds from.
const char* const kOrder[] = {
    "BKA_GetVersion",
    "BKA_Command",
    "BKA_GetWindowHandles",
    "BKA_RegisterCommand",
    "BKA_RegisterUICallback",
    "BKA_GetDataFolder",
    "BKA_GetTempFolder",
    "BKA_GetTempFileName",
    "BKA_GetCurrentMailBox",
    "BKA_SetCurrentMailBox",
    "BKA_GetCurrentFolder",
    "BKA_SetCurrentFolder",
    "BKA_GetFolderDisplayName",
    "BKA_SetMessageText",
    "BKA_GetCurrentMail",
    "BKA_SetCurrentMail",
    "BKA_GetNextMail",
    "BKA_SetSel",
    "BKA_AppendMessage",
    "BKA_MoveSelectedMessages",
    "BKA_GetStatus",
    "BKA_ComposeMail",
    "BKA_GetCharSet",
    "BKA_GetSource",
    "BKA_SetSource",
    "BKA_GetHeader",
    "BKA_GetText",
    "BKA_SetText",
    "BKA_GetSpecifiedHeader",
    "BKA_SetSpecifiedHeader",
    "BKA_CompGetCharSet",
    "BKA_CompGetSource",
    "BKA_CompSetSource",
    "BKA_CompGetHeader",
    "BKA_CompGetSpecifiedHeader",
    "BKA_CompSetSpecifiedHeader",
    "BKA_CompGetText",
    "BKA_CompSetText",
    "BKA_CompAttachFile",
    "BKA_Alloc",
    "BKA_ReAlloc",
    "BKA_Free",
    "BKA_ISO_2022_JP",
    "BKA_ISO_2022_KR",
    "BKA_HZ_GB2312",
    "BKA_ISO_8859_2",
    "BKA_EUC_JP",
    "BKA_UTF_7",
    "BKA_UTF_8",
    "BKA_B64Convert",
    "BKA_QPConvert",
    "BKA_MIMEHeader",
    "BKA_SerializeRcpts",
    "BKA_Connect",
};
static_assert(sizeof(kOrder) / sizeof(kOrder[0]) == kBeckyFunctionCount);

TEST(BeckyApi, BindsEveryNameInOrderToTheHostsOwnExport) {
  TBeckyAPI api;
  HMODULE host = GetModuleHandleA(nullptr);
  EXPECT_EQ(api.FModule, host);
  for (int i = 0; i < kBeckyFunctionCount; ++i) {
    EXPECT_STREQ(TBeckyAPI::FunctionName(i), kOrder[i]);
    FARPROC exported = GetProcAddress(host, kOrder[i]);
    ASSERT_NE(exported, nullptr) << kOrder[i] << " is not exported by the test program";
    EXPECT_EQ(api.BoundFunction(i), exported) << kOrder[i];
  }
}

TEST(BeckyApi, SecondBindingChangesNothing) {
  TBeckyAPI api;
  auto bound = api.BKA_GetDataFolder;
  api.BKA_GetDataFolder = nullptr;
  EXPECT_FALSE(api.BindHostFunctions());
  EXPECT_EQ(api.BKA_GetDataFolder, nullptr);
  api.BKA_GetDataFolder = bound;
}

class CurrentMailTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::ResetHost();
    testutil::MakeStore(store_.path());
    standin::SetDataFolder(standin::To932(store_.path()));
  }
  void TearDown() override { standin::ResetHost(); }

  const std::string first_ = std::string(testutil::kInbox) + "?" + testutil::kFirstKey;
  testutil::TempDir store_;
};

TEST_F(CurrentMailTest, MailIdOnlyWhenTheHostCanDeliverTheSource) {
  TBeckyAPI api;
  std::string id = "stale";
  api.GetCurrentMailID(&id);
  EXPECT_EQ(id, "");  // no current mail
  ASSERT_TRUE(standin::SelectMail(first_));
  api.GetCurrentMailID(&id);
  EXPECT_EQ(id, first_);
  EXPECT_EQ(api.FCurrentMailID, first_);
  standin::SetHostFaults({.no_source = true});
  api.GetCurrentMailID(&id);
  EXPECT_EQ(id, "");
  EXPECT_EQ(api.FCurrentMailID, "");
  standin::SetHostFaults({.null_texts = true});
  api.GetCurrentMailID(&id);
  EXPECT_EQ(id, "");
}

TEST_F(CurrentMailTest, HeaderIsWhatTheHostWroteAndAlwaysEndsInTheBuffer) {
  TBeckyAPI api;
  std::string value = "stale";
  api.GetCurrentHeader("From", &value);
  EXPECT_EQ(value, "");  // no current mail: the host writes an empty text
  ASSERT_TRUE(standin::SelectMail(first_));
  api.GetCurrentHeader("From", &value);
  EXPECT_EQ(value, testutil::kFirstFrom);
  // A host that fills the whole buffer and writes no terminator.
  standin::SetHostFaults({.unterminated_header = true});
  api.GetCurrentHeader("From", &value);
  EXPECT_EQ(value, std::string(kHeaderBufferSize - 1, 'X'));
}

TEST(BeckyApi, MissingFunctionsGiveEmptyResultsInsteadOfACrash) {
  TBeckyAPI api;
  api.BKA_GetCurrentMail = nullptr;
  api.BKA_GetSpecifiedHeader = nullptr;
  std::string text = "stale";
  api.GetCurrentMailID(&text);
  EXPECT_EQ(text, "");
  text = "stale";
  api.GetCurrentHeader("From", &text);
  EXPECT_EQ(text, "");
}

}  // namespace
