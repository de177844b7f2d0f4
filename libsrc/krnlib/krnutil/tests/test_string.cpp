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

std::wstring token(const wchar_t *start, uint32_t length) {
  return std::wstring(start, length);
}

std::wstring wide(const std::string &s) {
  return std::wstring(s.begin(), s.end());
}

}  // namespace

// ---------------------------------------------------------------------------
// Number conversion

TEST(Numbers, DecimalMillisecondsAndTimestamps) {
  EXPECT_EQ(KRN_ATOI(L"4294967295"), 4294967295u);
  EXPECT_EQ(KRN_ATOI(L""), 0u);
  EXPECT_EQ(KRN_ATOI_MS(L"1.5"), 1500u);
  EXPECT_EQ(KRN_ATOI_MS(L"1.25"), 1250u);
  EXPECT_EQ(KRN_ATOI_MS(L"2"), 2000u);
  EXPECT_EQ(KRN_ATOI_MS(L"12.3456"), 12345u);
  EXPECT_EQ(KRN_ATOI_MS(L".007"), 7u);
  EXPECT_EQ(KRN_ATOI_TS(L"01:02:03.5"), 3723500u);
  EXPECT_EQ(KRN_ATOI_TS(L"00:00:00.001"), 1u);
  // A cut timestamp reads what is there and nothing past its end.
  EXPECT_EQ(KRN_ATOI_TS(L"01:02"), 3720000u);
  EXPECT_EQ(KRN_ATOI_TS(L"1"), 3600000u);
}

TEST(Numbers, Hex) {
  EXPECT_EQ(KRN_ATOI_HEX(L"ff"), 255u);
  EXPECT_EQ(KRN_ATOI_HEX(L"DeadBeef"), 0xDEADBEEFu);
  EXPECT_EQ(KRN_ATOI_HEX(L"10"), 16u);
}

TEST(Numbers, Itoa) {
  char buffer[16];
  EXPECT_EQ(KRN_ITOA(-305, buffer), 4);
  EXPECT_STREQ(buffer, "-305");
  EXPECT_EQ(KRN_ITOA(0, buffer), 1);
  EXPECT_STREQ(buffer, "0");
  EXPECT_EQ(KRN_ITOA(INT_MIN, buffer), 11);
  EXPECT_STREQ(buffer, "-2147483648");
  EXPECT_EQ(KRN_ITOA(INT_MAX, buffer), 10);
  EXPECT_STREQ(buffer, "2147483647");
}

// ---------------------------------------------------------------------------
// Case, comparison, duplication

TEST(Case, FoldsAsciiLettersOnlyWithinCount) {
  wchar_t text[] = L"AbC-\u00c9xYz";
  EXPECT_EQ(KRNUtilStrntolower(text, 5), text);
  EXPECT_STREQ(text, L"abc-\u00c9xYz");
  KRNUtilStrntoupper(text, 100);  // a count past the end stops at the terminator
  EXPECT_STREQ(text, L"ABC-\u00c9XYZ");
  EXPECT_EQ(KRNUtilStrntolower(nullptr, 3), nullptr);
}

TEST(Case, Comparison) {
  EXPECT_EQ(KRNUtilStricmp(L"Speed", L"sPEED"), 0);
  EXPECT_LT(KRNUtilStricmp(L"abc", L"ABD"), 0);
  EXPECT_GT(KRNUtilStricmp(L"abcd", L"ABC"), 0);
  EXPECT_EQ(KRNUtilStricmp(L"a[", L"A["), 0);
  EXPECT_NE(KRNUtilStricmp(L"[", L"{"), 0);  // only letters fold
  EXPECT_EQ(KRNUtilStrnicmp(L"GPSinfo", L"gpsINFO-x", 7), 0);
  EXPECT_NE(KRNUtilStrnicmp(L"GPSinfo", L"gpsINFO-x", 8), 0);
  EXPECT_EQ(KRNUtilStrnicmp(L"a", L"b", 0), 0);
}

TEST(Duplication, CopiesAreOwnedAndTerminated) {
  Owned<wchar_t> copy(KRNUtilStrdup(L"recording"));
  ASSERT_TRUE(copy);
  EXPECT_STREQ(copy.get(), L"recording");
  Owned<wchar_t> part(KRNUtilStrdupn(L"recording", 6));
  EXPECT_STREQ(part.get(), L"record");
  Owned<wchar_t> longer(KRNUtilStrdupn(L"rec", 50));
  EXPECT_STREQ(longer.get(), L"rec");
  Owned<wchar_t> joined(KRNUtilStrmcat(L"front/", L"clip.mp4"));
  EXPECT_STREQ(joined.get(), L"front/clip.mp4");
  Owned<wchar_t> alone(KRNUtilStrmcat(L"front", nullptr));
  EXPECT_STREQ(alone.get(), L"front");
  EXPECT_EQ(KRNUtilStrdup(nullptr), nullptr);
  EXPECT_EQ(KRNUtilStrmcat(nullptr, L"x"), nullptr);
}

