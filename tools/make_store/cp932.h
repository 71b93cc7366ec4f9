#ifndef ZELDRIUM_TOOLS_MAKE_STORE_CP932_H_
#define ZELDRIUM_TOOLS_MAKE_STORE_CP932_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace zeldrium::make_store {

// The word lists are written in UTF-8 for readability and converted once at start-up,
// so the generator itself only ever handles code page 932 bytes.
bool Utf8ToCp932(std::string_view utf8, std::string* out, std::string* err);

// True when `bytes` decode as code page 932 without an invalid or truncated sequence;
// otherwise *bad_offset (if given) is where decoding stopped.
bool IsValidCp932(std::string_view bytes, size_t* bad_offset = nullptr);

}  // namespace zeldrium::make_store

#endif  // ZELDRIUM_TOOLS_MAKE_STORE_CP932_H_
