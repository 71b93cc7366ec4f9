#include "text/str_libs.h"

#include <charconv>
#include <cmath>

namespace zeldrium {

namespace {

constexpr int64_t kSecondsPerDay = 86400;
constexpr int64_t kMsecPerDay = 86400000;
constexpr int kUnixEpochDay = 25569;  // 1970-01-01 as a day-based date

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

void Put2(char* out, int v) {
  out[0] = static_cast<char>('0' + v / 10);
  out[1] = static_cast<char>('0' + v % 10);
}

void AppendEscaped(std::string_view text, std::string* out) {
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    // Trail bytes start at 0x40, and every byte that needs a code except the backslash lies
    // below it. A stray lead byte before such a byte stands alone, so that the byte is still
    // escaped: otherwise a comma or a line break would come through and split the list.
    if (IsLeadByte(c) && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x40) {
      out->append(text.data() + i, 2);
      ++i;
      continue;
    }
    switch (c) {
      case '\t':
        out->append("\\t");
        break;
      case '\n':
        out->append("\\n");
        break;
      case '\r':
        break;
      case ' ':
        out->append("\\s");
        break;
      case '"':
        out->append("\\q");
        break;
      case ',':
        out->append("\\c");
        break;
      case '\\':
        out->append("\\\\");
        break;
      case '\0':
        break;
      default:
        out->push_back(static_cast<char>(c));
    }
  }
}

template <typename Int>
void AppendInt(Int v, std::string* out) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  out->append(buf, r.ptr);
}

}  // namespace

std::string_view Trim(std::string_view text) {
  size_t b = 0;
  size_t e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= 0x20) ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= 0x20) --e;
  return text.substr(b, e - b);
}

uint32_t DateToUnix(TDateTime d) {
  if (d == 0) return 0;
  const double seconds = (d - kUnixEpochDay) * kSecondsPerDay + 0.5;
  // -2^63 and 2^63 are exact doubles; the comparison is false for NaN.
  if (!(seconds >= -9223372036854775808.0 && seconds < 9223372036854775808.0)) return 0;
  return static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(seconds)));
}

TDateTime UnixToDate(uint32_t u) {
  if (u == 0) return 0;
  return u / static_cast<double>(kSecondsPerDay) + kUnixEpochDay;
}

void UnixToText(uint32_t u, char* out) {
  int year = 1899, month = 12, day = 30, sod = 0;
  // 0 stands for "no date" and maps to day 0, not to 1970 (see UnixToDate).
  if (u != 0) {
    CivilFromDays(u / kSecondsPerDay, &year, &month, &day);
    sod = static_cast<int>(u % kSecondsPerDay);
  }
  Put2(out, year / 100);
  Put2(out + 2, year % 100);
  out[4] = '/';
  Put2(out + 5, month);
  out[7] = '/';
  Put2(out + 8, day);
  out[10] = ' ';
  Put2(out + 11, sod / 3600);
  out[13] = ':';
  Put2(out + 14, sod / 60 % 60);
  out[16] = ':';
  Put2(out + 17, sod % 60);
}

std::string UnixToText(uint32_t u) {
  std::string s(kUnixTextSize, '\0');
  UnixToText(u, s.data());
  return s;
}

bool EncodeDateTime(const DateTimeParts& p, TDateTime* out) {
  if (p.Year < 1 || p.Year > 9999 || p.Month < 1 || p.Month > 12 || p.Day < 1 ||
      p.Day > DaysInMonth(p.Year, p.Month) || p.Hour < 0 || p.Hour > 23 || p.Minute < 0 ||
      p.Minute > 59 || p.Second < 0 || p.Second > 59 || p.Msec < 0 || p.Msec > 999) {
    return false;
  }
  const int64_t day = DaysFromCivil(p.Year, p.Month, p.Day) + kUnixEpochDay;
  const double time = ((p.Hour * 60 + p.Minute) * 60 + p.Second) * 1000.0 + p.Msec;
  const double fraction = time / kMsecPerDay;
  // Before day 0 the fraction still counts forwards from midnight, so it is subtracted.
  *out = day >= 0 ? day + fraction : day - fraction;
  return true;
}

