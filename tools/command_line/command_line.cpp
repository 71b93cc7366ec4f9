#include "command_line.h"

#include <charconv>

namespace zeldrium::cli {
namespace {

std::string Quoted(std::string_view s) {
  std::string q = "'";
  q.append(s);
  q.push_back('\'');
  return q;
}

const Option* FindLong(std::span<const Option> table, std::string_view name) {
  for (const Option& o : table) {
    if (o.long_name != nullptr && name == o.long_name) return &o;
  }
  return nullptr;
}

const Option* FindShort(std::span<const Option> table, char name) {
  for (const Option& o : table) {
    if (o.short_name != '\0' && o.short_name == name) return &o;
  }
  return nullptr;
}

std::string Synopsis(const Option& o) {
  std::string s = std::string("--") + o.long_name;
  if (o.value != nullptr) s += std::string(" ") + o.value;
  return s;
}

class Parser {
 public:
  Parser(std::span<const Option> table, const std::vector<std::string>& args)
      : table_(table), args_(args) {}

  CommandLine Run() {
    bool options_ended = false;
    for (i_ = 0; i_ < args_.size(); ++i_) {
      const std::string& arg = args_[i_];
      if (options_ended || arg.size() < 2 || arg[0] != '-') {
        out_.operands.push_back(arg);
      } else if (arg == "--") {
        options_ended = true;
      } else if (arg[1] == '-') {
        Long(arg);
      } else {
        Shorts(arg);
      }
    }
    return std::move(out_);
  }

 private:
  void Problem(std::string text) {
    if (out_.error.empty()) out_.error = std::move(text);
  }

  // The next argument as the value of option o, if there is one.
  bool TakeNext(const Option& o, std::string_view written, std::string* value) {
    if (i_ + 1 == args_.size()) {
      Problem(std::string(written) + " needs a value: " + Synopsis(o));
      return false;
    }
    *value = args_[++i_];
    return true;
  }

  void Long(std::string_view arg) {
    std::string_view name = arg;
    std::string value;
    const size_t eq = arg.find('=');
    if (eq != std::string_view::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
    }
    const Option* o = FindLong(table_, name.substr(2));
    if (o == nullptr) {
      Problem("unknown option " + Quoted(name));
      return;
    }
    if (o->value == nullptr && eq != std::string_view::npos) {
      Problem(std::string(name) + " takes no value");
      return;
    }
    if (o->value != nullptr && eq == std::string_view::npos && !TakeNext(*o, name, &value)) {
      return;
    }
    out_.options.push_back({o->id, std::string(name), std::move(value)});
  }

  void Shorts(std::string_view arg) {
    for (size_t k = 1; k < arg.size(); ++k) {
      const std::string written = std::string("-") + arg[k];
      const Option* o = FindShort(table_, arg[k]);
      if (o == nullptr) {
        // Only ASCII can name a short option; anything else is shown whole.
        const bool ascii = static_cast<unsigned char>(arg[k]) < 0x80;
        Problem("unknown option " + Quoted(ascii ? std::string_view(written) : arg));
        return;
      }
      if (o->value == nullptr) {
        out_.options.push_back({o->id, written, {}});
        continue;
      }
      std::string value(arg.substr(k + 1));
      if (value.empty() && !TakeNext(*o, written, &value)) return;
      out_.options.push_back({o->id, written, std::move(value)});
      return;
    }
  }

  std::span<const Option> table_;
  const std::vector<std::string>& args_;
  size_t i_ = 0;
  CommandLine out_;
};

}  // namespace

bool CommandLine::Has(int id) const {
  for (const GivenOption& o : options) {
    if (o.id == id) return true;
  }
  return false;
}

CommandLine ParseCommandLine(std::span<const Option> table, const std::vector<std::string>& args) {
  return Parser(table, args).Run();
}

std::string FormatOptions(std::span<const Option> table, size_t column) {
  std::string text;
  for (const Option& o : table) {
    std::string head = "  ";
    head += o.short_name != '\0' ? std::string("-") + o.short_name + ", " : "    ";
    head += Synopsis(o);
    text += head;
    if (head.size() + 2 > column) {
      text += '\n';
      text += std::string(column, ' ');
    } else {
      text += std::string(column - head.size(), ' ');
    }
    for (const char* p = o.help; *p; ++p) {
      text += *p;
      if (*p == '\n') text += std::string(column, ' ');
    }
    text += '\n';
  }
  return text;
}

std::string UsageErrorText(std::string_view program, std::string_view problem) {
  std::string text(program);
  text += ": ";
  text += problem;
  text += "\nTry '";
  text += program;
  text += " --help' for more information.\n";
  return text;
}

bool ParseDecimal(std::string_view option, std::string_view text, uint64_t min, uint64_t max,
                  uint64_t* value, std::string* err) {
  uint64_t v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  const bool digits_only = !text.empty() && text.front() >= '0' && text.front() <= '9';
  if (!digits_only || ec == std::errc::invalid_argument || end != text.data() + text.size()) {
    *err = std::string(option) + " expects a decimal number, not " + Quoted(text);
    return false;
  }
  if (ec == std::errc::result_out_of_range || v < min || v > max) {
    *err = std::string(option) + " must be between " + std::to_string(min) + " and " +
           std::to_string(max) + ", not " + std::string(text);
    return false;
  }
  *value = v;
  return true;
}

}  // namespace zeldrium::cli
