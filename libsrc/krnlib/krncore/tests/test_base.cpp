// Memory, result texts, time and the string helpers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "krncore.h"
#include "trace_capture.h"

extern "C" int krncore_header_is_c(void);

TEST(Header, CompilesAsPlainC) {
  EXPECT_EQ(krncore_header_is_c(), 1);
}

TEST(ErrorText, ListedCodesAndFallback) {
  EXPECT_STREQ(KRN_GetErrorStr(0), L"OK");
  EXPECT_STREQ(KRN_GetErrorStr(0x80000019u), L"Not supported format of file");
  EXPECT_STREQ(KRN_GetErrorStr(0x80000054u), L"End of data (file, stream)");
  EXPECT_STREQ(KRN_GetErrorStr(0x80000003u), L"FAIL");
  EXPECT_STREQ(KRN_GetErrorStr(1u), L"FAIL");
  EXPECT_STREQ(KRN_GetLastErrorStr(), L"Use FormatMessage() please..");
}

TEST(Memory, FillAlignmentAndRealloc) {
  auto *zeroed = static_cast<uint8_t *>(KRN_Malloc(4096, 0, 0, L"t", __LINE__, L"f"));
  ASSERT_NE(zeroed, nullptr);
  for (int i = 0; i < 4096; ++i) ASSERT_EQ(zeroed[i], 0);
  KRN_Free(zeroed, 0);

  auto *filled = static_cast<uint8_t *>(KRN_Malloc(100, 64, 0x1AB, L"t", __LINE__, L"f"));
  ASSERT_NE(filled, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(filled) % 64, 0u);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(filled[i], 0xAB);  // low byte of the fill

  auto *grown = static_cast<uint8_t *>(KRN_ReAlloc(filled, 1000, 256));
  ASSERT_NE(grown, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(grown) % 256, 0u);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(grown[i], 0xAB);
  KRN_Free(grown, 1);

  EXPECT_EQ(KRN_Malloc(16, 48, 0, nullptr, 0, nullptr), nullptr);  // not a power of two
  auto *c = static_cast<uint32_t *>(KRN_Calloc(10, 4));
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c[9], 0u);
  KRN_Free(c, 0);
  KRN_Free(nullptr, 0);
}

namespace {
int gHookAllocs = 0;
void *countingAlloc(uint32_t size) {
  ++gHookAllocs;
  return malloc(size);
}
int32_t gHookCalls = 0;
int32_t recordHook(uint32_t a, uint32_t b) {
  gHookCalls += 1 + static_cast<int32_t>(a + b);
  return 0;
}
}  // namespace

TEST(Memory, NonCacheHooksReplaceOnlyWhatIsGiven) {
  KRN_MemInit(countingAlloc, nullptr);
  void *p = KRN_NonCacheMalloc(32);
  EXPECT_EQ(gHookAllocs, 1);
  KRN_NonCacheFree(p);  // the default free still serves
  KRN_MemInit(nullptr, nullptr);
  KRN_NonCacheFree(KRN_NonCacheMalloc(8));
  EXPECT_EQ(gHookAllocs, 2);
}

TEST(SystemInit, CallsHookWithZeroArguments) {
  gHookCalls = 0;
  EXPECT_EQ(KRN_SystemInit(recordHook), 0);
  EXPECT_EQ(KRN_SystemUnInit(recordHook), 0);
  EXPECT_EQ(gHookCalls, 2);
  EXPECT_EQ(KRN_SystemInit(nullptr), 0);
}

TEST(Time, TickUsIsTheMillisecondTickTimes1000In32Bits) {
  // The machine has been up long enough for the microsecond tick to have
  // wrapped; it must equal the 32-bit product, not the widened one.
  for (int attempt = 0; attempt < 5; ++attempt) {
    uint64_t before = KRN_GetSystemTick();
    uint64_t us = KRN_GetSystemTickUS();
    uint64_t after = KRN_GetSystemTick();
    if (before != after) continue;
    EXPECT_LE(before, 0xFFFFFFFFull);
    EXPECT_EQ(us, static_cast<uint32_t>(static_cast<uint32_t>(before) * 1000u));
    EXPECT_LE(us, 0xFFFFFFFFull);
    return;
  }
  FAIL() << "tick kept moving";
}

TEST(Time, TickFollowsMonotonicClockAndLocalTimeFills) {
  uint64_t a = KRN_GetSystemTick();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  uint64_t b = KRN_GetSystemTick();
  EXPECT_GE(b - a, 45u);
  EXPECT_LT(b - a, 1000u);
  struct tm now = {};
  EXPECT_EQ(KRN_GetlocalTime(&now), 0);
  EXPECT_GE(now.tm_year, 120);
}

