#include "settings/settings_io.h"

namespace zeldrium {

bool ReplaceFileContents(SettingsIO& io, const std::string& path, std::string_view data,
                         std::string* err) {
  std::unique_ptr<SettingsTempFile> tmp = io.CreateTemp(path, err);
  if (!tmp) return false;
  // Any early return destroys tmp, which removes the temporary file; path is not touched
  // before Commit.
  if (!tmp->Write(data, err)) return false;
  if (!tmp->Sync(err)) return false;
  return tmp->Commit(err);
}

}  // namespace zeldrium
