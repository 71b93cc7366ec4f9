#ifndef ZELDRIUM_TEXT_STR_LIBS_H_
#define ZELDRIUM_TEXT_STR_LIBS_H_

// Small text and time routines shared by the whole plug-in. Text is code page 932 (Shift-JIS)
// bytes; lengths and widths count bytes.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace zeldrium {

// Days since 1899-12-30 00:00, the fraction being the time of day; day 25569 is 1970-01-01.
// This is what the date picker holds and what the settings file stores.
using TDateTime = double;

// True for a byte that starts a double-byte character of code page 932. The byte after it
// belongs to the same character whatever its value, so every byte scan must step over it.
constexpr bool IsLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// True for a control byte (0x00 to 0x1F, 0x7F), which breaks a line or shifts a column where a
// text is written out one field a line. No second byte of a double-byte character is one.
constexpr bool IsControlByte(unsigned char c) { return c < 0x20 || c == 0x7F; }

// Removes the bytes 0x00 to 0x20 at both ends. No trail byte can be in that range, so this never
// cuts a double-byte character.
std::string_view Trim(std::string_view text);

// Rounds to the nearest second (halves up) and keeps the low 32 bits, so a date before 1970
// wraps to a value near 2^32. Day 0 gives 0. NaN, infinities and dates whose seconds do not fit
// in 64 bits give 0: they cannot come from the date picker, and 0 reads back as "no date".
uint32_t DateToUnix(TDateTime d);

// u is local time already (index dates are shifted when read); 0 gives day 0 (1899-12-30), not
// 1970-01-01, mirroring DateToUnix.
TDateTime UnixToDate(uint32_t u);

// "YYYY/MM/DD hh:mm:ss", fixed width so that text order is time order (the result list sorts on
// it). Computed from integers: no locale, no rounding into 24:00:00.
inline constexpr size_t kUnixTextSize = 19;
std::string UnixToText(uint32_t u);
// The same text written into a caller's buffer, for the per-hit path.
// REQUIRES: out has room for kUnixTextSize bytes; no terminating zero is written.
void UnixToText(uint32_t u, char* out);

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, and back (H. Hinnant's
// days_from_civil and civil_from_days): exact for every year that fits in an int.
constexpr int64_t DaysFromCivil(int64_t year, int month, int day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yoe = year - era * 400;
  const int64_t doy = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}
constexpr void CivilFromDays(int64_t days, int* year, int* month, int* day) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t doe = days - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  *month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *year = static_cast<int>(yoe + era * 400 + (*month <= 2));
  *day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
}

// The current local date and time, day-based.
TDateTime LocalNow();

// A calendar date and time of day, as the date picker and the clock give them.
struct DateTimeParts {
  int Year = 1899;
  int Month = 12;
  int Day = 30;
  int Hour = 0;
  int Minute = 0;
  int Second = 0;
  int Msec = 0;
};

// False, leaving *out untouched, for a field out of range (year 1 to 9999, a real day of the
// month, 00:00:00.000 to 23:59:59.999).
bool EncodeDateTime(const DateTimeParts& parts, TDateTime* out);
// Rounded to the millisecond. Before day 0 the fraction still counts forwards from midnight
// (-1.25 is 1899-12-29 06:00), as the toolkit's date-time does. NaN and days outside years 1 to
// 9999 give day 0.
DateTimeParts DecodeDateTime(TDateTime d);

// Cuts text to about width bytes without splitting a double-byte character (so the cut may be
// width + 1 bytes), trims it and appends "..." when text is longer than width.
// REQUIRES: width > 0 (a smaller width gives "..." for any non-empty text).
std::string TrimToWidth(std::string_view text, int width);

// The trimmed text between the first start marker and the first end marker after it. An empty
// start means the beginning, an empty end means the end of the text. A marker that does not
// occur (at a character boundary) gives the empty text.
std::string TextBetween(std::string_view text, std::string_view start, std::string_view end);

// Position of the first occurrence of pattern in text at or after from that begins on a
// character boundary (never at the second byte of a double-byte character), else npos. An empty
// pattern is found at from.
// REQUIRES: from is a character boundary of text.
size_t FindAtBoundary(std::string_view text, std::string_view pattern, size_t from = 0);

// Backslash codes for the bytes a settings value may not hold: \t \n \s \q \c \\; CR and 0x00
// are dropped. The second byte of a double-byte character is never replaced, so the result
// holds no blank, comma, double quote or line break and never needs quoting in a comma list.
std::string EscapeCsv(std::string_view text);

// One typed value for JoinCsv. std::string is escaped with EscapeCsv; const char* is written
// unchanged, and a string literal picks that alternative. A null const char* writes nothing.
// The toolkit kinds that have no C++ counterpart here (currency, variant, object or class,
// pointer, wide character and wide text, interface) are left out.
using CsvValue = std::variant<bool, int32_t, int64_t, char, double, std::string, const char*>;

// Each value's text followed by one comma, so the result ends with a comma ("1,5,-3,").
std::string JoinCsv(std::initializer_list<CsvValue> values);

}  // namespace zeldrium

#endif  // ZELDRIUM_TEXT_STR_LIBS_H_
