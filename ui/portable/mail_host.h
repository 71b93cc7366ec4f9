#ifndef ZELDRIUM_UI_PORTABLE_MAIL_HOST_H_
#define ZELDRIUM_UI_PORTABLE_MAIL_HOST_H_

// What the plug-in's windows ask of the mail client. host/ answers it with the host's BKA_
// functions (host/becky_mail_host.h); a test can answer it from memory. Texts are code page 932
// as the host writes them; an empty text stands for none (the host had none, or lacks the
// function).

#include <string>
#include <string_view>

namespace ui {

class MailHost {
 public:
  virtual ~MailHost() = default;
  // The host's data root, ending in a backslash.
  virtual std::string DataFolder() = 0;
  // The folder ID open in the host, and its mailbox (equal to it when a mailbox is open).
  virtual std::string CurrentFolder() = 0;
  virtual std::string CurrentMailBox() = 0;
  virtual std::string FolderDisplayName(std::string_view folder_id) = 0;
  // Asks the host to display a mail (folder ID, "?", message key). The host may report a folder
  // change (BKC_OnOpenFolder) before this returns.
  virtual void SetCurrentMail(std::string_view mail_id) = 0;
};

}  // namespace ui

#endif  // ZELDRIUM_UI_PORTABLE_MAIL_HOST_H_
