#include <algorithm>
#include <thread>

#include "engine/scan_ahead.h"

namespace zeldrium {

ScanTuning DefaultScanTuning() {
  return {std::clamp(static_cast<int>(std::thread::hardware_concurrency()) - 1, 1, 4),
          size_t{1} << 20};
}

}  // namespace zeldrium
