#ifndef ZELDRIUM_TOOLS_FIND_CONSOLE_H_
#define ZELDRIUM_TOOLS_FIND_CONSOLE_H_

// What the program needs of its platform: the arguments, the standard streams and how a path
// argument reaches the core. Natively (console_posix.cpp) arguments and paths are bytes; on
// Windows (console_win.cpp) the command line is read as UTF-16 and handed on as UTF-8, so that
// Japanese arguments work whatever the console's code page is.

#include <string>
#include <string_view>
#include <vector>

namespace zeldrium::find {

enum class Stream { kOut, kErr };

// The arguments without the program name.
std::vector<std::string> ProgramArgs(int argc, char** argv);

bool IsTerminal(Stream stream);
// The width of the terminal behind standard output, or 0 when there is none or it is unknown.
int TerminalColumns();

enum class WriteResult {
  kOk,
  kClosed,  // the reader went away (a pipe into head): not worth a message
  kError,
};
// Writes every byte. utf8 tells how the bytes are encoded (else code page 932): a Windows
// console is written in UTF-16, so the text is converted there; elsewhere bytes go out as they
// are.
WriteResult WriteStream(Stream stream, std::string_view bytes, bool utf8, std::string* err);

// Whether table output is to be coloured: forced (--color always), or standard output is a
// terminal that shows colours and the user did not ask for none (NO_COLOR, TERM=dumb). On
// Windows this also turns the console's escape sequences on.
bool UseColor(bool forced);

// A path the core formed (code page 932, "\" between a folder ID's components) as the
// platform writes paths, for messages.
std::string NativePath(std::string_view cp932_path);

// True for an existing directory. path is as ProgramArgs gave it.
bool IsDirectory(const std::string& path);

// The core takes paths and texts as code page 932. raw: the argument is such bytes already.
// Natively a path component that has no code page 932 form is passed on as its own bytes, which
// the core's file system looks for as they are; on Windows such a path cannot be reached and
// this returns false. *err names the problem without the option.
bool PathArgToCp932(std::string_view arg, bool raw, std::string* out, std::string* err);
bool TextArgToCp932(std::string_view arg, bool raw, std::string* out, std::string* err);

}  // namespace zeldrium::find

#endif  // ZELDRIUM_TOOLS_FIND_CONSOLE_H_
