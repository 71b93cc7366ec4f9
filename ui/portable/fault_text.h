#ifndef ZELDRIUM_UI_PORTABLE_FAULT_TEXT_H_
#define ZELDRIUM_UI_PORTABLE_FAULT_TEXT_H_

// What the user is told when an action of the plug-in ends on an exception. Never the
// exception's own words: they are the library's English ("std::bad_alloc"), written for a
// programmer. Memory running out, in the host's 32-bit address space, is the one fault a user
// meets; it gets a message of the kind the search run shows when it runs out ("メモリが足りない
// ため、検索を途中で終えました", engine/search_run.h). Code page 932.

#include <exception>
#include <string_view>

namespace ui {

// メモリが足りないため、操作を途中で終えました
inline constexpr std::string_view kActionOutOfMemoryText =
    "\x83\x81\x83\x82\x83\x8a\x82\xaa\x91\xab\x82\xe8\x82\xc8\x82\xa2\x82\xbd\x82\xdf\x81\x41"
    "\x91\x80\x8d\xec\x82\xf0\x93\x72\x92\x86\x82\xc5\x8f\x49\x82\xa6\x82\xdc\x82\xb5\x82\xbd";
// 内部エラーのため、操作を途中で終えました
inline constexpr std::string_view kActionFailedText =
    "\x93\xe0\x95\x94\x83\x47\x83\x89\x81\x5b\x82\xcc\x82\xbd\x82\xdf\x81\x41"
    "\x91\x80\x8d\xec\x82\xf0\x93\x72\x92\x86\x82\xc5\x8f\x49\x82\xa6\x82\xdc\x82\xb5\x82\xbd";

// Whether fault is memory running out: std::bad_alloc, or std::length_error (a size no memory
// could hold).
bool IsOutOfMemory(const std::exception_ptr& fault);

// out_of_memory when fault is memory running out, else kActionFailedText.
std::string_view FaultText(const std::exception_ptr& fault,
                           std::string_view out_of_memory = kActionOutOfMemoryText);

}  // namespace ui

#endif  // ZELDRIUM_UI_PORTABLE_FAULT_TEXT_H_