// ---------------------------------------------------------------------------
// Scanning

TEST(Scan, FindStringStaysInTheLine) {
  const wchar_t *text = L"alpha beta\r\ngamma";
  EXPECT_EQ(KRNUtilStrFindString(text, L"beta"), text + 6);
  EXPECT_EQ(KRNUtilStrFindString(text, L"gamma"), nullptr);
  EXPECT_EQ(KRNUtilStrFindString(L"ab\ncd", L"b\nc"), nullptr);
  EXPECT_EQ(KRNUtilStrFindString(L"abc", L"bcd"), nullptr);
  EXPECT_EQ(KRNUtilStrFindString(text, L""), text);
}

TEST(Scan, IsDecNumber) {
  EXPECT_TRUE(KRNUtilStrIsDecNumber(L" \t42"));
  EXPECT_FALSE(KRNUtilStrIsDecNumber(L" x42"));
  EXPECT_FALSE(KRNUtilStrIsDecNumber(L""));
}

TEST(Scan, DecimalAfterKey) {
  const wchar_t *text = L"speed: 1234 km";
  uint32_t value = 0;
  const wchar_t *end = KRNUtilStrGetDecNumber(text, L"speed:", &value);
  EXPECT_EQ(value, 1234u);
  EXPECT_EQ(end, text + 11);
  EXPECT_EQ(*end, L' ');
  // The digits before the key do not count.
  EXPECT_NE(KRNUtilStrGetDecNumber(L"7 speed: 9", L"speed:", &value), nullptr);
  EXPECT_EQ(value, 9u);
}

TEST(Scan, NumbersDoNotCrossLineEnds) {
  uint32_t value = 55;
  EXPECT_EQ(KRNUtilStrGetDecNumber(L"speed: \r\n120", L"speed:", &value), nullptr);
  EXPECT_EQ(KRNUtilStrGetDecNumber(L"speed 120", L"rpm", &value), nullptr);
  EXPECT_EQ(KRNUtilStrGetHexNumber(L"n=\nff", nullptr, &value), nullptr);
  EXPECT_EQ(value, 55u);
  // Scanning the next line works once the caller moves there.
  const wchar_t *text = L"a\nb 12";
  EXPECT_NE(KRNUtilStrGetDecNumber(text + 2, nullptr, &value), nullptr);
  EXPECT_EQ(value, 12u);
}

TEST(Scan, SignedFloatTimeAndHex) {
  int32_t i = 0;
  EXPECT_NE(KRNUtilStrGetIntNumber(L"x=-42", nullptr, &i), nullptr);
  EXPECT_EQ(i, -42);
  EXPECT_NE(KRNUtilStrGetIntNumber(L"x=42;", L"x=", &i), nullptr);
  EXPECT_EQ(i, 42);
  uint32_t v = 0;
  EXPECT_NE(KRNUtilStrGetFloatNumber(L"t=3.25", nullptr, &v), nullptr);
  EXPECT_EQ(v, 3250u);
  EXPECT_NE(KRNUtilStrGetFloatNumber(L"gain .5 dB", nullptr, &v), nullptr);
  EXPECT_EQ(v, 500u);
  const wchar_t *stamp = L"at 01:02:03.5 start";
  const wchar_t *end = KRNUtilStrGetTimeNumber(stamp, nullptr, &v);
  EXPECT_EQ(v, 3723500u);
  EXPECT_EQ(end, stamp + 13);
  EXPECT_NE(KRNUtilStrGetHexNumber(L"crc: 1fA9 ok", L"crc:", &v), nullptr);
  EXPECT_EQ(v, 0x1FA9u);
}

TEST(Scan, NumberTokensAreCutAtNineteenCharacters) {
  uint32_t value = 0;
  std::wstring text = L"n=" + std::wstring(18, L'0') + L"123456";
  const wchar_t *end = KRNUtilStrGetDecNumber(text.c_str(), nullptr, &value);
  EXPECT_EQ(value, 1u);  // the first 19 digits: eighteen zeros and a 1
  EXPECT_EQ(*end, 0);
}