DateTimeParts DecodeDateTime(TDateTime d) {
  // Day numbers of 0001-01-01 and 9999-12-31.
  constexpr double kFirstDay = -693593;
  constexpr double kLastDay = 2958466;
  DateTimeParts p;
  if (!(d > kFirstDay - 1 && d < kLastDay)) return p;
  const int64_t ms = std::llround(d * kMsecPerDay);
  const int64_t day = ms / kMsecPerDay;  // towards zero: -1.25 is day -1 at 06:00
  int64_t time = (ms < 0 ? -ms : ms) % kMsecPerDay;
  if (day < kFirstDay || day >= kLastDay) return p;
  CivilFromDays(day - kUnixEpochDay, &p.Year, &p.Month, &p.Day);
  p.Msec = static_cast<int>(time % 1000);
  time /= 1000;
  p.Second = static_cast<int>(time % 60);
  p.Minute = static_cast<int>(time / 60 % 60);
  p.Hour = static_cast<int>(time / 3600);
  return p;
}

std::string TrimToWidth(std::string_view text, int width) {
  size_t n = 0;
  int budget = width;
  while (budget > 0 && n < text.size()) {
    const int step = IsLeadByte(text[n]) ? 2 : 1;
    n += step;
    budget -= step;
  }
  // A lead byte as the very last byte walks one past the end.
  if (n > text.size()) n = text.size();
  std::string result(Trim(text.substr(0, n)));
  if (static_cast<int64_t>(text.size()) > width) result += "...";
  return result;
}

size_t FindAtBoundary(std::string_view text, std::string_view pattern, size_t from) {
  size_t boundary = from;
  while (boundary <= text.size()) {
    const size_t hit = text.find(pattern, boundary);
    if (hit == std::string_view::npos) return hit;
    // Walk the characters up to the hit; if the walk steps over it, the hit began at a trail
    // byte and the search goes on from the next character.
    while (boundary < hit) boundary += IsLeadByte(text[boundary]) ? 2 : 1;
    if (boundary == hit) return hit;
  }
  return std::string_view::npos;
}

std::string TextBetween(std::string_view text, std::string_view start, std::string_view end) {
  size_t begin = 0;
  if (!start.empty()) {
    begin = FindAtBoundary(text, start);
    if (begin == std::string_view::npos) return {};
    begin += start.size();
  }
  size_t stop = text.size();
  if (!end.empty()) {
    stop = FindAtBoundary(text, end, begin);
    if (stop == std::string_view::npos) return {};
  }
  return std::string(Trim(text.substr(begin, stop - begin)));
}

std::string EscapeCsv(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendEscaped(text, &out);
  return out;
}

std::string JoinCsv(std::initializer_list<CsvValue> values) {
  std::string out;
  for (const CsvValue& v : values) {
    if (const bool* b = std::get_if<bool>(&v)) {
      out.push_back(*b ? '1' : '0');
    } else if (const int32_t* i = std::get_if<int32_t>(&v)) {
      AppendInt(*i, &out);
    } else if (const int64_t* l = std::get_if<int64_t>(&v)) {
      AppendInt(*l, &out);
    } else if (const char* c = std::get_if<char>(&v)) {
      // A 0x00 would end the line for every reader.
      if (*c != '\0') out.push_back(*c);
    } else if (const double* f = std::get_if<double>(&v)) {
      char buf[32];
      const auto r = std::to_chars(buf, buf + sizeof buf, *f);
      out.append(buf, r.ptr);
    } else if (const std::string* s = std::get_if<std::string>(&v)) {
      AppendEscaped(*s, &out);
    } else if (const char* const* z = std::get_if<const char*>(&v)) {
      if (*z != nullptr) out.append(*z);
    }
    out.push_back(',');
  }
  return out;
}

}  // namespace zeldrium
