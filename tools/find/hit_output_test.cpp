#include "hit_output.h"

#include "gtest/gtest.h"

namespace zeldrium::find {
namespace {

class StringSink : public OutputSink {
 public:
  std::string text;
  std::vector<size_t> writes;
  size_t refuse_after = SIZE_MAX;  // writes accepted before refusing

  bool Write(std::string_view bytes) override {
    if (writes.size() >= refuse_after) return false;
    writes.push_back(bytes.size());
    text.append(bytes);
    return true;
  }
};

THitRow Row(std::string date, std::string folder, std::string subject, std::string from,
            std::string mail_id, int32_t value = 0, std::string to = "") {
  THitRow r;
  r.Date = std::move(date);
  r.Folder = std::move(folder);
  r.Subject = std::move(subject);
  r.From = std::move(from);
  r.MailID = std::move(mail_id);
  r.DateValue = value;
  r.To = std::move(to);
  return r;
}

std::string Render(void (*write)(const HitRows&, const TextForm&, BufferedOutput*),
                   const std::vector<THitRow>& rows, TextForm form = {}) {
  StringSink sink;
  BufferedOutput out(&sink);
  write(VectorHitRows(rows), form, &out);
  out.Flush();
  return sink.text;
}

TEST(FitToWidthTest, CutsBetweenCharacters) {
  struct Case {
    std::string in;
    size_t width;
    std::string want;
  };
  const Case cases[] = {
      {"short", 10, "short"},
      {"exactly10!", 10, "exactly10!"},
      {"eleven char", 10, "eleven ..."},
      // 会議の件 is 8 columns; at 7 only two characters fit before "...".
      {"\x89\xef\x8b\x63\x82\xcc\x8c\x8f", 7, "\x89\xef\x8b\x63..."},
      {"a\x89\xef\x8b\x63\x82\xcc\x8c\x8f", 8, "a\x89\xef\x8b\x63..."},
      {"\xb6\xc0\xb6\xc5\xb6\xc0\xb6\xc5", 7, "\xb6\xc0\xb6\xc5..."},  // half-width: 1 each
      {"abcd\x83", 4, "a..."},
  };
  for (const Case& c : cases) EXPECT_EQ(FitToWidth(c.in, c.width), c.want) << c.in;
}

TEST(WriteTsvTest, OneLineOfFiveFieldsPerHit) {
  const std::vector<THitRow> rows = {
      Row("2020/09/15 01:13:20", "m.mb\\In\\", "\x89\xef\x8b\x63", "A <a@x>", "m.mb\\In\\?1"),
      Row("2020/09/14 01:00:00", "m.mb\\In\\", "two\tparts\nand\rmore", "B\x80", "m.mb\\In\\?2"),
  };
  EXPECT_EQ(Render(WriteTsv, rows),
            "2020/09/15 01:13:20\tm.mb\\In\\\t会議\tA <a@x>\tm.mb\\In\\?1\n"
            "2020/09/14 01:00:00\tm.mb\\In\\\ttwo parts and more\tB\xEF\xBF\xBD\tm.mb\\In\\?2\n");
  TextForm raw;
  raw.raw = true;
  EXPECT_EQ(Render(WriteTsv, {rows[0]}, raw),
            "2020/09/15 01:13:20\tm.mb\\In\\\t\x89\xef\x8b\x63\tA <a@x>\tm.mb\\In\\?1\n");
  EXPECT_EQ(Render(WriteTsv, {}), "");
}

TEST(AppendJsonTextTest, EscapesWithoutBreakingCharacters) {
  struct Case {
    std::string in;
    bool raw;
    std::string want;
  };
  const Case cases[] = {
      {"say \"hi\" \\ now", false, "say \\\"hi\\\" \\\\ now"},
      {"a\tb\nc\rd\x01\x1f\x7f", false, "a\\tb\\nc\\rd\\u0001\\u001f\\u007f"},
      {"\x83\x5c", false, "ソ"},  // ソ: its second byte is no backslash to escape
      {"\x83\x5c", true, "\x83\x5c"},
      {"\x83\x5c\\", true, "\x83\x5c\\\\"},
      {"x\x81\"", true, "x?\\\""},  // a lone lead byte would swallow the escape's backslash
      {"x\x81\"", false, "x\xEF\xBF\xBD\\\""},
  };
  for (const Case& c : cases) {
    std::string out;
    AppendJsonText(c.in, c.raw, &out);
    EXPECT_EQ(out, c.want) << c.in;
  }
}

TEST(WriteJsonTest, ArrayOfObjects) {
  EXPECT_EQ(Render(WriteJson, {}), "[]\n");
  const std::vector<THitRow> rows = {
      Row("1970/01/01 09:00:00", "m.mb\\", "(\x96\xb3\x91\xe8)", "a", "m.mb\\?k", 32400, "t"),
      Row("1970/01/01 08:59:59", "m.mb\\", "s", "b", "m.mb\\?j", -1, "u"),
  };
  // unix is the mail's own time: field 9 as stored. The date shown is shifted to UTC+9, and
  // date_iso says so; a field 9 so large that the shift wraps shows as 1970, its unix stays.
  EXPECT_EQ(Render(WriteJson, rows),
            "[\n"
            "{\"date\":\"1970/01/01 09:00:00\",\"date_iso\":\"1970-01-01T09:00:00+09:00\","
            "\"unix\":0,\"folder\":\"m.mb\\\\\","
            "\"subject\":\"(無題)\",\"from\":\"a\",\"to\":\"t\",\"mail_id\":\"m.mb\\\\?k\"},\n"
            "{\"date\":\"1970/01/01 08:59:59\",\"date_iso\":\"1970-01-01T08:59:59+09:00\","
            "\"unix\":4294934895,\"folder\":\"m.mb\\\\\","
            "\"subject\":\"s\",\"from\":\"b\",\"to\":\"u\",\"mail_id\":\"m.mb\\\\?j\"}\n"
            "]\n");
  const std::vector<THitRow> real = {
      Row("2026/11/23 04:31:20", "f\\", "s", "f", "f\\?1", 1795408280, "t"),
  };
  const std::string one = Render(WriteJson, real);
  EXPECT_NE(one.find("\"date_iso\":\"2026-11-23T04:31:20+09:00\",\"unix\":1795375880,"),
            std::string::npos)
      << one;
}

TEST(WriteTableTest, AlignsByDisplayWidthAndCounts) {
  const std::vector<THitRow> rows = {
      Row("2020/09/15 01:13:20", "m.mb\\\x89\xc6\x91\xb0\\", "\x89\xef\x8b\x63", "\x95\xea",
          "id1"),  // 家族, 会議, 母
      Row("2020/09/14 01:00:00", "m.mb\\In\\", "plain", "bob", "id2"),
  };
  EXPECT_EQ(Render(WriteTable, rows),
            "Date                 Folder      Subject  From\n"
            "2020/09/15 01:13:20  m.mb\\家族\\  会議     母\n"
            "2020/09/14 01:00:00  m.mb\\In\\    plain    bob\n"
            "2 件\n");
  EXPECT_EQ(Render(WriteTable, {}),
            "Date                 Folder  Subject  From\n"
            "0 件\n");
}

TEST(WriteTableTest, LongTextsAreCutToTheWidth) {
  const std::vector<THitRow> rows = {
      Row("2020/09/15 01:13:20", "f\\", std::string(200, 's'), "from", "id"),
  };
  TextForm form;
  form.columns = 60;
  const std::string text = Render(WriteTable, rows, form);
  const size_t line2 = text.find('\n') + 1;
  const std::string hit = text.substr(line2, text.find('\n', line2) - line2);
  EXPECT_EQ(hit.size(), 59u) << hit;  // a column to spare
  EXPECT_NE(hit.find("sss...  from"), std::string::npos) << hit;

  // A long From is cut too, between characters; in code page 932 bytes are columns.
  std::string from;
  for (int i = 0; i < 30; ++i) from += "\x95\xea";  // 母
  form.columns = 70;
  form.raw = true;
  const std::string raw =
      Render(WriteTable, {Row("2020/09/15 01:13:20", "f\\", "s", from, "id")}, form);
  const size_t start = raw.find('\n') + 1;
  const std::string line = raw.substr(start, raw.find('\n', start) - start);
  EXPECT_LE(line.size(), 69u) << line;
  EXPECT_EQ(line.substr(line.size() - 5), "\x95\xea...") << line;
}

// The words found in colour; the escapes take no column, so the table stays aligned, and a
// word cut short is marked as far as it is shown.
TEST(WriteTableTest, MarksTheWordsFoundWhenAskedTo) {
  TFindRec rec;
  rec.Name = "m";
  rec.Opts[0].Target = kTargetSubject;
  rec.Opts[0].Keyword = "meeting";
  rec.Opts[1].Target = kTargetFrom;
  rec.Opts[1].Keyword = "\x95\xea";  // 母
  const WordHighlighter highlight(rec);
  TextForm form;
  form.highlight = &highlight;
  form.columns = 61;
  const std::vector<THitRow> rows = {
      Row("2020/09/15 01:13:20", "f\\", "MEETING\tnotes", "\x95\xea <m@x>", "id1"),
      Row("2020/09/14 01:00:00", "f\\", std::string(20, 'x') + "meeting", "bob", "id2"),
  };
  EXPECT_EQ(Render(WriteTable, rows, form),
            "Date                 Folder  Subject                From\n"
            "2020/09/15 01:13:20  f\\      \x1b[01;31mMEETING\x1b[0m notes          "
            "\x1b[01;31m母\x1b[0m <m@x>\n"
            "2020/09/14 01:00:00  f\\      xxxxxxxxxxxxxxxxxx...  bob\n"
            "2 件\n");
  form.columns = 62;
  const std::string cut = Render(WriteTable, {rows[1]}, form);
  EXPECT_NE(cut.find("xxxxxxxxxxxxxxxxxxxx\x1b[01;31mmee\x1b[0m...  bob\n"), std::string::npos)
      << cut;
  form.raw = true;
  EXPECT_NE(Render(WriteTable, {rows[0]}, form).find("  \x1b[01;31m\x95\xea\x1b[0m <m@x>\n"),
            std::string::npos);
}

TEST(WriteFoldersTest, TsvAndJson) {
  const std::vector<FolderLines> folders = {{"m.mb\\", 0}, {"m.mb\\\x89\xc6\x91\xb0\\", 12}};
  StringSink sink;
  BufferedOutput out(&sink);
  WriteFoldersTsv(folders, false, &out);
  WriteFoldersTsv(folders, true, &out);
  WriteFoldersJson(folders, &out);
  WriteFoldersJson({}, &out);
  out.Flush();
  EXPECT_EQ(sink.text,
            "m.mb\\\t0\nm.mb\\家族\\\t12\n"
            "m.mb\\\t0\nm.mb\\\x89\xc6\x91\xb0\\\t12\n"
            "[\n{\"folder\":\"m.mb\\\\\",\"lines\":0},\n"
            "{\"folder\":\"m.mb\\\\家族\\\\\",\"lines\":12}\n]\n"
            "[]\n");
}

TEST(BufferedOutputTest, WritesInLargePiecesAndStopsWhenRefused) {
  StringSink sink;
  BufferedOutput out(&sink, 100);
  for (int i = 0; i < 50; ++i) {
    out.Buffer().append("0123456789");
    out.Commit();
  }
  out.Flush();
  EXPECT_EQ(sink.text.size(), 500u);
  EXPECT_EQ(sink.writes, (std::vector<size_t>{100, 100, 100, 100, 100}));

  StringSink refusing;
  refusing.refuse_after = 1;
  BufferedOutput out2(&refusing, 10);
  for (int i = 0; i < 5; ++i) {
    out2.Buffer().append("0123456789");
    out2.Commit();
  }
  EXPECT_FALSE(out2.Flush());
  EXPECT_TRUE(out2.Failed());
  EXPECT_EQ(refusing.text, "0123456789");
}

}  // namespace
}  // namespace zeldrium::find
