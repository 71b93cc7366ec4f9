// The display names of a sample store: the Folders.txt of each mailbox, in the stand-in host's
// format (tools/standin_host/host_api.h), so that the host and the search show names a user
// would see instead of directory names.

#include <iterator>
#include <string_view>

#include "cp932.h"
#include "store_gen.h"

namespace zeldrium::make_store {
namespace {

// Written in UTF-8 for readability; converted once per file.
constexpr std::string_view kMailboxNames[] = {"個人用",     "仕事",   "Main",   "趣味",
                                              "旧アドレス", "家族用", "保存用", "予備"};

struct FolderName {
  std::string_view path;  // as in FolderPlan::path
  std::string_view name;
};
constexpr FolderName kFolderNames[] = {
    {"!!!!Inbox", "受信箱"},
    {"!!!Outbox", "送信箱"},
    {"!Trash", "ごみ箱"},
    {"Work", "業務"},
    {"Projects", "プロジェクト"},
    {"Projects/Alpha", "アルファ計画"},
    {"Mailing lists", "メーリングリスト"},
};

}  // namespace

bool DisplayNamesFile(const StorePlan& plan, int mailbox, std::string* out, std::string* err) {
  std::string text = "; Display names of this mailbox's folders: RELATIVE=NAME, code page 932.\r\n";
  std::string name;
  // Named in the order the folder tree shows the mailboxes, so that the first one is 個人用.
  size_t rank = 0;
  for (const std::string& other : plan.mailboxes) rank += other < plan.mailboxes[mailbox];
  std::string_view mailbox_name = kMailboxNames[rank % std::size(kMailboxNames)];
  if (!Utf8ToCp932(mailbox_name, &name, err)) return false;
  text += "=" + name + "\r\n";
  for (const FolderPlan& p : plan.dirs) {
    // Folders the tree does not offer need no name.
    if (p.mailbox != mailbox || !p.indexed || p.path.empty()) continue;
    for (const FolderName& f : kFolderNames) {
      if (f.path != p.path) continue;
      std::string relative(f.path);
      for (char& c : relative) {
        if (c == '/') c = '\\';
      }
      if (!Utf8ToCp932(f.name, &name, err)) return false;
      text += relative + "=" + name + "\r\n";
    }
  }
  *out = std::move(text);
  return true;
}

}  // namespace zeldrium::make_store
