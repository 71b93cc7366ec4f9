#include "cp932.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

namespace zeldrium::make_store {
namespace {

class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Returns false at the first byte that cannot be converted; *consumed tells where.
  bool Run(std::string_view in, std::string* out, size_t* consumed) {
    char* src = const_cast<char*>(in.data());
    size_t src_left = in.size();
    char chunk[4096];
    out->clear();
    bool good = true;
    while (src_left > 0) {
      char* dst = chunk;
      size_t dst_left = sizeof(chunk);
      size_t r = iconv(cd_, &src, &src_left, &dst, &dst_left);
      out->append(chunk, dst - chunk);
      if (r == static_cast<size_t>(-1) && errno != E2BIG) {
        good = false;
        break;
      }
    }
    if (good) {
      // Flush any shift state; a truncated multibyte tail shows up as EINVAL above.
      char* dst = chunk;
      size_t dst_left = sizeof(chunk);
      iconv(cd_, nullptr, nullptr, &dst, &dst_left);
      out->append(chunk, dst - chunk);
    }
    *consumed = in.size() - src_left;
    return good;
  }

 private:
  iconv_t cd_;
};

}  // namespace

bool Utf8ToCp932(std::string_view utf8, std::string* out, std::string* err) {
  Converter conv("CP932", "UTF-8");
  if (!conv.ok()) {
    *err = "this system's iconv has no CP932 converter";
    return false;
  }
  size_t consumed = 0;
  if (!conv.Run(utf8, out, &consumed)) {
    *err = "cannot convert \"" + std::string(utf8) + "\" to CP932 (at byte " +
           std::to_string(consumed) + ")";
    return false;
  }
  return true;
}

bool IsValidCp932(std::string_view bytes, size_t* bad_offset) {
  Converter conv("UTF-8", "CP932");
  size_t consumed = 0;
  std::string ignored;
  bool good = conv.ok() && conv.Run(bytes, &ignored, &consumed);
  if (!good && bad_offset != nullptr) *bad_offset = consumed;
  return good;
}

}  // namespace zeldrium::make_store
