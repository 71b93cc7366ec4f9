#ifndef ZELDRIUM_TEXT_STR_CSV_H_
#define ZELDRIUM_TEXT_STR_CSV_H_

// The comma list: the one-line form of every multi-value text (settings values, conditions,
// folder lists, tab captions, histories). Items holding a byte 0x01-0x20, a double quote or a
// comma are written in double quotes with inner quotes doubled. Reading skips blanks around
// items; two commas in a row give an empty item, a trailing comma adds none. A 0x00 byte ends
// the text, as it would a zero-terminated string.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zeldrium {

// Reads the next item of a comma list from *in and advances *in past it and its comma.
// Returns false, leaving *item untouched, when no item is left. *item's storage is reused.
// REQUIRES: *in does not view the bytes of *item.
bool GetCommaItem(std::string_view* in, std::string* item);

std::vector<std::string> ReadCommaList(std::string_view line);
std::string WriteCommaList(const std::vector<std::string>& items);

// The fields of one comma-list line, read back as texts, booleans or integers. Field indexes
// count from 0; a missing field reads as "", false or 0.
class TStringCSV {
 public:
  TStringCSV() = default;
  explicit TStringCSV(std::string_view line) { SetText(line); }

  void SetText(std::string_view line);
  std::string GetText() const;

  int Count() const { return static_cast<int>(items_.size()); }
  void Clear() { items_.clear(); }

  std::string GetField(int index) const;
  // "1" exactly, or "true" in any ASCII letter case.
  bool GetBool(int index) const;
  // An optional "-" then decimal digits up to the first other byte, wrapping in 32 bits; never
  // fails ("" and "x5" give 0, "12abc" gives 12).
  int32_t GetInt(int index) const;

  void AddInt(int32_t value);
  void AddBool(bool value);
  void Add(std::string text) { items_.push_back(std::move(text)); }

  // Orders with CompareText, a text starting with an ASCII capital being compared as if it
  // began with an extra "Z" (so capitalised texts follow the others). Not stable.
  void Sort();

  // Index of the first item equal to text ignoring ASCII letter case, else -1.
  int IndexOfIgnoreCase(std::string_view text) const;

  const std::vector<std::string>& Items() const { return items_; }
  std::vector<std::string>& Items() { return items_; }

 private:
  std::vector<std::string> items_;
};

}  // namespace zeldrium

#endif  // ZELDRIUM_TEXT_STR_CSV_H_
