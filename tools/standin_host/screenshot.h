#ifndef ZELDRIUM_TOOLS_STANDIN_HOST_SCREENSHOT_H_
#define ZELDRIUM_TOOLS_STANDIN_HOST_SCREENSHOT_H_

#include <string>

namespace standin {

// Writes what the screen shows now as a 24-bit .bmp; false with *err. Taken from inside the
// session, so it shows the state of a known step rather than whatever a timer outside catches.
bool SaveScreenshot(const std::wstring& path, int* width, int* height, std::wstring* err);

}  // namespace standin

#endif  // ZELDRIUM_TOOLS_STANDIN_HOST_SCREENSHOT_H_
