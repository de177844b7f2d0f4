// Numbers, scanning of line-oriented text, hex and Base64.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "krnutil.h"

namespace {

struct Freed {
  void operator()(void *p) const { KRN_Free(p, 0); }
};
template <class T>
using Owned = std::unique_ptr<T, Freed>;

std::wstring wide(const std::string &s) {
  return std::wstring(s.begin(), s.end());
}

// Runs a token scanner and returns the token, or "<null>".
template <class Scan>
std::wstring tokenOf(Scan scan, const wchar_t *text, const wchar_t **end = nullptr) {
  const wchar_t *start = nullptr;
  uint32_t length = 0;
  const wchar_t *after = scan(text, &start, &length);
  if (end) *end = after;
  return after ? std::wstring(start, length) : L"<null>";
}

}  // namespace

TEST(Numbers, Conversions) {
  EXPECT_EQ(KRN_ATOI(L"4294967295"), 4294967295u);
  EXPECT_EQ(KRN_ATOI_MS(L"1.5"), 1500u);
  EXPECT_EQ(KRN_ATOI_MS(L"1.25"), 1250u);
  EXPECT_EQ(KRN_ATOI_MS(L"2"), 2000u);
  EXPECT_EQ(KRN_ATOI_MS(L"12.3456"), 12345u);
  EXPECT_EQ(KRN_ATOI_TS(L"01:02:03.5"), 3723500u);
  EXPECT_EQ(KRN_ATOI_TS(L"01:02"), 3720000u);  // a cut timestamp is read up to its end
  EXPECT_EQ(KRN_ATOI_HEX(L"DeadBeef"), 0xDEADBEEFu);
  char buffer[16];
  EXPECT_EQ(KRN_ITOA(-305, buffer), 4);
  EXPECT_STREQ(buffer, "-305");
  EXPECT_EQ(KRN_ITOA(0, buffer), 1);
  EXPECT_STREQ(buffer, "0");
  EXPECT_EQ(KRN_ITOA(INT_MIN, buffer), 11);
  EXPECT_STREQ(buffer, "-2147483648");
}

TEST(Text, CaseComparisonAndDuplication) {
  wchar_t text[] = L"AbC-\u00c9xYz";
  EXPECT_EQ(KRNUtilStrntolower(text, 5), text);
  EXPECT_STREQ(text, L"abc-\u00c9xYz");
  KRNUtilStrntoupper(text, 100);  // stops at the terminator
  EXPECT_STREQ(text, L"ABC-\u00c9XYZ");
  EXPECT_EQ(KRNUtilStricmp(L"Speed", L"sPEED"), 0);
  EXPECT_LT(KRNUtilStricmp(L"abc", L"ABD"), 0);
  EXPECT_GT(KRNUtilStricmp(L"abcd", L"ABC"), 0);
  EXPECT_NE(KRNUtilStricmp(L"[", L"{"), 0);  // only letters fold
  EXPECT_EQ(KRNUtilStrnicmp(L"GPSinfo", L"gpsINFO-x", 7), 0);
  EXPECT_NE(KRNUtilStrnicmp(L"GPSinfo", L"gpsINFO-x", 8), 0);
  EXPECT_EQ(KRNUtilStrnicmp(L"a", L"b", 0), 0);
  EXPECT_STREQ(Owned<wchar_t>(KRNUtilStrdupn(L"recording", 6)).get(), L"record");
  EXPECT_STREQ(Owned<wchar_t>(KRNUtilStrdupn(L"rec", 50)).get(), L"rec");
  EXPECT_STREQ(Owned<wchar_t>(KRNUtilStrmcat(L"front/", L"a.mp4")).get(), L"front/a.mp4");
  EXPECT_EQ(KRNUtilStrdup(nullptr), nullptr);
  EXPECT_EQ(KRNUtilStrmcat(nullptr, L"x"), nullptr);
}

TEST(Scan, SearchesStayInTheCurrentLine) {
  const wchar_t *text = L"alpha beta\r\ngamma";
  EXPECT_EQ(KRNUtilStrFindString(text, L"beta"), text + 6);
  EXPECT_EQ(KRNUtilStrFindString(text, L"gamma"), nullptr);
  EXPECT_EQ(KRNUtilStrFindString(L"abc", L"bcd"), nullptr);
  uint32_t value = 55;
  EXPECT_EQ(KRNUtilStrGetDecNumber(L"speed: \r\n120", L"speed:", &value), nullptr);
  EXPECT_EQ(KRNUtilStrGetDecNumber(L"speed 120", L"rpm", &value), nullptr);
  EXPECT_EQ(KRNUtilStrGetHexNumber(L"n=\nff", nullptr, &value), nullptr);
  EXPECT_EQ(value, 55u);
  EXPECT_TRUE(KRNUtilStrIsDecNumber(L" \t42"));
  EXPECT_FALSE(KRNUtilStrIsDecNumber(L" x42"));
}

