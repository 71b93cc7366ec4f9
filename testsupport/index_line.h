#ifndef ZELDRIUM_TESTSUPPORT_INDEX_LINE_H_
#define ZELDRIUM_TESTSUPPORT_INDEX_LINE_H_

// One line of a Folder.idx as the host writes it, for the tests of both sides (header only, test
// code only): fields separated by 0x01, the message key second, subject, sender and recipients
// fourth to sixth, the date ninth as hexadecimal Unix seconds, the line ended by CR LF.

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>

namespace zeldrium {

// The same with the date field as it stands in the file, which may be no valid date at all.
inline std::string IndexLineDated(std::string_view key, std::string_view subject,
                                  std::string_view from, std::string_view to,
                                  std::string_view date_field) {
  const std::string_view fields[] = {"0", key, "0", subject, from, to, "x", "y", date_field, "t"};
  std::string line(fields[0]);
  for (size_t i = 1; i < std::size(fields); ++i) line.append(1, '\x01').append(fields[i]);
  return line + "\r\n";
}

inline std::string IndexLine(std::string_view key, std::string_view subject, std::string_view from,
                             std::string_view to, uint32_t date) {
  char hex[8];
  return IndexLineDated(
      key, subject, from, to,
      std::string_view(hex, std::to_chars(hex, hex + sizeof hex, date, 16).ptr - hex));
}

}  // namespace zeldrium

#endif  // ZELDRIUM_TESTSUPPORT_INDEX_LINE_H_