TEST(Scan, Tokens) {
  const wchar_t *start = nullptr;
  uint32_t length = 0;
  const wchar_t *text = L"  ssid = my_net-5.G!x";
  const wchar_t *end = KRNUtilStrGetString(text, &start, &length);
  EXPECT_EQ(token(start, length), L"ssid");
  end = KRNUtilStrGetString(end, &start, &length);
  EXPECT_EQ(token(start, length), L"my_net-5.G");
  EXPECT_EQ(*end, L'!');

  EXPECT_NE(KRNUtilStrGetHexString(L"mac xx 00A1bc:", &start, &length), nullptr);
  EXPECT_EQ(token(start, length), L"ac");  // the first hex run: "ac" of "mac"

  end = KRNUtilStrGetSafeString(L"pw = \"a#b$c\"!; x", &start, &length);
  EXPECT_EQ(token(start, length), L"pw");
  end = KRNUtilStrGetSafeString(end, &start, &length);
  EXPECT_EQ(token(start, length), L"=");
  EXPECT_NE(KRNUtilStrGetSafeString(L" \"a#b$c&'*+,-./:=?@[]^_`{|}~\" rest", &start, &length),
            nullptr);
  EXPECT_EQ(token(start, length), L"\"a#b$c&'*+,-./:=?@[]^_`{|}~\"");

  EXPECT_EQ(KRNUtilStrGetString(L" !!\r\nword", &start, &length), nullptr);
}

TEST(Scan, AddressHost) {
  const wchar_t *start = nullptr;
  uint32_t length = 0;
  EXPECT_NE(KRNUtilStrGetAddress(L"server=https://update.example.com:8080/x", &start, &length),
            nullptr);
  EXPECT_EQ(token(start, length), L"update.example.com");
  EXPECT_NE(KRNUtilStrGetAddress(L"host 10.0.0.1 port", &start, &length), nullptr);
  EXPECT_EQ(token(start, length), L"host");
}

TEST(Scan, ContextIsTheRestOfTheLine) {
  const wchar_t *start = nullptr;
  uint32_t length = 0;
  const wchar_t *end = KRNUtilStrGetContext(L"   Front camera 1\r\nnext", &start, &length);
  EXPECT_EQ(token(start, length), L"Front camera 1");
  EXPECT_EQ(*end, L'\r');
  EXPECT_NE(KRNUtilStrGetContext(L"last line", &start, &length), nullptr);
  EXPECT_EQ(token(start, length), L"last line");
  EXPECT_EQ(KRNUtilStrGetContext(L"   \r\nnext", &start, &length), nullptr);
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

// ---------------------------------------------------------------------------
// Hex

TEST(Hex, TextToBytesLowerCasesInPlace) {
  wchar_t text[] = L"0AfF1";
  uint8_t out[4] = {0};
  EXPECT_EQ(KRNUtil_ConvStrToBin(text, 5, out), 2u);
  EXPECT_EQ(out[0], 0x0A);
  EXPECT_EQ(out[1], 0xFF);
  EXPECT_EQ(out[2], 0);
  EXPECT_STREQ(text, L"0aff1");
  // A length past the terminator stops there.
  wchar_t shorter[] = L"12";
  EXPECT_EQ(KRNUtil_ConvStrToBin(shorter, 40, out), 1u);
  EXPECT_EQ(out[0], 0x12);
}

TEST(Hex, BytesToText) {
  const uint8_t bytes[] = {0x0A, 0xFF};
  Owned<char> text(KRNUtil_ConvBinToStr(bytes, 2));
  EXPECT_STREQ(text.get(), "0aff");
  Owned<char> empty(KRNUtil_ConvBinToStr(bytes, 0));
  EXPECT_STREQ(empty.get(), "");
}

// ---------------------------------------------------------------------------
// Base64

TEST(Base64, EncodesKnownVectors) {
  const char *vectors[][2] = {{"", ""},
                              {"f", "Zg=="},
                              {"fo", "Zm8="},
                              {"foo", "Zm9v"},
                              {"foob", "Zm9vYg=="},
                              {"fooba", "Zm9vYmE="},
                              {"foobar", "Zm9vYmFy"},
                              {"abc", "YWJj"},
                              {"a", "YQ=="}};
  for (const auto &v : vectors) {
    int32_t length = -1;
    Owned<char> text(KRNUtilBase64Encoding(reinterpret_cast<const uint8_t *>(v[0]),
                                           int32_t(strlen(v[0])), &length));
    ASSERT_TRUE(text);
    EXPECT_STREQ(text.get(), v[1]);
    EXPECT_EQ(length, int32_t(strlen(v[1])));
  }
  EXPECT_EQ(KRNUtilBase64Encoding(nullptr, -1, nullptr), nullptr);
}

TEST(Base64, DecodesKnownVectors) {
  const char *vectors[][2] = {{"f", "Zg=="},        {"fo", "Zm8="},        {"foo", "Zm9v"},
                              {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
                              {"abc", "YWJj"},      {"a", "YQ=="}};
  for (const auto &v : vectors) {
    std::wstring text = wide(v[1]);
    uint8_t out[16];
    uint32_t count = 99;
    const wchar_t *stop = KRNUtilBase64Decoding(text.c_str(), out, uint32_t(text.size()), &count);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(out), count), v[0]) << v[1];
    EXPECT_EQ(stop, text.c_str() + text.size());
  }
}