TEST(Scan, NumbersAfterAKey) {
  const wchar_t *text = L"7 speed: 1234 km";
  uint32_t value = 0;
  const wchar_t *end = KRNUtilStrGetDecNumber(text, L"speed:", &value);
  EXPECT_EQ(value, 1234u);
  EXPECT_EQ(end, text + 13);
  int32_t i = 0;
  EXPECT_NE(KRNUtilStrGetIntNumber(L"x=-42", nullptr, &i), nullptr);
  EXPECT_EQ(i, -42);
  EXPECT_NE(KRNUtilStrGetFloatNumber(L"t=3.25", nullptr, &value), nullptr);
  EXPECT_EQ(value, 3250u);
  EXPECT_NE(KRNUtilStrGetTimeNumber(L"at 01:02:03.5 start", nullptr, &value), nullptr);
  EXPECT_EQ(value, 3723500u);
  EXPECT_NE(KRNUtilStrGetHexNumber(L"crc: 1fA9 ok", L"crc:", &value), nullptr);
  EXPECT_EQ(value, 0x1FA9u);
  // Tokens go through a 20-character buffer: the first 19 count.
  std::wstring longRun = L"n=" + std::wstring(18, L'0') + L"123456";
  end = KRNUtilStrGetDecNumber(longRun.c_str(), nullptr, &value);
  EXPECT_EQ(value, 1u);
  EXPECT_EQ(*end, 0);
}

TEST(Scan, Tokens) {
  const wchar_t *end = nullptr;
  EXPECT_EQ(tokenOf(KRNUtilStrGetString, L"  ssid = my_net-5.G!x", &end), L"ssid");
  EXPECT_EQ(tokenOf(KRNUtilStrGetString, end, &end), L"my_net-5.G");
  EXPECT_EQ(*end, L'!');
  EXPECT_EQ(tokenOf(KRNUtilStrGetString, L" !!\r\nword"), L"<null>");
  EXPECT_EQ(tokenOf(KRNUtilStrGetHexString, L"xx 00A1bc:"), L"00A1bc");
  EXPECT_EQ(tokenOf(KRNUtilStrGetSafeString, L" \"a#b$c&'*+,-./:=?@[]^_`{|}~\" (x)"),
            L"\"a#b$c&'*+,-./:=?@[]^_`{|}~\"");
  EXPECT_EQ(tokenOf(KRNUtilStrGetAddress, L"url=https://update.example.com:8080/x"),
            L"update.example.com");
  EXPECT_EQ(tokenOf(KRNUtilStrGetAddress, L"host 10.0.0.1"), L"host");
  EXPECT_EQ(tokenOf(KRNUtilStrGetContext, L"   Front camera 1\r\nnext", &end), L"Front camera 1");
  EXPECT_EQ(*end, L'\r');
  EXPECT_EQ(tokenOf(KRNUtilStrGetContext, L"   \r\nnext"), L"<null>");
  EXPECT_EQ(tokenOf(KRNUtilBase64GetString, L"key: Zm9v,YQ==; x", &end), L"key");
  EXPECT_EQ(tokenOf(KRNUtilBase64GetString, end + 1, &end), L"Zm9v,YQ==");
  EXPECT_EQ(*end, L';');
}

TEST(Scan, GetLineJoinsFoldedLines) {
  wchar_t text[] = L"  Key: one\r\n  two\r\nNext: x\nLast";
  uint32_t length = 0;
  wchar_t *line = KRNUtilStrGetLine(text, &length);
  ASSERT_EQ(line, text + 2);
  EXPECT_EQ(std::wstring(line, length), L"Key: one    two\r\n");
  line = KRNUtilStrGetLine(line + length, &length);
  EXPECT_EQ(std::wstring(line, length), L"Next: x\n");
  line = KRNUtilStrGetLine(line + length, &length);
  EXPECT_EQ(std::wstring(line, length), L"Last");
  EXPECT_EQ(KRNUtilStrGetLine(line + length, &length), nullptr);
}

