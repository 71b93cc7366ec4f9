#ifndef ZELDRIUM_HOST_BECKY_MAIL_HOST_H_
#define ZELDRIUM_HOST_BECKY_MAIL_HOST_H_

// The windows' view of the mail client (ui/portable/mail_host.h) through the host's bound
// functions.

#include <string>
#include <string_view>

#include "host/b2api.h"
#include "ui/portable/mail_host.h"

class TBeckyMailHost : public ui::MailHost {
 public:
  // REQUIRES: api outlives this object.
  explicit TBeckyMailHost(const TBeckyAPI& api) : api_(api) {}

  std::string DataFolder() override;
  std::string CurrentFolder() override;
  std::string CurrentMailBox() override;
  std::string FolderDisplayName(std::string_view folder_id) override;
  void SetCurrentMail(std::string_view mail_id) override;

 private:
  const TBeckyAPI& api_;
};

#endif  // ZELDRIUM_HOST_BECKY_MAIL_HOST_H_
