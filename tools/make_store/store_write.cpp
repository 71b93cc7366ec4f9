#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>

#include "store_gen.h"
#include "text/str_libs.h"

namespace zeldrium::make_store {
namespace {

constexpr char kSep = '\x01';
constexpr size_t kFlushBytes = size_t{4} << 20;

// 2003-01-01 and 2027-01-01, 00:00:00 UTC.
constexpr int64_t kFirstDate = 1041379200;
constexpr int64_t kEndDate = 1798761600;

void AppendUnsigned(uint64_t v, std::string* out) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof(buf), v);
  out->append(buf, r.ptr);
}

void AppendHex(uint64_t v, int min_digits, bool upper, std::string* out) {
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  char buf[16];
  int n = 0;
  do {
    buf[n++] = digits[v & 15];
    v >>= 4;
  } while (v != 0 || n < min_digits);
  while (n > 0) out->push_back(buf[--n]);
}

void AppendPadded(uint64_t v, int width, std::string* out) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof(buf), v);
  for (int pad = width - static_cast<int>(r.ptr - buf); pad > 0; --pad) out->push_back('0');
  out->append(buf, r.ptr);
}

struct Person {
  enum Kind { kJapanese, kEnglish, kOrganisation } kind;
  const PersonName* family = nullptr;  // last name for kEnglish
  const PersonName* given = nullptr;   // first name for kEnglish
  const Organisation* org = nullptr;
  unsigned name_joint = 0;  // Japanese names: blank, nothing or ideographic space
  std::string address;
};

Person MakePerson(const Lexicon& lex, Rng& rng, unsigned ja_permille) {
  Person p;
  if (rng.PerMille(110)) {
    p.kind = Person::kOrganisation;
    p.org = &rng.Pick(lex.organisations);
    p.address = p.org->address;
    return p;
  }
  bool ja = rng.PerMille(ja_permille);
  p.kind = ja ? Person::kJapanese : Person::kEnglish;
  p.family = &rng.Pick(ja ? lex.ja_family : lex.en_last);
  p.given = &rng.Pick(ja ? lex.ja_given : lex.en_first);
  p.name_joint = static_cast<unsigned>(rng.Below(10));
  switch (rng.Below(4)) {
    case 0:
      p.address = p.given->roman + "." + p.family->roman;
      break;
    case 1:
      p.address = p.family->roman;
      break;
    case 2:
      p.address = p.given->roman.substr(0, 1) + p.family->roman;
      break;
    default:
      p.address = p.family->roman + "-" + p.given->roman;
      break;
  }
  p.address += '@';
  p.address += rng.Pick(lex.domains);
  return p;
}

void AppendDisplayName(const Lexicon& lex, const Person& p, std::string* out) {
  if (p.kind == Person::kOrganisation) {
    *out += p.org->name;
  } else if (p.kind == Person::kJapanese) {
    *out += p.family->text;
    if (p.name_joint < 7) {
      out->push_back(' ');
    } else if (p.name_joint == 9) {
      *out += lex.ideographic_space;
    }
    *out += p.given->text;
  } else {
    *out += p.given->text;
    out->push_back(' ');
    *out += p.family->text;
  }
}

// The spellings mail programs put into From and To.
void AppendMailbox(const Lexicon& lex, const Person& p, Rng& rng, std::string* out) {
  uint64_t form = rng.Below(100);
  if (p.kind == Person::kEnglish && form < 15) {
    *out += '"';
    *out += p.family->text;
    *out += ", ";
    *out += p.given->text;
    *out += "\" <" + p.address + '>';
  } else if (form < 50 || (p.kind == Person::kOrganisation && form < 85)) {
    AppendDisplayName(lex, p, out);
    *out += " <" + p.address + '>';
  } else if (form < 65 || p.kind == Person::kOrganisation) {
    *out += '"';
    AppendDisplayName(lex, p, out);
    *out += "\" <" + p.address + '>';
  } else if (form < 85) {
    *out += p.address;
  } else if (form < 93) {
    *out += '<' + p.address + '>';
  } else {
    *out += p.address + " (";
    AppendDisplayName(lex, p, out);
    *out += ')';
  }
}