TEST(Hex, BothWays) {
  wchar_t text[] = L"0AfF1";
  uint8_t out[4] = {0};
  EXPECT_EQ(KRNUtil_ConvStrToBin(text, 5, out), 2u);
  EXPECT_EQ(out[0], 0x0A);
  EXPECT_EQ(out[1], 0xFF);
  EXPECT_STREQ(text, L"0aff1");
  const uint8_t bytes[] = {0x0A, 0xFF};
  EXPECT_STREQ(Owned<char>(KRNUtil_ConvBinToStr(bytes, 2)).get(), "0aff");
}

TEST(Base64, KnownVectorsBothWays) {
  const char *vectors[][2] = {{"", ""},
                              {"a", "YQ=="},
                              {"fo", "Zm8="},
                              {"abc", "YWJj"},
                              {"foob", "Zm9vYg=="},
                              {"fooba", "Zm9vYmE="},
                              {"foobar", "Zm9vYmFy"}};
  for (const auto &v : vectors) {
    int32_t length = -1;
    Owned<char> text(KRNUtilBase64Encoding(reinterpret_cast<const uint8_t *>(v[0]),
                                           int32_t(strlen(v[0])), &length));
    EXPECT_STREQ(text.get(), v[1]);
    EXPECT_EQ(length, int32_t(strlen(v[1])));
    std::wstring w = wide(v[1]);
    uint8_t out[8];
    uint32_t count = 99;
    EXPECT_EQ(KRNUtilBase64Decoding(w.c_str(), out, uint32_t(w.size()), &count),
              w.c_str() + w.size());
    EXPECT_EQ(std::string(reinterpret_cast<char *>(out), count), v[0]);
  }
}

TEST(Base64, RoundTripsRandomBytes) {
  std::mt19937 rng(7);
  for (int length = 0; length < 70; ++length) {
    std::vector<uint8_t> bytes(static_cast<size_t>(length));
    for (auto &b : bytes) b = uint8_t(rng());
    Owned<char> text(KRNUtilBase64Encoding(bytes.data(), length, nullptr));
    std::wstring w = wide(text.get());
    uint32_t count = 0;
    Owned<uint8_t> decoded(KRNUtilBase64ConvToBin(w.c_str(), uint32_t(w.size()), &count));
    ASSERT_EQ(count, uint32_t(length));
    EXPECT_EQ(std::vector<uint8_t>(decoded.get(), decoded.get() + count), bytes);
  }
}

TEST(Base64, WhereDecodingStops) {
  uint8_t out[32];
  uint32_t count = 0;
  std::wstring list = L"Zm9v,YWJj";
  EXPECT_EQ(*KRNUtilBase64Decoding(list.c_str(), out, uint32_t(list.size()), &count), L',');
  EXPECT_EQ(count, 3u);
  KRNUtilBase64Decoding(L"Zm\r\n9v", out, 6, &count);  // outside the alphabet: passed over
  EXPECT_EQ(std::string(reinterpret_cast<char *>(out), count), "foo");
  KRNUtilBase64Decoding(L"====Zm9v", out, 8, &count);
  EXPECT_EQ(count, 0u);
  const wchar_t *four = L"Zm9v";
  for (uint32_t n = 0; n <= 3; ++n) {  // three characters or fewer make no group
    EXPECT_EQ(KRNUtilBase64Decoding(four, out, n, &count), four);
    EXPECT_EQ(count, 0u) << n;
  }
  KRNUtilBase64Decoding(four, out, 4000, &count);  // the terminator ends a long length
  EXPECT_EQ(count, 3u);
}

TEST(Base64, ItemsWithLengths) {
  struct Case {
    const wchar_t *text;
    std::vector<uint8_t> out;
  };
  const Case cases[] = {
      {L"Zm9v,YQ==,Zm9vYmFy", {3, 0, 'f', 'o', 'o', 1, 0, 'a', 6, 0, 'f', 'o', 'o', 'b', 'a', 'r'}},
      // Base64 folded over lines is one item; the list itself ends at a line end.
      {L"Zm9v\r\nYWJj,YQ==", {6, 0, 'f', 'o', 'o', 'a', 'b', 'c', 1, 0, 'a'}},
      {L"YQ==\r\n,Zm9v", {1, 0, 'a'}},
  };
  for (const Case &c : cases) {
    uint32_t length = uint32_t(wcslen(c.text));
    std::vector<uint8_t> out(2 * length + 2, 0xEE);
    uint32_t total = KRNUtilBase64ConvToBinWLen(c.text, length, out.data());
    EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + total), c.out);
  }
}
