#include "hit_output.h"

#include <algorithm>
#include <cstdio>

#include "text/code_page.h"
#include "text/str_libs.h"

namespace zeldrium::find {
namespace {

constexpr std::string_view kCountWord = " \x8c\x8f";  // " 件", as the window's counter shows it

// The table's width when nothing better is known (output not on a terminal).
constexpr size_t kDefaultColumns = 120;
constexpr size_t kGap = 2;
constexpr size_t kMaxFolderWidth = 30;
constexpr size_t kMaxFromWidth = 36;
constexpr size_t kMinSubjectWidth = 20;
constexpr size_t kMinFromWidth = 10;

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

// Blanks the control bytes of out from start on. Safe on both encodings: no UTF-8 sequence and
// no second byte of a code page 932 character holds a byte below 0x40.
void BlankControls(std::string* out, size_t start) {
  for (size_t i = start; i < out->size(); ++i) {
    if (IsControl(static_cast<unsigned char>((*out)[i]))) (*out)[i] = ' ';
  }
}

// Appends a field of a line: encoded, controls blanked.
void AppendField(std::string_view text, bool raw, std::string* out) {
  const size_t start = out->size();
  if (raw) {
    out->append(text);
  } else {
    AppendCp932AsUtf8(text, out);
  }
  BlankControls(out, start);
}

void AppendEscapedByte(unsigned char c, std::string* out) {
  switch (c) {
    case '"':
      out->append("\\\"");
      return;
    case '\\':
      out->append("\\\\");
      return;
    case '\n':
      out->append("\\n");
      return;
    case '\r':
      out->append("\\r");
      return;
    case '\t':
      out->append("\\t");
      return;
  }
  if (c < 0x20 || c == 0x7F) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\u%04x", c);
    out->append(buf);
    return;
  }
  out->push_back(static_cast<char>(c));
}

void AppendPadded(std::string_view cell, size_t width, std::string* line) {
  const std::string fitted = FitToWidth(cell, width);
  line->append(fitted);
  line->append(width - fitted.size(), ' ');
}

size_t MaxWidth(const HitRows& rows, std::string THitRow::*field, size_t floor) {
  size_t w = floor;
  THitRow scratch;
  for (size_t i = 0; i < rows.Count(); ++i) w = std::max(w, (rows.Row(i, &scratch).*field).size());
  return w;
}

}  // namespace

BufferedOutput::BufferedOutput(OutputSink* sink, size_t capacity)
    : sink_(sink), capacity_(capacity) {
  buffer_.reserve(capacity + capacity / 4);
}

bool BufferedOutput::Flush() {
  if (!failed_ && !buffer_.empty() && !sink_->Write(buffer_)) failed_ = true;
  buffer_.clear();
  return !failed_;
}

std::string FitToWidth(std::string_view text, size_t width) {
  if (text.size() <= width) return std::string(text);
  const size_t room = width - 3;
  size_t end = 0;
  while (end < text.size()) {
    const size_t n = Cp932CharLength(text.substr(end));
    if (end + n > room) break;
    end += n;
  }
  std::string cut(text.substr(0, end));
  cut.append("...");
  return cut;
}

void AppendJsonText(std::string_view text, bool raw, std::string* out) {
  if (!raw) {
    // UTF-8 holds no ASCII byte inside a longer sequence, so escaping byte by byte is safe.
    std::string utf8;
    AppendCp932AsUtf8(text, &utf8);
    for (char c : utf8) AppendEscapedByte(static_cast<unsigned char>(c), out);
    return;
  }
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    const size_t n = Cp932CharLength(text.substr(i));
    if (n == 2) {
      out->append(text.substr(i, 2));
    } else if (IsLeadByte(c)) {
      out->push_back('?');
    } else {
      AppendEscapedByte(c, out);
    }
    i += n;
  }
}

