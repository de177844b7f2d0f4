// The header compiles as C99 and links from C.
#include <gtest/gtest.h>

extern "C" int krnutil_c_header_roundtrip(void);

TEST(Header, UsableFromC) {
  EXPECT_EQ(krnutil_c_header_roundtrip(), 1);
}
