#include "text/str_csv.h"

#include <string_view>

#include "text/text_compare.h"

namespace zeldrium {

namespace {

// Blanks and control bytes between items, but not 0x00: that ends the text.
bool IsSpace(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return u >= 0x01 && u <= 0x20;
}

bool EndsUnquoted(char c) { return static_cast<unsigned char>(c) <= 0x20 || c == ','; }

bool NeedsQuotes(std::string_view item) {
  for (char c : item) {
    if (IsSpace(c) || c == '"' || c == ',') return true;
  }
  return false;
}

void AppendItem(std::string_view item, bool force_quotes, std::string* out) {
  if (!force_quotes && !NeedsQuotes(item)) {
    for (char c : item) {
      if (c != '\0') out->push_back(c);
    }
    return;
  }
  out->push_back('"');
  for (char c : item) {
    if (c == '"') out->push_back('"');
    if (c != '\0') out->push_back(c);
  }
  out->push_back('"');
}

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

// Capitalised texts are compared as if they began with an extra "Z", which puts them after the
// other texts of the same first letter and most others.
std::string SortKey(const std::string& s) {
  if (!s.empty() && s[0] >= 'A' && s[0] <= 'Z') return "Z" + s;
  return s;
}

void QuickSort(std::vector<std::string>* items, std::vector<std::string>* keys, int l, int r) {
  std::vector<std::string>& it = *items;
  std::vector<std::string>& k = *keys;
  // Recurse into the smaller part and loop on the larger one to bound the stack depth; the two
  // parts are disjoint, so the order of the work does not change the result.
  while (l < r) {
    const std::string pivot = k[l + (r - l) / 2];
    int i = l;
    int j = r;
    do {
      // The bounds only matter for a comparison that is not a consistent order.
      while (i <= r && CompareText(k[i], pivot) < 0) ++i;
      while (j >= l && CompareText(k[j], pivot) > 0) --j;
      if (i <= j) {
        std::swap(it[i], it[j]);
        std::swap(k[i], k[j]);
        ++i;
        --j;
      }
    } while (i <= j);
    if (j - l < r - i) {
      if (l < j) QuickSort(items, keys, l, j);
      l = i;
    } else {
      if (i < r) QuickSort(items, keys, i, r);
      r = j;
    }
  }
}

}  // namespace

bool GetCommaItem(std::string_view* in, std::string* item) {
  std::string_view s = *in;
  size_t i = 0;
  while (i < s.size() && IsSpace(s[i])) ++i;
  if (i == s.size() || s[i] == '\0') {
    *in = s.substr(s.size());
    return false;
  }
  // Written in place so that a reused *item costs no allocation.
  std::string& value = *item;
  value.clear();
  if (s[i] == '"') {
    ++i;
    // A missing closing quote makes the item the whole rest of the text.
    while (i < s.size() && s[i] != '\0') {
      if (s[i] == '"') {
        if (i + 1 < s.size() && s[i + 1] == '"') {
          value.push_back('"');
          i += 2;
          continue;
        }
        ++i;
        break;
      }
      value.push_back(s[i]);
      ++i;
    }
  } else {
    const size_t start = i;
    while (i < s.size() && !EndsUnquoted(s[i])) ++i;
    value.assign(s.data() + start, i - start);
  }
  while (i < s.size() && IsSpace(s[i])) ++i;
  if (i < s.size() && s[i] == ',') {
    ++i;
    while (i < s.size() && IsSpace(s[i])) ++i;
  }
  // Without a comma the next item begins right here, unless a 0x00 ends the text.
  if (i < s.size() && s[i] == '\0') i = s.size();
  *in = s.substr(i);
  return true;
}

std::vector<std::string> ReadCommaList(std::string_view line) {
  std::vector<std::string> items;
  std::string item;
  while (GetCommaItem(&line, &item)) items.push_back(item);
  return items;
}

std::string WriteCommaList(const std::vector<std::string>& items) {
  std::string out;
  // One empty item must be quoted to read back as an item at all.
  const bool lone = items.size() == 1;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out.push_back(',');
    const bool blank = items[i].find_first_not_of('\0') == std::string::npos;
    AppendItem(items[i], lone && blank, &out);
  }
  return out;
}

void TStringCSV::SetText(std::string_view line) { items_ = ReadCommaList(line); }

std::string TStringCSV::GetText() const { return WriteCommaList(items_); }

std::string TStringCSV::GetField(int index) const {
  if (index < 0 || index >= Count()) return {};
  return items_[index];
}

bool TStringCSV::GetBool(int index) const {
  if (index < 0 || index >= Count()) return false;
  const std::string& s = items_[index];
  return s == "1" || EqualsIgnoreAsciiCase(s, "true");
}

int32_t TStringCSV::GetInt(int index) const {
  if (index < 0 || index >= Count()) return 0;
  const std::string& s = items_[index];
  size_t i = 0;
  const bool negative = !s.empty() && s[0] == '-';
  if (negative) ++i;
  // Unsigned, so that overflow wraps instead of being undefined.
  uint32_t value = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    value = value * 10u + static_cast<uint32_t>(s[i] - '0');
  }
  if (negative) value = 0u - value;
  return static_cast<int32_t>(value);
}

void TStringCSV::AddInt(int32_t value) { items_.push_back(std::to_string(value)); }

void TStringCSV::AddBool(bool value) { items_.push_back(value ? "1" : "0"); }

void TStringCSV::Sort() {
  if (items_.size() < 2) return;
  std::vector<std::string> keys;
  keys.reserve(items_.size());
  for (const std::string& s : items_) keys.push_back(SortKey(s));
  QuickSort(&items_, &keys, 0, Count() - 1);
}

int TStringCSV::IndexOfIgnoreCase(std::string_view text) const {
  for (int i = 0; i < Count(); ++i) {
    if (EqualsIgnoreAsciiCase(items_[i], text)) return i;
  }
  return -1;
}

}  // namespace zeldrium