void WriteTsv(const HitRows& rows, const TextForm& form, BufferedOutput* out) {
  THitRow scratch;
  for (size_t i = 0; i < rows.Count(); ++i) {
    const THitRow& r = rows.Row(i, &scratch);
    std::string& b = out->Buffer();
    b.append(r.Date);
    b.push_back('\t');
    AppendField(r.Folder, form.raw, &b);
    b.push_back('\t');
    AppendField(r.Subject, form.raw, &b);
    b.push_back('\t');
    AppendField(r.From, form.raw, &b);
    b.push_back('\t');
    AppendField(r.MailID, form.raw, &b);
    b.push_back('\n');
    out->Commit();
  }
}

void WriteTable(const HitRows& rows, const TextForm& form, BufferedOutput* out) {
  // One column short of the terminal: a line that fills it exactly wraps on some terminals.
  const size_t columns =
      (form.columns > 0 ? static_cast<size_t>(form.columns) : kDefaultColumns) - 1;
  const size_t date_w = kUnixTextSize;
  const size_t folder_w = std::min(MaxWidth(rows, &THitRow::Folder, 6), kMaxFolderWidth);
  const size_t fixed = date_w + folder_w + 3 * kGap;
  const size_t room = columns > fixed ? columns - fixed : 0;
  // The subject gets what From leaves, but at least its minimum; From then gets the rest.
  size_t from_w = std::min(MaxWidth(rows, &THitRow::From, 4), kMaxFromWidth);
  const size_t subject_w = std::min(MaxWidth(rows, &THitRow::Subject, 7),
                                    std::max(kMinSubjectWidth, room > from_w ? room - from_w : 0));
  from_w = std::min(from_w, std::max(kMinFromWidth, room > subject_w ? room - subject_w : 0));
  const std::string gap(kGap, ' ');

  // Cells are fitted in code page 932, where bytes are columns, and each line is converted
  // once.
  std::string line;
  auto emit = [&](std::string_view date, std::string_view folder, std::string_view subject,
                  std::string_view from) {
    line.clear();
    AppendPadded(date, date_w, &line);
    line += gap;
    AppendPadded(folder, folder_w, &line);
    line += gap;
    AppendPadded(subject, subject_w, &line);
    line += gap;
    line += FitToWidth(from, from_w);
    while (!line.empty() && line.back() == ' ') line.pop_back();
    AppendField(line, form.raw, &out->Buffer());
    out->Buffer().push_back('\n');
    out->Commit();
  };
  emit("Date", "Folder", "Subject", "From");
  THitRow scratch;
  for (size_t i = 0; i < rows.Count(); ++i) {
    const THitRow& r = rows.Row(i, &scratch);
    emit(r.Date, r.Folder, r.Subject, r.From);
  }
  AppendField(std::to_string(rows.Count()) + std::string(kCountWord), form.raw, &out->Buffer());
  out->Buffer().push_back('\n');
  out->Commit();
}

void WriteJson(const HitRows& rows, const TextForm& form, BufferedOutput* out) {
  if (rows.Count() == 0) {
    out->Buffer().append("[]\n");
    out->Commit();
    return;
  }
  const bool raw = form.raw;
  THitRow scratch;
  for (size_t i = 0; i < rows.Count(); ++i) {
    const THitRow& r = rows.Row(i, &scratch);
    std::string& b = out->Buffer();
    b.append(i == 0 ? "[\n{\"date\":\"" : ",\n{\"date\":\"");
    b.append(r.Date);
    b.append("\",\"unix\":");
    b.append(std::to_string(r.DateValue));
    b.append(",\"folder\":\"");
    AppendJsonText(r.Folder, raw, &b);
    b.append("\",\"subject\":\"");
    AppendJsonText(r.Subject, raw, &b);
    b.append("\",\"from\":\"");
    AppendJsonText(r.From, raw, &b);
    b.append("\",\"to\":\"");
    AppendJsonText(r.To, raw, &b);
    b.append("\",\"mail_id\":\"");
    AppendJsonText(r.MailID, raw, &b);
    b.append("\"}");
    out->Commit();
  }
  out->Buffer().append("\n]\n");
  out->Commit();
}

void WriteCount(size_t count, BufferedOutput* out) {
  out->Buffer().append(std::to_string(count));
  out->Buffer().push_back('\n');
  out->Commit();
}

}  // namespace zeldrium::find