void AppendTemplate(const Template& t, Rng& rng, std::string* out) {
  for (size_t i = 0; i < t.parts.size(); ++i) {
    *out += t.parts[i];
    if (t.holes[i] == Template::kMonth) AppendUnsigned(rng.Between(1, 12), out);
    if (t.holes[i] == Template::kNumber) AppendUnsigned(rng.Between(1, 9999), out);
  }
}

// The subjects that make a search interesting, each with its cumulative share of the lines.
struct Oddity {
  unsigned below_per_mille;
  std::vector<std::string> Lexicon::*subjects;
};
constexpr Oddity kOddities[] = {
    {8, &Lexicon::blank_subjects},
    {10, &Lexicon::wide_blank_subjects},
    {25, &Lexicon::backslash_trail_subjects},
    {37, &Lexicon::full_width_subjects},
    {52, &Lexicon::case_variant_subjects},
    {64, &Lexicon::quote_comma_subjects},
    {70, &Lexicon::half_width_kana_subjects},
    {72, &Lexicon::raw_mime_subjects},
};

// Generates the index lines of one folder. Every random choice comes from the folder's own
// stream, so a folder's content depends only on the seed, its place in the plan and its size.
class FolderLines {
 public:
  FolderLines(const Lexicon& lex, const StorePlan& plan, size_t dir_index, uint64_t seed)
      : lex_(lex), folder_(plan.dirs[dir_index]), rng_(MixSeed(seed, dir_index + 1)) {
    Rng owner_rng(MixSeed(seed, (uint64_t{1} << 32) + folder_.mailbox));
    do {
      owner_ = MakePerson(lex, owner_rng, folder_.mailbox % 2 == 0 ? 1000 : 0);
    } while (owner_.kind == Person::kOrganisation);
    number_ = rng_.Between(1, 5000);
    offset_ = rng_.Below(1000) * 1024;
    key_base_ = static_cast<uint32_t>(rng_.Next());
    key_stride_ = static_cast<uint32_t>(rng_.Next()) | 1;  // odd: keys never repeat in 2^32
    serial_ = rng_.Between(1, 20000);
    upper_hex_ = dir_index % 2 == 1;
    if (folder_.year != 0) {
      first_ = DaysFromCivil(folder_.year, 1, 1) * 86400;
      end_ = DaysFromCivil(folder_.year + 1, 1, 1) * 86400;
    }
  }

  void Append(std::string* out) {
    uint64_t size = rng_.PerMille(100) ? rng_.Between(20000, 3000000) : rng_.Between(600, 9000);
    int64_t date = Date();

    AppendUnsigned(number_++, out);
    out->push_back(kSep);
    AppendHex(key_base_ + key_stride_ * static_cast<uint32_t>(count_++), 8, true, out);
    out->push_back(kSep);
    AppendUnsigned(offset_, out);
    offset_ += size;
    out->push_back(kSep);
    bool reply = AppendSubject(out);
    out->push_back(kSep);
    AppendFrom(out);
    out->push_back(kSep);
    AppendTo(out);
    out->push_back(kSep);
    AppendMessageId(date, out);
    out->push_back(kSep);
    AppendUnsigned(Flags(reply), out);
    out->push_back(kSep);
    AppendHex(static_cast<uint64_t>(date), 1, rng_.PerMille(100) ? !upper_hex_ : upper_hex_, out);
    out->push_back(kSep);
    AppendUnsigned(size, out);
    out->push_back(kSep);
    AppendUnsigned(rng_.PerMille(50) ? rng_.Between(1, 5) : 3, out);  // priority
    out->push_back(kSep);
    if (reply) AppendMessageId(date - static_cast<int64_t>(rng_.Between(60, 86400 * 7)), out);
    out->push_back(kSep);
    out->push_back('0');
    out->append("\r\n");
  }

 private:
  int64_t Date() {
    uint64_t span = static_cast<uint64_t>(end_ - first_);
    uint64_t d = rng_.Below(span);
    // Mailboxes fill up over the years: favour the recent ones.
    if (rng_.PerMille(500)) d = std::max(d, rng_.Below(span));
    return first_ + static_cast<int64_t>(d);
  }

