#ifndef ZELDRIUM_SETTINGS_INI_FILE_H_
#define ZELDRIUM_SETTINGS_INI_FILE_H_

// The settings file: a flat list of KEY=value lines, no sections. Text is code page 932, kept
// byte for byte.
//
// - A line belongs to a key when the text before its first "=" equals the key ignoring ASCII
//   letter case; the first such line wins, and the value is everything after that "=".
// - Reading ends a line at CR LF, a lone CR or a lone LF; a UTF-8 byte-order mark at the very
//   start is skipped (an editor may add one, and it would hide the first key). Writing ends
//   every line with CR LF.
// - Lines of keys nobody asks for are kept while the object lives, but the settings object
//   always saves from an empty list, so they vanish at the next save.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "settings/settings_io.h"

namespace zeldrium {

// Strict integer form of the settings file: an optional "+" or "-" and decimal digits within
// -2147483648..2147483647, or "$" and hexadecimal digits (either case) worth at most $FFFFFFFF,
// taken as the 32-bit pattern ($FFFFFFFF is -1), so that a colour like $FF000008 reads back as
// written. Nothing else: no blanks, no "0x", no sign before "$". Returns false, leaving *value
// untouched, otherwise.
bool StrToIntStrict(std::string_view text, int32_t* value);

enum class TWindowState : int32_t { kNormal = 0, kMinimized = 1, kMaximized = 2 };

// Screen pixels; right = left + width, bottom = top + height.
struct TRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
  friend bool operator==(const TRect&, const TRect&) = default;
};

struct TWindowInfo {
  TWindowState State = TWindowState::kNormal;
  TRect Rect;
  friend bool operator==(const TWindowInfo&, const TWindowInfo&) = default;
};

// Style bits of TFontDesc, as stored.
enum : int32_t { kFontBold = 1, kFontItalic = 2, kFontUnderline = 4, kFontStrikeOut = 8 };
enum : int32_t { kPitchDefault = 0, kPitchVariable = 1, kPitchFixed = 2 };

// The result list's font as a plain value; the Win32 layer makes the HFONT from it and takes it
// back from the font dialog.
struct TFontDesc {
  std::string Name;     // code page 932
  int32_t Charset = 0;  // 0..255
  uint32_t Color = 0;   // COLORREF-like; system colours have the high byte set
  int32_t Style = 0;    // kFontBold | kFontItalic | ...
  int32_t Size = 0;     // points
  int32_t Pitch = kPitchDefault;
  friend bool operator==(const TFontDesc&, const TFontDesc&) = default;
};

// The font of a fresh settings object, used until VIEWFONT says otherwise: the proportional
// Japanese UI font of the host's era, "ＭＳ Ｐゴシック" 9 pt, SHIFTJIS_CHARSET, black.
TFontDesc DefaultViewFont();

class TInitFile {
 public:
  enum class Start { kReadFile, kEmpty };

  // Reads file_name when start is kReadFile and the file exists. An empty file_name reads
  // nothing and Flush never writes.
  // REQUIRES: io outlives the object.
  TInitFile(std::string file_name, SettingsIO& io, Start start = Start::kReadFile);

  const std::string& FileName() const { return file_name_; }
  bool Modified() const { return modified_; }
  // kRead also when nothing was read (Start::kEmpty or no file name). On kError the line list is
  // empty and ReadError() says why.
  SettingsReadResult ReadResult() const { return read_result_; }
  const std::string& ReadError() const { return read_error_; }

  // Takes text as the file's contents, replacing the line list.
  void SetText(std::string_view text);
  // What Flush writes: every line followed by CR LF.
  std::string GetText() const;
  const std::vector<std::string>& Lines() const { return lines_; }
  void Clear();

  // REQUIRES (all keys): no "=", CR or LF in key.
  std::string ReadString(std::string_view key, std::string_view default_value) const;
  // default_value also when the value is not a strict integer (StrToIntStrict).
  int32_t ReadInteger(std::string_view key, int32_t default_value) const;

  // The values of the keys prefix0, prefix1, ... prefix(count - 1) that the file has, as pairs
  // of number and value, in ascending number order. The same as asking ReadString for each of
  // them in turn, but costs only what the file holds, whatever count says. The number is
  // written without leading zeros: "X01" is not key X1.
  std::vector<std::pair<int32_t, std::string>> ReadNumbered(std::string_view prefix,
                                                            int32_t count) const;

  // An empty value removes the key's line. A CR or LF in value would split the line and corrupt
  // the file, so each one is written as a blank.
  void WriteString(std::string_view key, std::string_view value);
  void WriteInteger(std::string_view key, int64_t value);

  // WINDOWINFO form "S,L,T,R,B". Anything but five strict integers gives the default (normal,
  // 0,0,0,0); a state other than 0, 1 or 2 reads as normal.
  TWindowInfo ReadWindow(std::string_view key) const;
  void WriteWindow(std::string_view key, TWindowState state, const TRect& rect);

  // VIEWFONT form: name, charset, "$" colour, style bits, size, pitch. Changes *font only when
  // the value has six items that all convert (charset 0..255); style bits are only added.
  // Returns whether *font was changed.
  bool ReadFont(std::string_view key, TFontDesc* font) const;
  void WriteFont(std::string_view key, const TFontDesc& font);

  // Writes the lines to FileName through a temporary file when something was written since the
  // last Flush. On failure the file on disk is as it was, Modified stays set and *err says why.
  bool Flush(std::string* err);

 private:
  // The index of the first line of key, or -1.
  int64_t Find(std::string_view key) const;
  // REQUIRES: line index holds an "=".
  std::string_view ValueOfLine(size_t index) const;
  void RebuildIndex() const;

  std::string file_name_;
  SettingsIO& io_;
  bool modified_ = false;
  SettingsReadResult read_result_ = SettingsReadResult::kRead;
  std::string read_error_;
  std::vector<std::string> lines_;
  // Key with its ASCII letters upper-cased -> index of its first line. Loading asks for every key,
  // so a scan per key would make loading a large file quadratic. Rebuilt lazily after a line is
  // removed.
  mutable std::unordered_map<std::string, size_t> index_;
  mutable bool index_stale_ = false;
};

}  // namespace zeldrium

#endif  // ZELDRIUM_SETTINGS_INI_FILE_H_
