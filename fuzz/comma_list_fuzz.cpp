// The comma list and TStringCSV's typed reads: every settings value and saved condition goes
// through them.
//
// Input: the line, then (in the last bytes) a 32-bit value for AddInt.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "text/str_csv.h"
#include "text/text_compare.h"

namespace zeldrium::fuzz {
namespace {

// What reading a written list gives: a trailing comma adds no item, so a last item that is
// empty is lost, unless it is the only one (written as two double quotes).
std::vector<std::string> AfterRoundTrip(std::vector<std::string> items) {
  if (items.size() > 1 && items.back().empty()) items.pop_back();
  return items;
}

int32_t ReferenceGetInt(const std::string& s) {
  size_t i = 0;
  const bool negative = !s.empty() && s[0] == '-';
  if (negative) ++i;
  uint64_t v = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) v = (v * 10 + (s[i] - '0')) & 0xFFFFFFFF;
  if (negative) v = (0x100000000 - v) & 0xFFFFFFFF;
  return static_cast<int32_t>(static_cast<uint32_t>(v));
}

bool ReferenceGetBool(const std::string& s) {
  if (s == "1") return true;
  if (s.size() != 4) return false;
  for (size_t i = 0; i < 4; ++i) {
    char c = s[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != "true"[i]) return false;
  }
  return true;
}

void CheckRead(std::string_view line, std::vector<std::string>* items) {
  // Item by item: every call must use up input, or a caller's loop would never end.
  std::string_view rest = line;
  std::string item;
  size_t before = rest.size();
  while (GetCommaItem(&rest, &item)) {
    FUZZ_CHECK(ViewInside(rest, line));
    FUZZ_CHECK(rest.size() < before);
    before = rest.size();
    FUZZ_CHECK(item.find('\0') == std::string::npos);
    items->push_back(item);
    FUZZ_CHECK(items->size() <= line.size());
  }
  FUZZ_CHECK(ReadCommaList(line) == *items);
}

void CheckWrite(const std::vector<std::string>& items) {
  const std::string written = WriteCommaList(items);
  FUZZ_CHECK(ReadCommaList(written) == AfterRoundTrip(items));
  // A 0x00 would end the text for every reader after it.
  FUZZ_CHECK(written.find('\0') == std::string::npos);
}

void CheckTyped(std::string_view line, const std::vector<std::string>& items, int32_t value) {
  TStringCSV csv(line);
  FUZZ_CHECK(csv.Items() == items);
  for (int i = -1; i <= csv.Count(); ++i) {
    const bool inside = i >= 0 && i < csv.Count();
    const std::string field = csv.GetField(i);
    FUZZ_CHECK(field == (inside ? items[i] : std::string()));
    FUZZ_CHECK(csv.GetBool(i) == ReferenceGetBool(field));
    FUZZ_CHECK(csv.GetInt(i) == ReferenceGetInt(field));
  }

  TStringCSV reread(csv.GetText());
  FUZZ_CHECK(reread.Items() == AfterRoundTrip(items));

  // Typed values written into the list read back as themselves, wherever they stand.
  const int at = csv.Count();
  csv.AddInt(value);
  csv.AddBool(value & 1);
  csv.AddInt(static_cast<int32_t>(0u - static_cast<uint32_t>(value)));
  FUZZ_CHECK(csv.GetInt(at) == value);
  FUZZ_CHECK(csv.GetBool(at + 1) == static_cast<bool>(value & 1));
  TStringCSV typed(csv.GetText());
  FUZZ_CHECK(typed.Count() == csv.Count());
  FUZZ_CHECK(typed.GetInt(at) == value);
  FUZZ_CHECK(typed.GetBool(at + 1) == static_cast<bool>(value & 1));
  FUZZ_CHECK(typed.GetInt(at + 2) == static_cast<int32_t>(0u - static_cast<uint32_t>(value)));

  if (!items.empty()) {
    FUZZ_CHECK(typed.IndexOfIgnoreCase(items[0]) == 0);
  }
}

std::string SortKey(const std::string& s) {
  return !s.empty() && s[0] >= 'A' && s[0] <= 'Z' ? "Z" + s : s;
}

void CheckSort(const std::vector<std::string>& items) {
  TStringCSV csv;
  for (const std::string& s : items) csv.Add(s);
  csv.Sort();
  std::vector<std::string> sorted = csv.Items();
  FUZZ_CHECK(sorted.size() == items.size());
  for (size_t i = 1; i < sorted.size(); ++i) {
    FUZZ_CHECK(CompareText(SortKey(sorted[i - 1]), SortKey(sorted[i])) <= 0);
  }
  // The same items, only reordered.
  std::vector<std::string> a = items, b = sorted;
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  FUZZ_CHECK(a == b);
}

}  // namespace
}  // namespace zeldrium::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zeldrium::fuzz;
  FuzzedDataProvider in(data, size);
  const int32_t value = in.ConsumeIntegral<int32_t>();
  const ExactBytes line(in.ConsumeRemainingBytesAsString());

  std::vector<std::string> items;
  CheckRead(line.view(), &items);
  CheckWrite(items);
  CheckTyped(line.view(), items, value);
  CheckSort(items);
  return 0;
}
