#ifndef ZELDRIUM_HOST_ZELDRIUM_H_
#define ZELDRIUM_HOST_ZELDRIUM_H_

// The library's entry unit: its global objects and what the other units may ask of it.
//
// The objects BeckyAPI (host/b2api.h), InitParam and MainForm (ui/main_view.h) are created, in
// that order (with what the window is handed: the host's view of the mail client and the file
// system), by the first call the host makes into the library, whichever export or command it
// is, and released in the reverse order when the library unloads. Between those two points they
// are never null.

#include <string>
#include <string_view>

#include "settings/ini_params.h"
#include "zeldrium_version.h"

class TMainForm;

inline constexpr char kZeldriumVersion[] = ZELDRIUM_VERSION;

// The settings; null outside the library's life.
extern zeldrium::TInitParam* InitParam;
// The single search window; null outside the library's life.
extern TMainForm* MainForm;

// Places the search window over the host's mail list (unless the user turned that off) and
// hands it the start text.
void OpenFindWindow(std::string_view text);

// The settings file of this library: its own file name with the extension ".ini", in UTF-8.
std::string ZeldriumSettingsPath();

#endif  // ZELDRIUM_HOST_ZELDRIUM_H_
