#ifndef ZELDRIUM_TESTSUPPORT_TEST_LINE_MASK_CODES_H_
#define ZELDRIUM_TESTSUPPORT_TEST_LINE_MASK_CODES_H_

// For test suites that run once per version of the marking pass this processor runs (test code
// only): a fault in any one version then shows in every test it breaks, not only in the test
// that compares the versions.
//   class MyTest : public EveryLineMaskCode {};
//   TEST_P(MyTest, ...) { ... }
//   ZELDRIUM_FOR_EVERY_LINE_MASK_CODE(MyTest);

#include <string>

#include "gtest/gtest.h"
#include "store/line_masks.h"

namespace zeldrium {

class EveryLineMaskCode : public ::testing::TestWithParam<LineMaskCode> {
 protected:
  void SetUp() override {
    saved_ = LineMaskCodeInUse();
    UseLineMaskCode(GetParam());
  }
  void TearDown() override { UseLineMaskCode(saved_); }

 private:
  LineMaskCode saved_ = LineMaskCode::kPortable;
};

inline std::string LineMaskCodeName(const ::testing::TestParamInfo<LineMaskCode>& info) {
  switch (info.param) {
    case LineMaskCode::kPortable:
      return "Portable";
    case LineMaskCode::kSse2:
      return "Sse2";
    case LineMaskCode::kAvx2:
      return "Avx2";
    case LineMaskCode::kAvx512:
      return "Avx512";
  }
  return "Unknown";
}

#define ZELDRIUM_FOR_EVERY_LINE_MASK_CODE(suite) \
  INSTANTIATE_TEST_SUITE_P(Code, suite, ::testing::ValuesIn(LineMaskCodesHere()), LineMaskCodeName)

}  // namespace zeldrium

#endif  // ZELDRIUM_TESTSUPPORT_TEST_LINE_MASK_CODES_H_
