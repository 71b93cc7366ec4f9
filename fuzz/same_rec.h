#ifndef ZELDRIUM_FUZZ_SAME_REC_H_
#define ZELDRIUM_FUZZ_SAME_REC_H_

#include "query/find_class.h"

namespace zeldrium::fuzz {

inline bool SameRec(const TFindRec& a, const TFindRec& b) {
  if (a.Name != b.Name || a.SubFolder != b.SubFolder || a.Folders != b.Folders) return false;
  for (int r = 0; r < kFindRows; ++r) {
    const TFindOpt& x = a.Opts[r];
    const TFindOpt& y = b.Opts[r];
    if (x.Logic != y.Logic || x.Target != y.Target || x.CaseSensitive != y.CaseSensitive ||
        x.CommaAnd != y.CommaAnd || x.Keyword != y.Keyword) {
      return false;
    }
  }
  return true;
}

inline bool SameList(const TFindClass& a, const TFindClass& b) {
  if (a.Count() != b.Count()) return false;
  for (int i = 0; i < a.Count(); ++i) {
    if (!SameRec(a.GetRec(i), b.GetRec(i))) return false;
  }
  return true;
}

}  // namespace zeldrium::fuzz

#endif  // ZELDRIUM_FUZZ_SAME_REC_H_
