#ifndef ZELDRIUM_TOOLS_STANDIN_HOST_WINDOW_DUMP_H_
#define ZELDRIUM_TOOLS_STANDIN_HOST_WINDOW_DUMP_H_

// What the process shows, as text: how a scripted session tells what a plug-in put on screen.

#include <windows.h>

#include <string>
#include <vector>

namespace standin {

// Every top-level window of this process (hidden ones too, marked so), each followed by its
// controls, indented by depth: class, ID, text, and for list views, tabs and combo boxes their
// contents.
std::vector<std::wstring> DescribeWindows();

// One top-level window and its controls.
std::vector<std::wstring> DescribeWindow(HWND window);

// The top-level windows of this thread, in z-order.
std::vector<HWND> ThreadWindows();

// The input method's windows and the tool tips of controls: nothing a host or a plug-in shows.
bool IsSystemHelper(HWND window);

std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);

}  // namespace standin

#endif  // ZELDRIUM_TOOLS_STANDIN_HOST_WINDOW_DUMP_H_
