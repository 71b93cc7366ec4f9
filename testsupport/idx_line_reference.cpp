#include "testsupport/idx_line_reference.h"

#include "store/idx_date.h"
#include "text/str_libs.h"

namespace zeldrium {

std::vector<std::string_view> ReferenceIndexLines(std::string_view content) {
  content = content.substr(0, content.find('\x1a'));
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (size_t i = 0; i < content.size(); ++i) {
    if (content[i] != '\r') continue;
    lines.push_back(content.substr(start, i - start));
    if (i + 1 < content.size() && content[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < content.size()) lines.push_back(content.substr(start));
  return lines;
}

std::string_view ReferenceNextIdxField(std::string_view* cursor) {
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

IdxLine ReferenceReadIdxLine(std::string_view line, TFolderIdx* rec, std::string* err) {
  std::string_view fields[9];
  for (std::string_view& field : fields) field = ReferenceNextIdxField(&line);
  const IdxLine kind = ConvertIdxDate(fields[8], &rec->Date, err);
  if (kind != IdxLine::kRecord) return kind;
  rec->MessageKey = fields[1];
  rec->Subject = fields[3];
  rec->From = fields[4];
  rec->To = fields[5];
  rec->Extra = fields[6];
  return kind;
}

}  // namespace zeldrium
