#ifndef ZELDRIUM_SETTINGS_SETTINGS_IO_H_
#define ZELDRIUM_SETTINGS_SETTINGS_IO_H_

// The file operations behind the settings file, so that tests can make each step of a save fail
// and check what is left on disk.
//
// A settings path is a std::string in the platform's file-name form:
// - Windows (settings_io_win.cpp): UTF-8. The library takes its own path with
//   GetModuleFileNameW and converts it to UTF-8, so a path outside code page 932 still works;
//   the partner converts back to UTF-16 and uses the wide API.
// - Elsewhere (settings_io_posix.cpp): the bytes as given.
//
// A save never rewrites the settings file in place. It writes a temporary file in the same
// directory, forces it to disk and then puts it in place of the old file in one step
// (MoveFileExW with MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH on Windows, fsync and
// rename elsewhere). Until that step succeeds the old file is untouched, so a failing disk or a
// crash leaves either the old file or the new one, never a truncated one.

#include <memory>
#include <string>
#include <string_view>

namespace zeldrium {

enum class SettingsReadResult {
  kRead,     // *contents holds the whole file
  kMissing,  // there is no such file (or directory on the way): not an error
  kError,    // the file is there but could not be read; *err says why
};

// A temporary file beside the settings file, on its way to replacing it.
// Destroying it before a successful Commit closes and removes the temporary file.
class SettingsTempFile {
 public:
  virtual ~SettingsTempFile() = default;

  // May be called several times; the data is appended.
  virtual bool Write(std::string_view data, std::string* err) = 0;
  // Forces what was written onto the disk.
  virtual bool Sync(std::string* err) = 0;
  // Closes the file and puts it in place of the settings file in one step. On failure the
  // settings file is as it was.
  // REQUIRES: called at most once.
  virtual bool Commit(std::string* err) = 0;
};

class SettingsIO {
 public:
  virtual ~SettingsIO() = default;

  virtual SettingsReadResult ReadFile(const std::string& path, std::string* contents,
                                      std::string* err) = 0;

  // Creates a new, empty temporary file in the directory of path, meant to replace path.
  // Returns null and sets *err on failure.
  virtual std::unique_ptr<SettingsTempFile> CreateTemp(const std::string& path,
                                                       std::string* err) = 0;
};

// The disk of the machine the program runs on. Lives as long as the program.
SettingsIO& DiskSettingsIO();

// Writes data to path through a temporary file and replaces path with it. On failure path is
// left exactly as it was, the temporary file is gone and *err says which step failed.
bool ReplaceFileContents(SettingsIO& io, const std::string& path, std::string_view data,
                         std::string* err);

}  // namespace zeldrium

#endif  // ZELDRIUM_SETTINGS_SETTINGS_IO_H_
