#ifndef ZELDRIUM_TESTSUPPORT_IDX_LINE_REFERENCE_H_
#define ZELDRIUM_TESTSUPPORT_IDX_LINE_REFERENCE_H_

// The reference splitting of index files, for tests and fuzz targets only: written the plain way,
// one byte at a time, to check the search's own splitting (TIndexFileReader's windows, the
// marking pass and TIdxLineScanner) against. Not part of the core library.

#include <string>
#include <string_view>
#include <vector>

#include "store/folder_idx.h"

namespace zeldrium {

// The lines of a whole index file, without their ends: CR LF or a lone CR ends a line, a lone
// LF is data, a 0x1A ends the file, and a last line without an end counts unless it is empty.
std::vector<std::string_view> ReferenceIndexLines(std::string_view content);

// The next field of the line at *cursor, trimmed of bytes 0x00-0x20, and advances *cursor past
// it and its 0x01 separator. A double-byte character carries its second byte along whatever it
// is (a stray lead byte therefore swallows a separator), but a 0x00 byte, or the end of the
// view, ends the line: from there on every call returns "" and leaves *cursor where it is.
std::string_view ReferenceNextIdxField(std::string_view* cursor);

// One line split into *rec, field by field; *rec's views point into line. On kError *err holds
// "'$<field 9>' は整数ではありません" in code page 932. Never gives kDateOnly.
IdxLine ReferenceReadIdxLine(std::string_view line, TFolderIdx* rec, std::string* err);

}  // namespace zeldrium

#endif  // ZELDRIUM_TESTSUPPORT_IDX_LINE_REFERENCE_H_
