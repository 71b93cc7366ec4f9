#ifndef ZELDRIUM_TOOLS_MAKE_STORE_LEXICON_H_
#define ZELDRIUM_TOOLS_MAKE_STORE_LEXICON_H_

#include <string>
#include <vector>

namespace zeldrium::make_store {

// A subject with number holes: "{m}" takes a month (1-12), "{n}" a number (1-9999).
// Holes are split out before conversion, so filling them never scans code page 932 bytes.
struct Template {
  enum Hole : char { kNone, kMonth, kNumber };
  std::vector<std::string> parts;  // parts[i] is followed by holes[i]
  std::vector<Hole> holes;
};

struct PersonName {
  std::string text;   // code page 932
  std::string roman;  // ASCII, for the address
};

struct Organisation {
  std::string name;  // code page 932
  std::string address;
};

// Every text here is code page 932 bytes, ready to be written.
struct Lexicon {
  std::vector<PersonName> ja_family, ja_given, en_first, en_last;
  std::vector<Organisation> organisations;
  std::vector<std::string> domains;
  std::vector<Template> ja_topics, en_topics;
  std::vector<std::string> reply_prefixes;  // make the mail a reply
  std::vector<std::string> other_prefixes;  // forwards and tags
  std::vector<std::string> blank_subjects;  // only bytes the reader trims away
  std::vector<std::string> wide_blank_subjects;
  std::vector<std::string> backslash_trail_subjects;
  std::vector<std::string> full_width_subjects;
  std::vector<std::string> case_variant_subjects;
  std::vector<std::string> quote_comma_subjects;
  std::vector<std::string> half_width_kana_subjects;
  std::vector<std::string> raw_mime_subjects;
  std::string ideographic_space;  // joins Japanese names now and then
};

bool LoadLexicon(Lexicon* lex, std::string* err);

}  // namespace zeldrium::make_store

#endif  // ZELDRIUM_TOOLS_MAKE_STORE_LEXICON_H_
