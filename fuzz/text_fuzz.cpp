// The text routines that see header texts and settings values: TrimToWidth, TextBetween (and the
// boundary search under it), EscapeCsv and upper-casing.
//
// Input: the start and end markers as FuzzedDataProvider strings (a backslash and another byte
// end one; "\\" is a backslash), the width in the last byte, and the text: everything in between.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "text/str_libs.h"
#include "text/str_upper.h"

namespace zeldrium::fuzz {
namespace {

bool Lead(char c) { return IsLeadByte(static_cast<unsigned char>(c)); }

// Byte offsets at which a character starts, plus the end; a lead byte as the last byte is a
// character of its own.
std::vector<size_t> Boundaries(std::string_view text) {
  std::vector<size_t> out;
  size_t i = 0;
  while (i < text.size()) {
    out.push_back(i);
    i += Lead(text[i]) && i + 1 < text.size() ? 2 : 1;
  }
  out.push_back(text.size());
  return out;
}

// The first match of pattern at a character boundary at or after from, found the slow way.
size_t NaiveFind(std::string_view text, std::string_view pattern, size_t from) {
  for (size_t b : Boundaries(text)) {
    if (b < from) continue;
    if (text.substr(b).substr(0, pattern.size()) == pattern) return b;
  }
  return std::string_view::npos;
}

void CheckTrimToWidth(std::string_view text, int width) {
  const std::string got = TrimToWidth(text, width);
  const bool longer = text.size() > static_cast<size_t>(width);
  std::string_view core = got;
  if (longer) {
    FUZZ_CHECK(core.size() >= 3 && core.substr(core.size() - 3) == "...");
    core.remove_suffix(3);
  }
  FUZZ_CHECK(IsTrimmed(core));
  // The cut is at most one byte past the width and never inside a double-byte character.
  bool found = false;
  for (size_t b : Boundaries(text)) {
    if (b > static_cast<size_t>(width) + 1) break;
    if (Trim(text.substr(0, b)) == core && (b >= static_cast<size_t>(width) || b == text.size())) {
      found = true;
      break;
    }
  }
  FUZZ_CHECK(found);
}

void CheckTextBetween(std::string_view text, std::string_view start, std::string_view end) {
  for (size_t from : {size_t{0}, text.size() / 2}) {
    // FindAtBoundary requires from to be a boundary.
    size_t b = 0;
    for (size_t x : Boundaries(text)) {
      if (x >= from) {
        b = x;
        break;
      }
    }
    FUZZ_CHECK(FindAtBoundary(text, start, b) == NaiveFind(text, start, b));
    FUZZ_CHECK(FindAtBoundary(text, end, b) == NaiveFind(text, end, b));
  }

  std::string expected;
  size_t begin = 0;
  bool ok = true;
  if (!start.empty()) {
    begin = NaiveFind(text, start, 0);
    ok = begin != std::string_view::npos;
    if (ok) begin += start.size();
  }
  if (ok) {
    size_t stop = text.size();
    if (!end.empty()) {
      // The end marker is looked for in the text after the start marker, characters counted
      // from there: a start marker ending in a stray lead byte does not shift them.
      stop = NaiveFind(text.substr(begin), end, 0);
      ok = stop != std::string_view::npos;
      if (ok) stop += begin;
    }
    if (ok) expected = std::string(Trim(text.substr(begin, stop - begin)));
  }
  FUZZ_CHECK(TextBetween(text, start, end) == expected);
}

bool IsTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

// Every lead byte followed by a trail byte: text as the host writes it.
bool IsWellFormed(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (!Lead(text[i])) continue;
    if (i + 1 >= text.size() || !IsTrailByte(static_cast<unsigned char>(text[i + 1]))) return false;
    ++i;
  }
  return true;
}

void CheckEscapeCsv(std::string_view text) {
  const std::string got = EscapeCsv(text);
  // Whatever the bytes, the result must sit in a comma list unquoted and on one line.
  for (char c : got) {
    FUZZ_CHECK(c != ' ' && c != ',' && c != '"' && c != '\r' && c != '\n' && c != '\0' &&
               c != '\t');
  }
  if (!IsWellFormed(text) || text.find_first_of(std::string_view("\r\0", 2)) != text.npos) {
    return;
  }
  // Well-formed text without the dropped bytes reads back exactly.
  std::string back;
  for (size_t i = 0; i < got.size(); ++i) {
    if (Lead(got[i]) && i + 1 < got.size()) {
      back.append(got, i, 2);
      ++i;
    } else if (got[i] == '\\') {
      FUZZ_CHECK(i + 1 < got.size());
      switch (got[++i]) {
        case 't':
          back += '\t';
          break;
        case 'n':
          back += '\n';
          break;
        case 's':
          back += ' ';
          break;
        case 'q':
          back += '"';
          break;
        case 'c':
          back += ',';
          break;
        case '\\':
          back += '\\';
          break;
        default:
          FUZZ_CHECK(false && "unknown escape code");
      }
    } else {
      back += got[i];
    }
  }
  FUZZ_CHECK(back == text);
}

// The capital's trail byte for the small full-width letters; everything else keeps its bytes.
bool TrailMayBecome(unsigned char lead, unsigned char from, unsigned char to) {
  if (from == to) return true;
  switch (lead) {
    case 0x82:
      return from >= 0x81 && from <= 0x9A && to == from - 0x21;
    case 0x83:
      return from >= 0xBF && from <= 0xD6 && to == from - 0x20;
    case 0x84:
      return (from >= 0x70 && from <= 0x7E && to == from - 0x30) ||
             (from >= 0x80 && from <= 0x91 && to == from - 0x31);
  }
  return false;
}

// The search folds the text only where a word could start; it must find what a search in a
// folded copy finds.
void CheckOccursUpperCased(std::string_view text, std::string_view word) {
  if (word.empty()) return;
  const std::string up = UpperCase(text);
  const ExactBytes upper_word(UpperCase(word));
  const std::string_view w = upper_word.view();
  bool expected = false;
  for (size_t b : Boundaries(up)) {
    if (b + w.size() <= up.size() && up.compare(b, w.size(), w) == 0) {
      expected = true;
      break;
    }
  }
  FUZZ_CHECK(OccursUpperCased(text, w) == expected);
}

void CheckUpperCase(std::string_view text) {
  const std::string up = UpperCase(text);
  FUZZ_CHECK(up.size() == text.size());
  FUZZ_CHECK(Boundaries(up) == Boundaries(text));
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const auto u = static_cast<unsigned char>(up[i]);
    if (Lead(text[i]) && i + 1 < text.size()) {
      FUZZ_CHECK(u == c);
      FUZZ_CHECK(TrailMayBecome(c, static_cast<unsigned char>(text[i + 1]),
                                static_cast<unsigned char>(up[i + 1])));
      ++i;
    } else {
      FUZZ_CHECK(u == (c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c));
    }
  }
  FUZZ_CHECK(UpperCase(up) == up);

  std::string in_place(text);
  UpperCaseInPlace(&in_place);
  FUZZ_CHECK(in_place == up);
  std::string reused = "left over from a longer text than this one, to be replaced";
  UpperCaseTo(text, &reused);
  FUZZ_CHECK(reused == up);
}

}  // namespace
}  // namespace zeldrium::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zeldrium::fuzz;
  FuzzedDataProvider in(data, size);
  const int width = in.ConsumeIntegralInRange<int>(1, 64);
  const ExactBytes start(in.ConsumeRandomLengthString(16));
  const ExactBytes end(in.ConsumeRandomLengthString(16));
  const ExactBytes text(in.ConsumeRemainingBytesAsString());

  CheckTrimToWidth(text.view(), width);
  CheckTextBetween(text.view(), start.view(), end.view());
  CheckEscapeCsv(text.view());
  CheckUpperCase(text.view());
  CheckOccursUpperCased(text.view(), start.view());
  CheckOccursUpperCased(text.view(), end.view());
  // A piece of the text itself, from a byte that may be the second of a character.
  const std::string_view t = text.view();
  CheckOccursUpperCased(t, t.substr(t.size() / 3, 1 + t.size() % 4));
  return 0;
}
