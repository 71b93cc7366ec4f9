#include "hit_output.h"

#include <algorithm>
#include <cstdio>

#include "store/folder_idx.h"
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

// Blanks the control bytes of out from start on. Safe on both encodings: no UTF-8 sequence and
// no second byte of a code page 932 character holds a byte below 0x40.
void BlankControls(std::string* out, size_t start) {
  for (size_t i = start; i < out->size(); ++i) {
    if (IsControlByte(static_cast<unsigned char>((*out)[i]))) (*out)[i] = ' ';
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
  if (IsControlByte(c)) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\u%04x", c);
    out->append(buf);
    return;
  }
  out->push_back(static_cast<char>(c));
}

// Appends cell fitted to width (padded when pad) to *line, and where its words found now stand
// in the line to *marks. A word cut by the fitting is marked as far as it is shown.
void AppendCell(std::string_view cell, size_t width, bool pad, const Ranges& found,
                std::string* line, Ranges* marks) {
  const std::string fitted = FitToWidth(cell, width);
  if (!found.empty()) {
    const size_t shown = fitted.size() < cell.size() ? fitted.size() - 3 : fitted.size();
    for (const auto& [begin, end] : found) {
      if (begin >= shown) break;
      marks->emplace_back(line->size() + begin, line->size() + std::min(end, shown));
    }
  }
  line->append(fitted);
  if (pad) line->append(width - fitted.size(), ' ');
}

// SGR sequences as grep uses them for its matches: bold red, then back to normal.
constexpr std::string_view kMarkOn = "\x1b[01;31m";
constexpr std::string_view kMarkOff = "\x1b[0m";

// Appends a table line, encoded, its marked ranges between colour escapes.
void AppendMarkedLine(std::string_view line, const Ranges& marks, bool raw, std::string* out) {
  size_t done = 0;
  for (const auto& [begin, end] : marks) {
    const size_t to = std::min(end, line.size());
    if (begin >= to) continue;
    AppendField(line.substr(done, begin - done), raw, out);
    out->append(kMarkOn);
    AppendField(line.substr(begin, to - begin), raw, out);
    out->append(kMarkOff);
    done = to;
  }
  AppendField(line.substr(done), raw, out);
}

// "yyyy/mm/dd hh:mm:ss" as ISO 8601 with the offset of the shown time, UTC+9.
void AppendIsoDate(std::string_view date, std::string* out) {
  const size_t start = out->size();
  out->append(date);
  (*out)[start + 4] = '-';
  (*out)[start + 7] = '-';
  (*out)[start + 10] = 'T';
  out->append("+09:00");
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
  Ranges marks;
  const Ranges none;
  Ranges in_subject;
  Ranges in_from;
  auto emit = [&](std::string_view date, std::string_view folder, std::string_view subject,
                  std::string_view from) {
    line.clear();
    marks.clear();
    AppendCell(date, date_w, true, none, &line, &marks);
    line += gap;
    AppendCell(folder, folder_w, true, none, &line, &marks);
    line += gap;
    AppendCell(subject, subject_w, true, in_subject, &line, &marks);
    line += gap;
    AppendCell(from, from_w, false, in_from, &line, &marks);
    while (!line.empty() && line.back() == ' ') line.pop_back();
    AppendMarkedLine(line, marks, form.raw, &out->Buffer());
    out->Buffer().push_back('\n');
    out->Commit();
  };
  emit("Date", "Folder", "Subject", "From");
  THitRow scratch;
  for (size_t i = 0; i < rows.Count(); ++i) {
    const THitRow& r = rows.Row(i, &scratch);
    if (form.highlight) {
      in_subject = form.highlight->Find(Column::kSubject, r);
      in_from = form.highlight->Find(Column::kFrom, r);
    }
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
    b.append("\",\"date_iso\":\"");
    AppendIsoDate(r.Date, &b);
    b.append("\",\"unix\":");
    // The shift is undone in unsigned arithmetic, which gives field 9's low 32 bits back.
    b.append(
        std::to_string(static_cast<uint32_t>(r.DateValue) - static_cast<uint32_t>(kIdxDateShift)));
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

void WriteFoldersTsv(const std::vector<FolderLines>& folders, bool raw, BufferedOutput* out) {
  for (const FolderLines& f : folders) {
    std::string& b = out->Buffer();
    AppendField(f.id, raw, &b);
    b.push_back('\t');
    b.append(std::to_string(f.lines));
    b.push_back('\n');
    out->Commit();
  }
}

void WriteFoldersJson(const std::vector<FolderLines>& folders, BufferedOutput* out) {
  std::string& b = out->Buffer();
  if (folders.empty()) b.append("[]");
  for (size_t i = 0; i < folders.size(); ++i) {
    b.append(i == 0 ? "[\n{\"folder\":\"" : ",\n{\"folder\":\"");
    AppendJsonText(folders[i].id, false, &b);
    b.append("\",\"lines\":");
    b.append(std::to_string(folders[i].lines));
    b.append("}");
  }
  b.append(folders.empty() ? "\n" : "\n]\n");
  out->Commit();
}

}  // namespace zeldrium::find
