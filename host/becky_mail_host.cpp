#include "host/becky_mail_host.h"

namespace {

// The host's text is copied at once: it belongs to the host, which may reuse it.
std::string Copied(LPCSTR text) { return text ? std::string(text) : std::string(); }

}  // namespace

std::string TBeckyMailHost::DataFolder() {
  return api_.BKA_GetDataFolder ? Copied(api_.BKA_GetDataFolder()) : std::string();
}

std::string TBeckyMailHost::CurrentFolder() {
  return api_.BKA_GetCurrentFolder ? Copied(api_.BKA_GetCurrentFolder()) : std::string();
}

std::string TBeckyMailHost::CurrentMailBox() {
  return api_.BKA_GetCurrentMailBox ? Copied(api_.BKA_GetCurrentMailBox()) : std::string();
}

std::string TBeckyMailHost::FolderDisplayName(std::string_view folder_id) {
  if (!api_.BKA_GetFolderDisplayName) return {};
  const std::string id(folder_id);
  return Copied(api_.BKA_GetFolderDisplayName(id.c_str()));
}

void TBeckyMailHost::SetCurrentMail(std::string_view mail_id) {
  if (!api_.BKA_SetCurrentMail) return;
  const std::string id(mail_id);
  api_.BKA_SetCurrentMail(id.c_str());
}