TEST(Base64, RoundTripsRandomBytes) {
  std::mt19937 rng(7);
  for (int length = 0; length < 70; ++length) {
    std::vector<uint8_t> bytes(static_cast<size_t>(length));
    for (auto &b : bytes) b = uint8_t(rng());
    int32_t textLength = 0;
    Owned<char> text(KRNUtilBase64Encoding(bytes.data(), length, &textLength));
    ASSERT_TRUE(text);
    std::wstring w = wide(text.get());
    uint32_t count = 0;
    Owned<uint8_t> decoded(KRNUtilBase64ConvToBin(w.c_str(), uint32_t(w.size()), &count));
    ASSERT_TRUE(decoded);
    ASSERT_EQ(count, uint32_t(length));
    EXPECT_EQ(std::vector<uint8_t>(decoded.get(), decoded.get() + count), bytes);
  }
}

TEST(Base64, DecodingStopsAtCommaPaddingAndShortRest) {
  uint8_t out[32];
  uint32_t count = 0;
  std::wstring list = L"Zm9v,YWJj";
  const wchar_t *stop = KRNUtilBase64Decoding(list.c_str(), out, uint32_t(list.size()), &count);
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(*stop, L',');

  // Characters outside the alphabet are passed over.
  std::wstring broken = L"Zm\r\n9v";
  KRNUtilBase64Decoding(broken.c_str(), out, uint32_t(broken.size()), &count);
  EXPECT_EQ(std::string(reinterpret_cast<char *>(out), count), "foo");

  // A leading "=" ends the data at once.
  std::wstring padded = L"====Zm9v";
  KRNUtilBase64Decoding(padded.c_str(), out, uint32_t(padded.size()), &count);
  EXPECT_EQ(count, 0u);

  // Three characters or fewer cannot make a group, whatever the length says.
  const wchar_t *four = L"Zm9v";
  for (uint32_t n = 0; n <= 3; ++n) {
    count = 9;
    EXPECT_EQ(KRNUtilBase64Decoding(four, out, n, &count), four);
    EXPECT_EQ(count, 0u) << n;
  }
  // A length beyond the text stops at its terminator.
  KRNUtilBase64Decoding(L"Zm9v", out, 4000, &count);
  EXPECT_EQ(count, 3u);
}

TEST(Base64, TokenInALine) {
  const wchar_t *start = nullptr;
  uint32_t length = 0;
  const wchar_t *text = L"key: Zm9v,YQ==; next\r\nYWJj";
  const wchar_t *end = KRNUtilBase64GetString(text + 4, &start, &length);
  EXPECT_EQ(token(start, length), L"Zm9v,YQ==");
  EXPECT_EQ(*end, L';');
  EXPECT_EQ(KRNUtilBase64GetString(L" ;;\r\nZm9v", &start, &length), nullptr);
}

TEST(Base64, ItemsWithLengths) {
  std::wstring text = L"Zm9v,YQ==,Zm9vYmFy";
  std::vector<uint8_t> out(2 * text.size() + 2, 0xEE);
  uint32_t total = KRNUtilBase64ConvToBinWLen(text.c_str(), uint32_t(text.size()), out.data());
  std::vector<uint8_t> expected = {3, 0, 'f', 'o', 'o', 1,   0,   'a',
                                   6, 0, 'f', 'o', 'o', 'b', 'a', 'r'};
  ASSERT_EQ(total, expected.size());
  EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + total), expected);

  // Base64 split over lines is one item; the list itself ends at a line end.
  std::wstring folded = L"Zm9v\r\nYWJj,YQ==";
  total = KRNUtilBase64ConvToBinWLen(folded.c_str(), uint32_t(folded.size()), out.data());
  expected = {6, 0, 'f', 'o', 'o', 'a', 'b', 'c', 1, 0, 'a'};
  ASSERT_EQ(total, expected.size());
  EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + total), expected);
  std::wstring lines = L"YQ==\r\n,Zm9v";
  total = KRNUtilBase64ConvToBinWLen(lines.c_str(), uint32_t(lines.size()), out.data());
  EXPECT_EQ(total, 3u);
}
