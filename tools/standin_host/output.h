#ifndef ZELDRIUM_TOOLS_STANDIN_HOST_OUTPUT_H_
#define ZELDRIUM_TOOLS_STANDIN_HOST_OUTPUT_H_

// What the stand-in host prints. A scripted session is read by people and by tests on Linux, so
// text leaves as UTF-8, whatever the Windows side's code page is; a real console gets UTF-16.

#include <string>
#include <string_view>

namespace standin {

void PrintLine(std::wstring_view line);
void PrintErrorLine(std::wstring_view line);

std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);

}  // namespace standin

#endif  // ZELDRIUM_TOOLS_STANDIN_HOST_OUTPUT_H_
