#include "search/folder_idx.h"

#include "search/str_libs.h"

namespace zeldrium {
namespace {

// "は整数ではありません" (is not an integer), code page 932.
constexpr std::string_view kNotAnInteger =
    "\x82\xcd\x90\xae\x90\x94\x82\xc5\x82\xcd\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1";

constexpr int kIdxFieldsRead = 9;

// Any count of leading zeros is fine; the value itself must fit in 64 bits.
bool ParseHex64(std::string_view text, uint64_t* value) {
  if (text.empty()) return false;
  uint64_t v = 0;
  for (char ch : text) {
    unsigned digit;
    if (ch >= '0' && ch <= '9') {
      digit = static_cast<unsigned>(ch - '0');
    } else if (ch >= 'a' && ch <= 'f') {
      digit = static_cast<unsigned>(ch - 'a' + 10);
    } else if (ch >= 'A' && ch <= 'F') {
      digit = static_cast<unsigned>(ch - 'A' + 10);
    } else {
      return false;
    }
    if (v >> 60) return false;
    v = (v << 4) | digit;
  }
  *value = v;
  return true;
}

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
  const std::string_view line = *cursor;
  const size_t n = line.size();
  size_t i = 0;
  while (i < n) {
    const auto c = static_cast<unsigned char>(line[i]);
    if (c < 0x02) break;
    // A lead byte as the last byte, or before a 0x00, carries nothing: the line ends there.
    if (IsLeadByte(c) && i + 1 < n && line[i + 1] != '\0') {
      i += 2;
    } else {
      ++i;
    }
  }
  const std::string_view field = line.substr(0, i);
  if (i < n && line[i] == '\x01') {
    cursor->remove_prefix(i + 1);
  } else {
    // End of line (or a 0x00): park the cursor there so that further calls return "".
    cursor->remove_prefix(i);
  }
  return Trim(field);
}

IdxLine ReadIdxLine(std::string_view line, TFolderIdx* rec, std::string* err) {
  std::string_view f[kIdxFieldsRead];
  for (auto& field : f) field = NextIdxField(&line);
  if (f[8].empty()) return IdxLine::kSkip;

  uint64_t value;
  if (!ParseHex64(f[8], &value)) {
    err->clear();
    err->append("'$").append(f[8]).append("' ").append(kNotAnInteger);
    return IdxLine::kError;
  }
  // Unsigned arithmetic wraps by definition; the conversion to int32 is modular since C++20.
  rec->Date =
      static_cast<int32_t>(static_cast<uint32_t>(value) + static_cast<uint32_t>(kIdxDateShift));
  rec->MessageKey = f[1];
  rec->Subject = f[3];
  rec->From = f[4];
  rec->To = f[5];
  rec->Extra = f[6];
  return IdxLine::kRecord;
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
