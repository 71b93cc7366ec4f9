#ifndef ZELDRIUM_TESTSUPPORT_LINE_MASKS_REFERENCE_H_
#define ZELDRIUM_TESTSUPPORT_LINE_MASKS_REFERENCE_H_

// The marking pass done the plain way, one byte at a time and exactly, for tests and fuzz
// targets to check every version of MarkLineBytes against. Not part of the core library.

#include <cstddef>
#include <span>

#include "store/line_masks.h"

namespace zeldrium {

// What MarkLineBytes gives, with the lists exactly as long as their counts, and with probes
// exactly the places where the bytes of one of them stand.
void ReferenceMarkLineBytes(const char* data, size_t n, LineMarks* out,
                            std::span<const LineProbe> probes = {});

}  // namespace zeldrium

#endif  // ZELDRIUM_TESTSUPPORT_LINE_MASKS_REFERENCE_H_
