#include "store/folder_idx.h"

#include "engine/idx_lines.h"
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

std::string_view NextIdxField(std::string_view* cursor) {
  const char* const begin = cursor->data();
  const char* const end = begin + cursor->size();
  const char* p = begin;
  while (p < end && static_cast<unsigned char>(*p) >= 0x02) {
    // A lead byte carries the next byte, a 0x01 too, but never the end of the line: the end of
    // the text or a 0x00.
    const bool pair = IsLeadByte(static_cast<unsigned char>(*p)) && p + 1 < end && p[1] != '\0';
    p += pair ? 2 : 1;
  }
  // At a 0x00 or the end the cursor stays parked, so further calls return "".
  const bool separator = p < end && *p == '\x01';
  cursor->remove_prefix(static_cast<size_t>(p - begin) + (separator ? 1 : 0));
  return TrimIdxField(begin, p);
}

IdxLine ReadIdxLine(std::string_view line, TFolderIdx* rec, std::string* err) {
  std::string_view fields[9];
  for (std::string_view& field : fields) field = NextIdxField(&line);
  const IdxLine kind = ConvertIdxDate(fields[8], &rec->Date, err);
  if (kind != IdxLine::kRecord) return kind;
  rec->MessageKey = fields[1];
  rec->Subject = fields[3];
  rec->From = fields[4];
  rec->To = fields[5];
  rec->Extra = fields[6];
  return kind;
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
