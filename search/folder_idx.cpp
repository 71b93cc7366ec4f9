#include "search/folder_idx.h"

#include "search/control_bytes.h"
#include "search/idx_lines.h"
#include "search/str_libs.h"

namespace zeldrium {
namespace {

// Position of the last backslash that is a character of its own, or npos.
size_t LastBackslash(std::string_view text) {
  size_t found = std::string_view::npos;
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (IsLeadByte(c)) {
      i += 2;
    } else {
      if (c == '\\') found = i;
      ++i;
    }
  }
  return found;
}

}  // namespace

std::string_view NextIdxField(std::string_view* cursor) {
  const char* const begin = cursor->data();
  const char* const end = begin + cursor->size();
  ControlBytes<Control::kBelow2> controls(begin, end);
  for (;;) {
    const char* p = controls.Next();
    if (p == end || *p == '\0') {
      // The end of the line: the cursor stays parked there, so further calls return "".
      cursor->remove_prefix(static_cast<size_t>(p - begin));
      return TrimField(begin, p);
    }
    if (!CarriedByLeadByte(begin, p)) {
      cursor->remove_prefix(static_cast<size_t>(p - begin) + 1);
      return TrimField(begin, p);
    }
  }
}

IdxLine ReadIdxLine(std::string_view line, TFolderIdx* rec, std::string* err) {
  // A line holds no CR (the reader ends lines there): to the scanner it is the last line of a
  // file, and an empty one is no line at all.
  TIdxLineScanner scanner(line, true);
  IdxLine kind;
  return scanner.Next(&kind, rec, err) ? kind : IdxLine::kSkip;
}

std::string_view FolderIdOfIndexPath(std::string_view index_path, std::string_view data_folder) {
  const size_t slash = LastBackslash(index_path);
  if (slash == std::string_view::npos) return {};
  const std::string_view dir = index_path.substr(0, slash + 1);
  if (dir.size() <= data_folder.size()) return {};
  return dir.substr(data_folder.size());
}

std::string MakeMailID(std::string_view folder_id, std::string_view message_key) {
  std::string id;
  id.reserve(folder_id.size() + 1 + message_key.size());
  id.append(folder_id).append(1, '?').append(message_key);
  return id;
}

bool EndsWithBackslash(std::string_view text) {
  const size_t slash = LastBackslash(text);
  return slash != std::string_view::npos && slash + 1 == text.size();
}

}  // namespace zeldrium
