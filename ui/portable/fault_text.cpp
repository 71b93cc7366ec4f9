#include "ui/portable/fault_text.h"

#include <new>
#include <stdexcept>

namespace ui {

bool IsOutOfMemory(const std::exception_ptr& fault) {
  if (!fault) return false;
  try {
    std::rethrow_exception(fault);
  } catch (const std::bad_alloc&) {
    return true;
  } catch (const std::length_error&) {
    return true;
  } catch (...) {
    return false;
  }
}

std::string_view FaultText(const std::exception_ptr& fault, std::string_view out_of_memory) {
  return IsOutOfMemory(fault) ? out_of_memory : kActionFailedText;
}

}  // namespace ui
