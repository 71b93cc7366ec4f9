#ifndef ZELDRIUM_TESTSUPPORT_TEST_CONDITIONS_H_
#define ZELDRIUM_TESTSUPPORT_TEST_CONDITIONS_H_

// Conditions written out in tests (test code only).

#include <string>
#include <utility>
#include <vector>

#include "query/find_class.h"

namespace zeldrium {

inline TFindOpt Row(int32_t logic, int32_t target, std::string keyword, bool comma_and = false,
                    bool case_sensitive = false) {
  TFindOpt opt;
  opt.Logic = logic;
  opt.Target = target;
  opt.Keyword = std::move(keyword);
  opt.CommaAnd = comma_and;
  opt.CaseSensitive = case_sensitive;
  return opt;
}

inline TFindRec Rec(std::vector<TFindOpt> rows) {
  TFindRec rec;
  rec.Name = std::string(1, 'n');
  for (size_t i = 0; i < rows.size(); ++i) rec.Opts[i] = rows[i];
  return rec;
}

// A quick search of From for keyword, as the window makes one.
inline TFindRec FromSearch(std::string keyword, bool subfolder = false, std::string folders = "") {
  TFindRec rec;
  rec.Name = keyword;
  rec.Opts[0].Target = kTargetFrom;
  rec.Opts[0].Keyword = std::move(keyword);
  rec.SubFolder = subfolder;
  rec.Folders = std::move(folders);
  return rec;
}

}  // namespace zeldrium

#endif  // ZELDRIUM_TESTSUPPORT_TEST_CONDITIONS_H_
