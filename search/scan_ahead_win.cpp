#include <algorithm>
#include <thread>

#include "search/scan_ahead.h"

namespace zeldrium {

int DefaultScanWorkers() {
  return std::clamp(static_cast<int>(std::thread::hardware_concurrency()) - 1, 1, 4);
}

}  // namespace zeldrium
