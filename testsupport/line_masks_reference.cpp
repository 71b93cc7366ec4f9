#include "testsupport/line_masks_reference.h"

#include "text/str_libs.h"

namespace zeldrium {
namespace {

bool ProbeHitAt(const char* p, const LineProbe& probe) {
  return (static_cast<unsigned char>(p[0]) | probe.first_fold) == probe.first &&
         (static_cast<unsigned char>(p[probe.distance]) | probe.last_fold) == probe.last;
}

}  // namespace

void ReferenceMarkLineBytes(const char* data, size_t n, LineMarks* out,
                            std::span<const LineProbe> probes) {
  out->line_ends.clear();
  out->ends_before.clear();
  out->field_ends.clear();
  out->has_nul = false;
  out->probe_at.clear();
  for (size_t i = 0; i < n; ++i) {
    for (const LineProbe& probe : probes) {
      if (i + probe.distance < n && ProbeHitAt(data + i, probe)) {
        out->probe_at.push_back(static_cast<uint32_t>(i));
        break;
      }
    }
  }
  out->probes = out->probe_at.size();
  bool carried = false;  // the byte is the second one of a double-byte character
  for (size_t i = 0; i < n; ++i) {
    const auto c = static_cast<unsigned char>(data[i]);
    const auto at = static_cast<uint32_t>(i);
    if (c == '\r') {
      out->line_ends.push_back(at);
      out->ends_before.push_back(static_cast<uint32_t>(out->field_ends.size()));
      carried = false;
    } else if (c == 0x00) {
      out->field_ends.push_back(at);
      out->has_nul = true;
      carried = false;
    } else if (carried) {
      carried = false;
    } else if (c == 0x01) {
      out->field_ends.push_back(at);
    } else {
      carried = IsLeadByte(c);
    }
  }
  out->lines = out->line_ends.size();
  out->fields = out->field_ends.size();
}

}  // namespace zeldrium
