#include "search/idx_lines.h"

namespace zeldrium {

TIdxLineScanner::TIdxLineScanner(std::string_view data, bool at_end)
    : begin_(data.data()),
      end_(data.data() + data.size()),
      line_(begin_),
      at_end_(at_end),
      controls_(begin_, end_) {}

bool TIdxLineScanner::Next(IdxLine* kind, TFolderIdx* rec, std::string* err) {
  IdxFields f;
  const char* field = line_;
  int k = 0;  // fields found; at kCount (or after a 0x00) the rest of the line is skipped
  // Ends the fields at p: the one being read there, and those after it empty.
  auto end_fields = [&](const char* p) {
    if (k == IdxFields::kCount) return;
    f.start[k] = field;
    f.stop[k] = p;
    for (++k; k < IdxFields::kCount; ++k) f.start[k] = f.stop[k] = p;
  };
  for (;;) {
    const char* p = controls_.Next();
    if (p == end_) {
      // No CR: the last line of the file, or one that goes on in data not yet read. A file
      // that ends with a line end has no line after it.
      if (!at_end_ || line_ == end_) return false;
      end_fields(p);
      line_ = end_;
      break;
    }
    if (*p == '\r') {
      // The byte after the CR decides where the next line starts.
      if (p + 1 == end_ && !at_end_) return false;
      end_fields(p);
      line_ = p + 1 < end_ && p[1] == '\n' ? p + 2 : p + 1;
      break;
    }
    if (k == IdxFields::kCount) continue;
    if (*p == '\0') {
      end_fields(p);
      continue;
    }
    if (CarriedByLeadByte(field, p)) continue;
    f.start[k] = field;
    f.stop[k] = p;
    ++k;
    field = p + 1;
  }
  *kind = IdxLineOfFields(f, rec, err);
  return true;
}

}  // namespace zeldrium