  // Returns whether the subject makes the mail a reply.
  bool AppendSubject(std::string* out) {
    uint64_t r = rng_.Below(1000);
    if (r < 4) return false;  // no subject at all
    for (const Oddity& o : kOddities) {
      if (r < o.below_per_mille) {
        *out += rng_.Pick(lex_.*o.subjects);
        return false;
      }
    }

    // Blanks around a subject are trimmed by the reader; they must not change a hit.
    bool padded = r < 80;  // the first 72 per mille went to the oddities
    if (padded) *out += rng_.PerMille(500) ? " " : "\t";
    uint64_t p = rng_.Below(100);
    bool reply = p < 22;
    if (reply) *out += rng_.Pick(lex_.reply_prefixes);
    if (!folder_.list_tag.empty()) {
      *out += '[' + folder_.list_tag + ':';
      AppendPadded(serial_ + count_, 5, out);
      *out += "] ";
    }
    if (p >= 22 && p < 30) *out += rng_.Pick(lex_.other_prefixes);
    bool ja = rng_.PerMille(folder_.ja_permille);
    AppendTemplate(rng_.Pick(ja ? lex_.ja_topics : lex_.en_topics), rng_, out);
    AppendSubjectDetail(ja, out);
    if (padded) *out += rng_.PerMille(500) ? "  " : " \t";
    return reply;
  }

  // Real subjects are nearly all different: they carry a name, a day or a number of their own,
  // often two of them. (A header click sorts by making a key per distinct subject.)
  void AppendSubjectDetail(bool ja, std::string* out) {
    for (int details = rng_.PerMille(500) ? 2 : 1; details > 0; --details) {
      switch (rng_.Below(3)) {
        case 0:
          *out += ' ';
          *out += rng_.Pick(ja ? lex_.ja_family : lex_.en_first).text;
          if (ja) *out += "\x97\x6c";  // 様
          break;
        case 1:
          *out += " (";
          AppendUnsigned(rng_.Between(2003, 2026), out);
          *out += '/';
          AppendPadded(rng_.Between(1, 12), 2, out);
          *out += '/';
          AppendPadded(rng_.Between(1, 28), 2, out);
          *out += ')';
          break;
        default:
          *out += " #";
          AppendUnsigned(rng_.Between(1, 999999), out);
          break;
      }
    }
  }

  void AppendFrom(std::string* out) {
    if (folder_.kind == FolderKind::kSent || folder_.kind == FolderKind::kOutbox) {
      AppendMailbox(lex_, owner_, rng_, out);
    } else {
      AppendMailbox(lex_, MakePerson(lex_, rng_, folder_.ja_permille), rng_, out);
    }
  }

  void AppendTo(std::string* out) {
    bool sent = folder_.kind == FolderKind::kSent || folder_.kind == FolderKind::kOutbox;
    if (!folder_.list_tag.empty() && !sent) {
      *out += folder_.list_tag + "@lists.example.org";
      return;
    }
    uint64_t others = rng_.PerMille(750) ? 0 : rng_.Between(1, 3);
    bool owner_first = !sent && rng_.PerMille(900);
    if (!owner_first && others == 0) {
      // Mail that reached the owner by Bcc.
      if (!sent && rng_.PerMille(300)) return;
      if (!sent && rng_.PerMille(500)) {
        *out += "undisclosed-recipients:;";
        return;
      }
      others = 1;
    }
    if (owner_first) AppendMailbox(lex_, owner_, rng_, out);
    for (uint64_t i = 0; i < others; ++i) {
      if (owner_first || i > 0) *out += ", ";
      AppendMailbox(lex_, MakePerson(lex_, rng_, folder_.ja_permille), rng_, out);
    }
  }

  void AppendMessageId(int64_t date, std::string* out) {
    int y, m, d;
    int64_t days = date / 86400, secs = date % 86400;
    CivilFromDays(days, &y, &m, &d);
    *out += '<';
    AppendPadded(static_cast<uint64_t>(y), 4, out);
    AppendPadded(static_cast<uint64_t>(m), 2, out);
    AppendPadded(static_cast<uint64_t>(d), 2, out);
    AppendPadded(static_cast<uint64_t>(secs / 3600), 2, out);
    AppendPadded(static_cast<uint64_t>(secs / 60 % 60), 2, out);
    AppendPadded(static_cast<uint64_t>(secs % 60), 2, out);
    *out += '.';
    AppendHex(rng_.Next() & 0xFFFFFFFF, 8, true, out);
    const std::string& domain = rng_.Pick(lex_.domains);
    *out += domain.compare(0, 5, "mail.") == 0 ? "@" : "@mail.";
    *out += domain;
    *out += '>';
  }

