#include "highlight.h"

namespace zeldrium::find {

Ranges WordHighlighter::Find(Column column, const THitRow& row) const {
  TFolderIdx line;
  line.Subject = row.Subject == kNoSubject ? std::string_view() : std::string_view(row.Subject);
  line.From = row.From;
  line.To = row.To;
  Ranges found;
  matcher_.FindMarks(line, column == Column::kSubject ? ShownField::kSubject : ShownField::kFrom,
                     &found);
  return found;
}

}  // namespace zeldrium::find
