#include "store/folder_idx.h"

#include "text/str_libs.h"

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

std::string WithBackslash(std::string_view dir) {
  std::string s(dir);
  if (!s.empty() && !EndsWithBackslash(s) && s.back() != '/') s += '\\';
  return s;
}

bool EndsWithBackslash(std::string_view text) {
  const size_t slash = LastBackslash(text);
  return slash != std::string_view::npos && slash + 1 == text.size();
}

}  // namespace zeldrium
