#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "console.h"
#include "text/code_page.h"
#include "text/str_libs.h"

namespace zeldrium::find {
namespace {

int Fd(Stream stream) { return stream == Stream::kOut ? STDOUT_FILENO : STDERR_FILENO; }

bool IsValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (size_t k = 1; k < n; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += n;
  }
  return true;
}

}  // namespace

std::vector<std::string> ProgramArgs(int argc, char** argv) {
  // A pipe closed by its reader is reported by write() instead of ending the program, so that a
  // search piped into head exits quietly.
  std::signal(SIGPIPE, SIG_IGN);
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  return args;
}

bool IsTerminal(Stream stream) { return ::isatty(Fd(stream)) == 1; }

int TerminalColumns() {
  winsize ws{};
  if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) return ws.ws_col;
  return 0;
}

WriteResult WriteStream(Stream stream, std::string_view bytes, bool utf8, std::string* err) {
  const int fd = Fd(stream);
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EPIPE) return WriteResult::kClosed;
      *err = std::strerror(errno);
      return WriteResult::kError;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return WriteResult::kOk;
}

bool UseColor(bool forced) {
  if (forced) return true;
  const char* no_color = std::getenv("NO_COLOR");
  const char* term = std::getenv("TERM");
  return IsTerminal(Stream::kOut) && (no_color == nullptr || *no_color == '\0') &&
         !(term != nullptr && std::strcmp(term, "dumb") == 0);
}

std::string NativePath(std::string_view cp932_path) {
  std::string path(cp932_path);
  for (size_t i = 0; i < path.size();
       i += IsLeadByte(static_cast<unsigned char>(path[i])) ? 2 : 1) {
    if (path[i] == '\\') path[i] = '/';
  }
  return path;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PathArgToCp932(std::string_view arg, bool raw, std::string* out, std::string* err) {
  out->clear();
  if (raw) {
    out->assign(arg);
    return true;
  }
  // Component by component: the disk's names are UTF-8, and one without a code page 932 form
  // (an accented home directory, say) must not make the whole path unreachable.
  size_t start = 0;
  while (start <= arg.size()) {
    size_t end = arg.find('/', start);
    if (end == std::string_view::npos) end = arg.size();
    const std::string_view part = arg.substr(start, end - start);
    std::string converted;
    if (Utf8ToCp932(part, &converted)) {
      out->append(converted);
    } else {
      out->append(part);
    }
    if (end == arg.size()) break;
    out->push_back('/');
    start = end + 1;
  }
  return true;
}

bool TextArgToCp932(std::string_view arg, bool raw, std::string* out, std::string* err) {
  if (raw) {
    out->assign(arg);
    return true;
  }
  if (Utf8ToCp932(arg, out)) return true;
  *err = IsValidUtf8(arg) ? "holds a character that code page 932 cannot represent"
                          : "is not UTF-8 (use --raw for code page 932 bytes)";
  return false;
}

}  // namespace zeldrium::find
