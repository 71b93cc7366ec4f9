// Reading session scripts: what each line becomes, and what a wrong line is told.
#include "tools/standin_host/script.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace standin {
namespace {

struct LineCase {
  std::string line;
  StepKind kind;
  std::string arg;         // for kInvalid: a part of the error
  std::string child = "";  // focus only
  int number = 0;
};

TEST(ScriptTest, EachLineBecomesItsStep) {
  const LineCase cases[] = {
      {"open-folder Main.mb\\Inbox\\", StepKind::kOpenFolder, "Main.mb\\Inbox\\"},
      {"open-folder   \xe5\x8f\x97\xe4\xbf\xa1\xe7\xae\xb1  ", StepKind::kOpenFolder,
       "\xe5\x8f\x97\xe4\xbf\xa1\xe7\xae\xb1"},  // 受信箱, blanks around it dropped
      {"select-mail #3", StepKind::kSelectMail, "#3"},
      {"\tmenu main \xe3\x82\xaf\xe3\x82\xa4\xe3\x83\x83\xe3\x82\xaf\xe6\xa4\x9c\xe7\xb4\xa2...",
       StepKind::kMenu,
       "\xe3\x82\xaf\xe3\x82\xa4\xe3\x83\x83\xe3\x82\xaf\xe6\xa4\x9c\xe7\xb4\xa2..."},
      {"menu list Save as draft", StepKind::kMenu, "Save as draft"},  // blanks inside a caption
      {"setup", StepKind::kSetup, "", "", 1},
      {"setup 2", StepKind::kSetup, "", "", 2},
      {"wait 0", StepKind::kWait, "", "", 0},
      {"wait 600000", StepKind::kWait, "", "", 600000},
      {"windows", StepKind::kWindows, ""},
      {"print-menus", StepKind::kPrintMenus, ""},
      {"focus Search > Edit", StepKind::kFocus, "Search", "Edit"},
      {"focus A > B > Edit", StepKind::kFocus, "A > B", "Edit"},  // the last " > " splits
      {"focus a>b", StepKind::kFocus, "a>b", ""},
      {"type  two  words ", StepKind::kType, "two  words"},
      {"screenshot out dir\\shot.bmp", StepKind::kScreenshot, "out dir\\shot.bmp"},
      {"quit", StepKind::kQuit, ""},
      // Wrong lines, each with a part of what the user is told.
      {"Open-Folder x", StepKind::kInvalid, "unknown command 'Open-Folder'"},
      {"open-folder", StepKind::kInvalid, "needs an argument"},
      {"windows all", StepKind::kInvalid, "takes no argument"},
      {"quit now", StepKind::kInvalid, "takes no argument"},
      {"menu bar File", StepKind::kInvalid, "main, list or tree, not 'bar'"},
      {"menu main", StepKind::kInvalid, "caption of the item to choose is missing"},
      {"wait 1.5", StepKind::kInvalid, "not a number of milliseconds"},
      {"wait -1", StepKind::kInvalid, "not a number of milliseconds"},
      {"wait 600001", StepKind::kInvalid, "not a number of milliseconds"},
      {"wait 99999999999999999999", StepKind::kInvalid, "not a number of milliseconds"},
      {"setup 0", StepKind::kInvalid, "not a plug-in number"},
      {"setup first", StepKind::kInvalid, "not a plug-in number"},
      {"focus Search > ", StepKind::kInvalid, "CAPTION > CONTROL"},
      {"key Hyper+A", StepKind::kInvalid, "'Hyper' is not Ctrl, Shift or Alt"},
      {"key F13", StepKind::kInvalid, "unknown key 'F13'"},
      {"open-folder \xff\xfe", StepKind::kInvalid, "not UTF-8"},
  };
  for (const LineCase& c : cases) {
    std::vector<Step> steps = ParseScript(c.line);
    ASSERT_EQ(steps.size(), 1u) << c.line;
    const Step& step = steps[0];
    EXPECT_EQ(step.kind, c.kind) << c.line << " -> " << step.error;
    if (c.kind == StepKind::kInvalid) {
      EXPECT_NE(step.error.find(c.arg), std::string::npos) << c.line << " -> " << step.error;
      continue;
    }
    EXPECT_EQ(step.arg, c.arg) << c.line;
    EXPECT_EQ(step.child, c.child) << c.line;
    if (c.kind == StepKind::kWait || c.kind == StepKind::kSetup) {
      EXPECT_EQ(step.number, c.number) << c.line;
    }
  }
}

TEST(ScriptTest, KeepsLineNumbersAndGoesOnPastBadLines) {
  std::vector<Step> steps = ParseScript(
      "\xef\xbb\xbf# a comment first, after a byte-order mark\r\n"
      "\r\n"
      "open-folder #1\r\n"
      "   # an indented comment\n"
      "frobnicate\n"
      "\xc3\x28 bad bytes\n"
      "quit");  // no line break at the end
  ASSERT_EQ(steps.size(), 4u);
  EXPECT_EQ(steps[0].line, 3);
  EXPECT_EQ(steps[0].kind, StepKind::kOpenFolder);
  EXPECT_EQ(steps[0].arg, "#1");  // no CR left on it
  EXPECT_EQ(steps[1].line, 5);
  EXPECT_EQ(steps[1].kind, StepKind::kInvalid);
  EXPECT_EQ(steps[1].source, "frobnicate");
  EXPECT_EQ(steps[2].line, 6);
  EXPECT_EQ(steps[2].kind, StepKind::kInvalid);
  // The echo of a line must not carry bytes that are not UTF-8 on to the output.
  EXPECT_TRUE(IsValidUtf8(steps[2].source)) << steps[2].source;
  EXPECT_EQ(steps[3].line, 7);
  EXPECT_EQ(steps[3].kind, StepKind::kQuit);
  EXPECT_TRUE(ParseScript("").empty());
  EXPECT_TRUE(ParseScript("\n\n# only comments\n").empty());
}

TEST(ScriptTest, KeysAndModifiers) {
  struct Case {
    std::string name;
    KeyChord key;
  };
  const Case cases[] = {
      {"Enter", {0x0D}},
      {"return", {0x0D}},
      {"ESC", {0x1B}},
      {"a", {'A'}},
      {"Z", {'Z'}},
      {"7", {'7'}},
      {"F1", {0x70}},
      {"f12", {0x7B}},
      {"Down", {0x28}},
      {"PageDown", {0x22}},
      {"Ctrl+A", {'A', true}},
      {"control+shift+Tab", {0x09, true, true}},
      {"Alt+F4", {0x73, false, false, true}},
      {" Shift+Delete ", {0x2E, false, true}},
  };
  for (const Case& c : cases) {
    KeyChord key;
    std::string err;
    EXPECT_TRUE(ParseKey(c.name, &key, &err)) << c.name << ": " << err;
    EXPECT_EQ(key, c.key) << c.name;
  }
  for (const char* bad : {"", "Ctrl+", "+", "AB", "F0", "F1x", "Enter+Ctrl", "\xe3\x81\x82"}) {
    KeyChord key;
    std::string err;
    EXPECT_FALSE(ParseKey(bad, &key, &err)) << bad;
    EXPECT_FALSE(err.empty()) << bad;
  }
}

TEST(ScriptTest, Utf8Validation) {
  EXPECT_TRUE(IsValidUtf8("plain ascii"));
  EXPECT_TRUE(IsValidUtf8("\xe4\xbc\x9a\xe8\xad\xb0"));  // 会議
  EXPECT_TRUE(IsValidUtf8("\xf0\x9f\x93\xa7"));          // U+1F4E7, four bytes
  EXPECT_FALSE(IsValidUtf8("\xc0\xaf"));                 // overlong "/"
  EXPECT_FALSE(IsValidUtf8("\xed\xa0\x80"));             // a surrogate
  EXPECT_FALSE(IsValidUtf8("\xf4\x90\x80\x80"));         // past U+10FFFF
  EXPECT_FALSE(IsValidUtf8("\xe4\xbc"));                 // cut short at the end
  EXPECT_FALSE(IsValidUtf8("\x83\x5c"));                 // ソ in code page 932
}

}  // namespace
}  // namespace standin
