#include "settings/ini_file.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <optional>

#include "text/str_csv.h"
#include "text/str_libs.h"

namespace zeldrium {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Folds ASCII letters only, and never the second byte of a double-byte character: "\x83\x61"
// and "\x83\x41" are different characters.
std::string FoldKey(std::string_view key) {
  std::string out(key);
  for (size_t i = 0; i < out.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(out[i]);
    if (IsLeadByte(c)) {
      ++i;
    } else if (c >= 'a' && c <= 'z') {
      out[i] = static_cast<char>(c - 'a' + 'A');
    }
  }
  return out;
}

// The text before the first "=", or nothing when the line has none.
std::optional<std::string_view> KeyOfLine(std::string_view line) {
  for (size_t i = 0; i < line.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(line[i]);
    if (IsLeadByte(c)) {
      ++i;
    } else if (c == '=') {
      return line.substr(0, i);
    }
  }
  return std::nullopt;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool StrToIntStrict(std::string_view text, int32_t* value) {
  if (text.empty()) return false;
  if (text[0] == '$') {
    text.remove_prefix(1);
    if (text.empty()) return false;
    uint64_t v = 0;
    for (char c : text) {
      int d = HexDigit(c);
      if (d < 0) return false;
      v = v * 16 + static_cast<uint64_t>(d);
      if (v > 0xFFFFFFFFu) return false;
    }
    *value = static_cast<int32_t>(static_cast<uint32_t>(v));
    return true;
  }
  bool negative = text[0] == '-';
  if (text[0] == '-' || text[0] == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  const int64_t limit = negative ? int64_t{2147483648} : int64_t{2147483647};
  int64_t v = 0;
  for (char c : text) {
    if (!IsDigit(c)) return false;
    v = v * 10 + (c - '0');
    if (v > limit) return false;
  }
  *value = static_cast<int32_t>(negative ? -v : v);
  return true;
}

TFontDesc DefaultViewFont() {
  TFontDesc font;
  // ＭＳ Ｐゴシック
  font.Name = "\x82\x6c\x82\x72\x20\x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e";
  font.Charset = 128;  // SHIFTJIS_CHARSET
  font.Size = 9;
  return font;
}

TInitFile::TInitFile(std::string file_name, SettingsIO& io, Start start)
    : file_name_(std::move(file_name)), io_(io) {
  if (start != Start::kReadFile || file_name_.empty()) return;
  try {
    std::string contents;
    read_result_ = io_.ReadFile(file_name_, &contents, &read_error_);
    if (read_result_ == SettingsReadResult::kRead) SetText(contents);
  } catch (const std::bad_alloc&) {
    // A file too large for the address space is no settings file; it is reported as unreadable
    // so that nobody overwrites it unseen.
    Clear();
    read_result_ = SettingsReadResult::kError;
    read_error_ = "out of memory reading " + file_name_;
  }
}

void TInitFile::SetText(std::string_view text) {
  lines_.clear();
  if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) text.remove_prefix(kUtf8Bom.size());
  // CR and LF are looked for byte by byte, not character by character: neither can be the
  // second byte of a double-byte character, and a stray lead byte at a line's end must not
  // swallow the line break.
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines_.emplace_back(text.substr(start));
      break;
    }
    lines_.emplace_back(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  RebuildIndex();
}

std::string TInitFile::GetText() const {
  size_t size = 0;
  for (const std::string& line : lines_) size += line.size() + 2;
  std::string text;
  text.reserve(size);
  for (const std::string& line : lines_) {
    text += line;
    text += "\r\n";
  }
  return text;
}

void TInitFile::Clear() {
  lines_.clear();
  index_.clear();
  index_stale_ = false;
}

void TInitFile::RebuildIndex() const {
  index_.clear();
  for (size_t i = 0; i < lines_.size(); ++i) {
    std::optional<std::string_view> key = KeyOfLine(lines_[i]);
    if (key) index_.emplace(FoldKey(*key), i);  // emplace keeps the first line of a key
  }
  index_stale_ = false;
}

int64_t TInitFile::Find(std::string_view key) const {
  if (index_stale_) RebuildIndex();
  auto it = index_.find(FoldKey(key));
  return it == index_.end() ? -1 : static_cast<int64_t>(it->second);
}

std::string_view TInitFile::ValueOfLine(size_t index) const {
  std::string_view line = lines_[index];
  return line.substr(KeyOfLine(line)->size() + 1);
}

std::string TInitFile::ReadString(std::string_view key, std::string_view default_value) const {
  int64_t i = Find(key);
  return std::string(i < 0 ? default_value : ValueOfLine(static_cast<size_t>(i)));
}

int32_t TInitFile::ReadInteger(std::string_view key, int32_t default_value) const {
  int64_t i = Find(key);
  int32_t value;
  if (i < 0 || !StrToIntStrict(ValueOfLine(static_cast<size_t>(i)), &value)) return default_value;
  return value;
}

std::vector<std::pair<int32_t, std::string>> TInitFile::ReadNumbered(std::string_view prefix,
                                                                     int32_t count) const {
  std::vector<std::pair<int32_t, std::string>> found;
  if (count <= 0) return found;
  if (index_stale_) RebuildIndex();
  const std::string folded_prefix = FoldKey(prefix);
  for (const auto& [key, line_index] : index_) {
    if (key.size() <= folded_prefix.size() || key.compare(0, folded_prefix.size(), folded_prefix))
      continue;
    std::string_view digits = std::string_view(key).substr(folded_prefix.size());
    // "0" is a number, "00" and "01" are not: they would be different keys when read one by one.
    if (digits.size() > 10 || (digits.size() > 1 && digits[0] == '0')) continue;
    if (!std::all_of(digits.begin(), digits.end(), IsDigit)) continue;
    int64_t n = 0;
    for (char c : digits) n = n * 10 + (c - '0');
    if (n >= count) continue;
    found.emplace_back(static_cast<int32_t>(n), std::string(ValueOfLine(line_index)));
  }
  std::sort(found.begin(), found.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  return found;
}

void TInitFile::WriteString(std::string_view key, std::string_view value) {
  modified_ = true;
  int64_t i = Find(key);
  if (value.empty()) {
    if (i >= 0) {
      lines_.erase(lines_.begin() + i);
      index_stale_ = true;
    }
    return;
  }
  std::string line;
  line.reserve(key.size() + 1 + value.size());
  line += key;
  line += '=';
  size_t value_start = line.size();
  line += value;
  std::replace_if(
      line.begin() + value_start, line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  if (i >= 0) {
    lines_[static_cast<size_t>(i)] = std::move(line);
  } else {
    lines_.push_back(std::move(line));
    index_.emplace(FoldKey(key), lines_.size() - 1);
  }
}

void TInitFile::WriteInteger(std::string_view key, int64_t value) {
  WriteString(key, std::to_string(value));
}

TWindowInfo TInitFile::ReadWindow(std::string_view key) const {
  std::vector<std::string> items = ReadCommaList(ReadString(key, ""));
  if (items.size() != 5) return {};
  int32_t v[5];
  for (int i = 0; i < 5; ++i) {
    if (!StrToIntStrict(items[i], &v[i])) return {};
  }
  TWindowInfo info;
  if (v[0] == 1) info.State = TWindowState::kMinimized;
  if (v[0] == 2) info.State = TWindowState::kMaximized;
  info.Rect = {v[1], v[2], v[3], v[4]};
  return info;
}

void TInitFile::WriteWindow(std::string_view key, TWindowState state, const TRect& rect) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%d,%d,%d,%d,%d", static_cast<int>(state),
                static_cast<int>(rect.Left), static_cast<int>(rect.Top),
                static_cast<int>(rect.Right), static_cast<int>(rect.Bottom));
  WriteString(key, buf);
}

bool TInitFile::ReadFont(std::string_view key, TFontDesc* font) const {
  std::vector<std::string> items = ReadCommaList(ReadString(key, ""));
  if (items.size() != 6) return false;
  int32_t v[6];
  for (int i = 1; i < 6; ++i) {
    if (!StrToIntStrict(items[i], &v[i])) return false;
  }
  if (v[1] < 0 || v[1] > 255) return false;
  font->Name = items[0];
  font->Charset = v[1];
  font->Color = static_cast<uint32_t>(v[2]);
  font->Style |= v[3] & (kFontBold | kFontItalic | kFontUnderline | kFontStrikeOut);
  font->Size = v[4];
  font->Pitch = (v[5] == kPitchVariable || v[5] == kPitchFixed) ? v[5] : kPitchDefault;
  return true;
}

void TInitFile::WriteFont(std::string_view key, const TFontDesc& font) {
  char color[16];
  std::snprintf(color, sizeof color, "$%06X", static_cast<unsigned>(font.Color));
  int32_t pitch = font.Pitch == kPitchVariable || font.Pitch == kPitchFixed ? font.Pitch : 0;
  WriteString(
      key,
      WriteCommaList({
          font.Name,
          std::to_string(((font.Charset % 256) + 256) % 256),
          color,
          std::to_string(font.Style & (kFontBold | kFontItalic | kFontUnderline | kFontStrikeOut)),
          std::to_string(font.Size),
          std::to_string(pitch),
      }));
}

bool TInitFile::Flush(std::string* err) {
  if (file_name_.empty() || !modified_) return true;
  if (!ReplaceFileContents(io_, file_name_, GetText(), err)) return false;
  modified_ = false;
  return true;
}

}  // namespace zeldrium
