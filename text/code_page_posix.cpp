#include <iconv.h>

#include <cerrno>

#include "text/code_page.h"

namespace zeldrium::internal {
namespace {

// One direction, opened once: every hit printed and every path looked up converts text.
// Not thread-safe; the core runs on one thread.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != kInvalid) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool Append(std::string_view in, std::string* out) {
    if (cd_ == kInvalid) return false;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    const size_t start = out->size();
    size_t done = start;
    out->resize(start + in.size() * 2 + 16);
    char* src = const_cast<char*>(in.data());
    size_t src_left = in.size();
    for (;;) {
      char* dst = out->data() + done;
      size_t dst_left = out->size() - done;
      // Both encodings are stateless: a character cut off at the end fails here (EINVAL).
      const size_t rc = iconv(cd_, &src, &src_left, &dst, &dst_left);
      done = out->size() - dst_left;
      if (rc != static_cast<size_t>(-1)) break;
      if (errno != E2BIG) {
        out->resize(start);
        return false;
      }
      out->resize(out->size() * 2);
    }
    out->resize(done);
    return true;
  }

 private:
  static inline const iconv_t kInvalid = reinterpret_cast<iconv_t>(-1);
  iconv_t cd_;
};

}  // namespace

bool PlatformCp932ToUtf8(std::string_view text, std::string* out) {
  static Converter converter("UTF-8", "CP932");
  return converter.Append(text, out);
}

bool PlatformUtf8ToCp932(std::string_view text, std::string* out) {
  static Converter converter("CP932", "UTF-8");
  return converter.Append(text, out);
}

}  // namespace zeldrium::internal