  uint64_t Flags(bool reply) {
    uint64_t f = rng_.PerMille(900) ? 1 : 0;       // read
    if (rng_.PerMille(reply ? 300 : 100)) f |= 2;  // answered
    if (rng_.PerMille(40)) f |= 4;                 // forwarded
    if (rng_.PerMille(30)) f |= 8;                 // flagged
    return f;
  }

  const Lexicon& lex_;
  const FolderPlan& folder_;
  Rng rng_;
  Person owner_;
  uint64_t number_ = 0, offset_ = 0, count_ = 0, serial_ = 0;
  uint32_t key_base_ = 0, key_stride_ = 1;
  bool upper_hex_ = false;
  int64_t first_ = kFirstDate, end_ = kEndDate;
};

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

bool WriteIndex(const Lexicon& lex, const StorePlan& plan, size_t dir_index, uint64_t seed,
                const std::filesystem::path& file, uint64_t* bytes, std::string* err) {
  std::unique_ptr<std::FILE, FileCloser> f(std::fopen(file.c_str(), "wb"));
  if (!f) {
    *err = "cannot create " + file.string() + ": " + std::strerror(errno);
    return false;
  }
  FolderLines lines(lex, plan, dir_index, seed);
  std::string buf;
  buf.reserve(kFlushBytes + 64 * 1024);
  auto flush = [&]() {
    if (!buf.empty() && std::fwrite(buf.data(), 1, buf.size(), f.get()) != buf.size()) {
      *err = "cannot write " + file.string() + ": " + std::strerror(errno);
      return false;
    }
    *bytes += buf.size();
    buf.clear();
    return true;
  };
  for (uint64_t n = plan.dirs[dir_index].lines; n > 0; --n) {
    lines.Append(&buf);
    if (buf.size() >= kFlushBytes && !flush()) return false;
  }
  if (!flush()) return false;
  if (std::fclose(f.release()) != 0) {
    *err = "cannot write " + file.string() + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace

bool WriteStore(const Lexicon& lex, const StorePlan& plan, uint64_t seed,
                const std::filesystem::path& out, StoreSummary* summary, std::string* err) {
  *summary = StoreSummary{};
  summary->mailboxes = static_cast<uint32_t>(plan.mailboxes.size());
  std::error_code ec;
  for (const std::string& mb : plan.mailboxes) {
    if (!std::filesystem::create_directory(out / mb, ec) && ec) {
      *err = "cannot create " + (out / mb).string() + ": " + ec.message();
      return false;
    }
  }
  for (size_t i = 0; i < plan.dirs.size(); ++i) {
    const FolderPlan& p = plan.dirs[i];
    std::filesystem::path dir = out / plan.mailboxes[p.mailbox];
    if (!p.path.empty()) {
      dir /= p.path;
      if (!std::filesystem::create_directory(dir, ec) && ec) {
        *err = "cannot create " + dir.string() + ": " + ec.message();
        return false;
      }
    }
    if (!p.indexed) continue;
    if (!WriteIndex(lex, plan, i, seed, dir / "Folder.idx", &summary->bytes, err)) return false;
    ++summary->folders;
    summary->lines += p.lines;
  }
  for (size_t m = 0; m < plan.mailboxes.size(); ++m) {
    std::string names;
    if (!DisplayNamesFile(plan, static_cast<int>(m), &names, err)) return false;
    std::filesystem::path file = out / plan.mailboxes[m] / kDisplayNamesFile;
    std::unique_ptr<std::FILE, FileCloser> f(std::fopen(file.c_str(), "wb"));
    if (!f || std::fwrite(names.data(), 1, names.size(), f.get()) != names.size() ||
        std::fclose(f.release()) != 0) {
      *err = "cannot write " + file.string() + ": " + std::strerror(errno);
      return false;
    }
  }
  return true;
}

}  // namespace zeldrium::make_store
