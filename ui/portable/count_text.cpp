#include "ui/portable/count_text.h"

namespace ui {
namespace {

constexpr char kCounterWord[] = " \x8c\x8f";                        // " 件"
constexpr char kSearching[] = "\x8c\x9f\x8d\xf5\x92\x86\x81\x63 ";  // "検索中… "

std::string Grouped(size_t n) {
  const std::string digits = std::to_string(n);
  std::string out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

}  // namespace

std::string CountText(size_t count) { return std::to_string(count) + kCounterWord; }

std::string ProgressText(size_t hits) { return kSearching + Grouped(hits) + kCounterWord; }

std::string WideProgressText() { return ProgressText(999999); }

}  // namespace ui
