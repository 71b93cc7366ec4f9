#include "tools/standin_host/script.h"

#include <charconv>

namespace standin {
namespace {

struct Command {
  std::string_view name;
  StepKind kind;
  enum Arg { kNone, kRequired, kOptional } arg;
};

constexpr Command kCommands[] = {
    {"open-folder", StepKind::kOpenFolder, Command::kRequired},
    {"select-mail", StepKind::kSelectMail, Command::kRequired},
    {"menu", StepKind::kMenu, Command::kRequired},
    {"setup", StepKind::kSetup, Command::kOptional},
    {"wait", StepKind::kWait, Command::kRequired},
    {"windows", StepKind::kWindows, Command::kNone},
    {"print-menus", StepKind::kPrintMenus, Command::kNone},
    {"focus", StepKind::kFocus, Command::kRequired},
    {"type", StepKind::kType, Command::kRequired},
    {"key", StepKind::kKey, Command::kRequired},
    {"screenshot", StepKind::kScreenshot, Command::kRequired},
    {"screenshot-modal", StepKind::kScreenshotModal, Command::kRequired},
    {"click", StepKind::kClick, Command::kRequired},
    {"quit", StepKind::kQuit, Command::kNone},
};

struct NamedKey {
  std::string_view name;
  uint8_t vk;
};

// Virtual-key codes, so that this file needs no windows.h.
constexpr NamedKey kKeys[] = {
    {"enter", 0x0D},  {"return", 0x0D}, {"esc", 0x1B},       {"escape", 0x1B}, {"tab", 0x09},
    {"space", 0x20},  {"back", 0x08},   {"backspace", 0x08}, {"delete", 0x2E}, {"del", 0x2E},
    {"insert", 0x2D}, {"home", 0x24},   {"end", 0x23},       {"pageup", 0x21}, {"pagedown", 0x22},
    {"left", 0x25},   {"up", 0x26},     {"right", 0x27},     {"down", 0x28},   {"apps", 0x5D},
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (IsBlank(s.front()) || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// Splits off the first word; *rest gets what follows it, trimmed.
std::string_view FirstWord(std::string_view s, std::string_view* rest) {
  size_t end = 0;
  while (end < s.size() && !IsBlank(s[end])) ++end;
  *rest = Trim(s.substr(end));
  return s.substr(0, end);
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

bool ParseNumber(std::string_view text, int low, int high, int* value) {
  if (text.empty() || text.front() == '+' || text.front() == '-') return false;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return ec == std::errc() && end == text.data() + text.size() && *value >= low && *value <= high;
}

// Fills the step's arguments from the text after its command word; false with step->error.
bool ParseArguments(std::string_view rest, Step* step) {
  switch (step->kind) {
    case StepKind::kMenu: {
      std::string_view caption;
      std::string_view which = FirstWord(rest, &caption);
      if (which == "main") {
        step->menu = MenuKind::kMain;
      } else if (which == "list") {
        step->menu = MenuKind::kList;
      } else if (which == "tree") {
        step->menu = MenuKind::kTree;
      } else {
        step->error = "menu: the menu is main, list or tree, not '" + std::string(which) + "'";
        return false;
      }
      if (caption.empty()) {
        step->error = "menu: the caption of the item to choose is missing";
        return false;
      }
      step->arg = std::string(caption);
      return true;
    }
    case StepKind::kWait:
      if (!ParseNumber(rest, 0, kMaxWaitMs, &step->number)) {
        step->error = "wait: '" + std::string(rest) +
                      "' is not a number of milliseconds from 0 to " + std::to_string(kMaxWaitMs);
        return false;
      }
      return true;
    case StepKind::kSetup:
      step->number = 1;
      if (!rest.empty() && !ParseNumber(rest, 1, 1000, &step->number)) {
        step->error = "setup: '" + std::string(rest) + "' is not a plug-in number (1, 2, ...)";
        return false;
      }
      return true;
    case StepKind::kKey:
      return ParseKey(rest, &step->key, &step->error);
    case StepKind::kClick: {
      size_t split = rest.rfind(" > ");
      if (split == std::string_view::npos) {
        step->error = "click: expected CAPTION > BUTTON";
        return false;
      }
      step->arg = std::string(Trim(rest.substr(0, split)));
      step->child = std::string(Trim(rest.substr(split + 3)));
      if (step->arg.empty() || step->child.empty()) {
        step->error = "click: expected CAPTION > BUTTON";
        return false;
      }
      return true;
    }
    case StepKind::kFocus: {
      // The caption may hold ">" only when a control follows: the last " > " splits.
      size_t split = rest.rfind(" > ");
      if (split == std::string_view::npos) {
        step->arg = std::string(rest);
      } else {
        step->arg = std::string(Trim(rest.substr(0, split)));
        step->child = std::string(Trim(rest.substr(split + 3)));
      }
      // The line was trimmed, so a control left out shows as a caption ending in " >".
      bool no_control = rest.size() >= 2 && rest.substr(rest.size() - 2) == " >";
      if (step->arg.empty() || no_control ||
          (split != std::string_view::npos && step->child.empty())) {
        step->error = "focus: expected CAPTION or CAPTION > CONTROL";
        return false;
      }
      return true;
    }
    default:
      step->arg = std::string(rest);
      return true;
  }
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    size_t n;
    uint32_t min, cp;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      n = 1, min = 0x80, cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      n = 2, min = 0x800, cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      n = 3, min = 0x10000, cp = c & 0x07;
    } else {
      return false;
    }
    if (text.size() - i - 1 < n) return false;
    for (size_t k = 1; k <= n; ++k) {
      unsigned char t = static_cast<unsigned char>(text[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      cp = cp << 6 | (t & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += n + 1;
  }
  return true;
}

bool ParseKey(std::string_view name, KeyChord* key, std::string* err) {
  KeyChord chord;
  std::string_view rest = Trim(name);
  // Modifiers come first, each ended by "+"; a lone "+" key is not offered.
  for (size_t plus; (plus = rest.find('+')) != std::string_view::npos;) {
    std::string_view mod = rest.substr(0, plus);
    if (EqualsIgnoringCase(mod, "ctrl") || EqualsIgnoringCase(mod, "control")) {
      chord.ctrl = true;
    } else if (EqualsIgnoringCase(mod, "shift")) {
      chord.shift = true;
    } else if (EqualsIgnoringCase(mod, "alt")) {
      chord.alt = true;
    } else {
      *err = "key: '" + std::string(mod) + "' is not Ctrl, Shift or Alt";
      return false;
    }
    rest = rest.substr(plus + 1);
  }
  if (rest.size() == 1 &&
      ((rest[0] >= 'A' && rest[0] <= 'Z') || (rest[0] >= 'a' && rest[0] <= 'z') ||
       (rest[0] >= '0' && rest[0] <= '9'))) {
    chord.vk = static_cast<uint8_t>(rest[0] >= 'a' ? rest[0] - 32 : rest[0]);
  } else if (rest.size() >= 2 && (rest[0] == 'F' || rest[0] == 'f')) {
    int n = 0;
    if (!ParseNumber(rest.substr(1), 1, 12, &n)) {
      *err = "key: unknown key '" + std::string(rest) + "'";
      return false;
    }
    chord.vk = static_cast<uint8_t>(0x70 + n - 1);
  } else {
    for (const NamedKey& k : kKeys) {
      if (EqualsIgnoringCase(rest, k.name)) chord.vk = k.vk;
    }
    if (chord.vk == 0) {
      *err = "key: unknown key '" + std::string(rest) + "'";
      return false;
    }
  }
  *key = chord;
  return true;
}

std::string_view StepName(StepKind kind) {
  for (const Command& c : kCommands) {
    if (c.kind == kind) return c.name;
  }
  return "(invalid)";
}

std::vector<Step> ParseScript(std::string_view text) {
  std::vector<Step> steps;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  int line_number = 0;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = Trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++line_number;
    if (line.empty() || line.front() == '#') continue;

    Step step;
    step.line = line_number;
    step.source = std::string(line);
    if (!IsValidUtf8(line)) {
      // The echo must not carry the bad bytes on to the output.
      step.source = "(not UTF-8)";
      step.error = "the line is not UTF-8";
      steps.push_back(std::move(step));
      continue;
    }
    std::string_view rest;
    std::string_view word = FirstWord(line, &rest);
    const Command* command = nullptr;
    for (const Command& c : kCommands) {
      if (c.name == word) command = &c;
    }
    if (!command) {
      step.error = "unknown command '" + std::string(word) + "'";
    } else if (command->arg == Command::kNone && !rest.empty()) {
      step.error = std::string(word) + " takes no argument";
    } else if (command->arg == Command::kRequired && rest.empty()) {
      step.error = std::string(word) + " needs an argument";
    } else {
      step.kind = command->kind;
      if (!ParseArguments(rest, &step)) step.kind = StepKind::kInvalid;
    }
    steps.push_back(std::move(step));
  }
  return steps;
}

}  // namespace standin
