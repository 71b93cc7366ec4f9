#include <algorithm>
#include <thread>

#include "engine/scan_ahead.h"

namespace zeldrium {

ScanTuning DefaultScanTuning() {
  return {std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, 4),
          size_t{256} << 10};
}

}  // namespace zeldrium