TEST(Strings, ReverseSearchAndTrim) {
  const wchar_t *text = L"a/b/c";
  EXPECT_EQ(KRN_strrstr(text, L"/"), text + 3);
  EXPECT_EQ(KRN_strrstr(text, L""), nullptr);
  EXPECT_EQ(KRN_strrstr(L"", L"/"), nullptr);
  EXPECT_EQ(KRN_strrstr(L"ab", L"abc"), nullptr);
  EXPECT_EQ(KRN_strrstr(text, L"a/b/c"), text);

  wchar_t out[64];
  EXPECT_STREQ(KRN_strtrim(L"dir/name.ext", L"/", L".", out, 64), L"name");
  EXPECT_STREQ(KRN_strtrim(L"name.tar.gz", L"/", L".", out, 64), L"name.tar");
  EXPECT_STREQ(KRN_strtrim(L"a/b/file", L"/", L".", out, 64), L"file");
  EXPECT_STREQ(KRN_strtrim(L"dir/longname.ext", L"/", L".", out, 4), L"lon");
  EXPECT_EQ(KRN_strtrim(nullptr, L"/", L".", out, 64), nullptr);
  EXPECT_EQ(KRN_strtrim(L"x", L"/", L".", nullptr, 64), nullptr);
}

TEST(Strings, FourCCMemmemAndSnprintf) {
  wchar_t own[5];
  EXPECT_STREQ(KRN_FourCC_String(0x31637661u, own), L"avc1");
  EXPECT_STREQ(KRN_FourCC_String(0x766F6F6Du, nullptr), L"moov");

  const char hay[] = "abcabcd";
  EXPECT_EQ(KRN_Memmem(hay, 7, "x", 0), hay);
  EXPECT_EQ(KRN_Memmem(hay, 2, "abc", 3), nullptr);
  EXPECT_EQ(KRN_Memmem(hay, 7, "abcd", 4), hay + 3);
  EXPECT_EQ(KRN_Memmem(hay, 7, "abce", 4), nullptr);

  wchar_t buf[8];
  EXPECT_EQ(KRN_snprintf(buf, 8, L"%d-%ls", 42, L"ab"), 5);
  EXPECT_STREQ(buf, L"42-ab");
  EXPECT_EQ(KRN_snprintf(buf, 4, L"%ls", L"too long"), -1);
  EXPECT_STREQ(buf, L"");
}

TEST(Strings, ConversionsAreUtf8AndNeverOverrun) {
  EXPECT_STREQ(KRN_char2Wchar("\xED\x95\x9C\xEA\xB8\x80 \xD7\xA9"), L"\uD55C\uAE00 \u05E9");
  EXPECT_STREQ(KRN_Wchar2char(L"\uD55C\uAE00"), "\xED\x95\x9C\xEA\xB8\x80");

  // Text beyond the 256-unit buffers is cut, never written past them.
  std::string longNarrow(1000, 'x');
  EXPECT_EQ(wcslen(KRN_char2Wchar(longNarrow.c_str())), 255u);
  std::wstring longWide(300, L'\uD55C');  // three bytes each
  const char *cut = KRN_Wchar2char(longWide.c_str());
  EXPECT_EQ(strlen(cut), 255u);  // 85 whole characters
  EXPECT_EQ(std::wstring(KRN_char2Wchar(cut)), std::wstring(85, L'\uD55C'));

  char small[5];
  EXPECT_STREQ(KRN_Wchar2charcopy(L"\uD55Cab", small, sizeof small),
               "\xED\x95\x9C"
               "a");
  EXPECT_STREQ(KRN_Wchar2charcopy(L"\uD55C\uD55C", small, sizeof small), "\xED\x95\x9C");

  // Each thread has its own buffer: a result stays put while another thread converts.
  wchar_t *mine = KRN_char2Wchar("main thread");
  std::thread other([] { KRN_char2Wchar("other thread text"); });
  other.join();
  EXPECT_STREQ(mine, L"main thread");
}

TEST(Strings, EnvironmentLookup) {
  setenv("KRN_TEST_VALUE", "\xEA\xB0\x92", 1);
  EXPECT_STREQ(KRN_GetEnv(L"KRN_TEST_VALUE"), L"\uAC12");
  EXPECT_EQ(KRN_GetEnv(L"KRN_TEST_SURELY_UNSET"), nullptr);
}
