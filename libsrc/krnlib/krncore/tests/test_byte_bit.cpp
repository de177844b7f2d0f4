// Byte and bit readers over blocks, including their ends.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "krncore.h"

namespace {

struct ByteReader {
  explicit ByteReader(const std::vector<uint8_t> &bytes)
      : r(KRNByte_Open(bytes.data(), bytes.size())) {}
  ~ByteReader() { KRNByte_Close(r); }
  KrnByteReader *r;
};

struct BitReader {
  BitReader(uint8_t *data, uint32_t size) : b(KRNBitOpen(data, size)) {}
  ~BitReader() { KRNBitClose(b); }
  KrnBitReader *b;
};

}  // namespace

TEST(ByteReader, EndiannessAndEndFlag) {
  std::vector<uint8_t> d = {1, 2, 3, 4};
  ByteReader br(d);
  uint32_t end = 7;
  EXPECT_EQ(KRNByte_Get_be_uint16(br.r, &end), 0x0102);
  EXPECT_EQ(end, 0u);
  EXPECT_EQ(KRNByte_Pos(br.r), 2u);
  EXPECT_EQ(KRNByte_Get_le_uint16(br.r, &end), 0x0403);
  EXPECT_EQ(KRNByte_Pos(br.r), 4u);
  EXPECT_EQ(KRNByte_Get_char(br.r, &end), 0);
  EXPECT_EQ(end, 1u);
  EXPECT_EQ(KRNByte_Pos(br.r), 4u);
  EXPECT_EQ(KRNByte_Remain(br.r), 0u);
  EXPECT_EQ(KRNByte_Get_char(br.r, nullptr), 0);  // the flag is optional
}

TEST(ByteReader, WidthsPeeksAndSignedNames) {
  std::vector<uint8_t> d = {0xFF, 0xFF, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09};
  ByteReader br(d);
  uint32_t end;
  EXPECT_EQ(KRNByte_Peek_le_int16(br.r, &end), -1);
  EXPECT_EQ(static_cast<uint16_t>(KRNByte_Get_le_int16(br.r, &end)), 0xFFFF);
  EXPECT_EQ(KRNByte_Peek_be_uint32(br.r, &end), 0x01020304u);
  EXPECT_EQ(KRNByte_Pos(br.r), 2u);
  EXPECT_EQ(KRNByte_Get_3char_be_uint32(br.r, &end), 0x010203u);
  EXPECT_EQ(KRNByte_Pos(br.r), 5u);
  EXPECT_EQ(KRNByte_Peek_le_uint32(br.r, &end), 0x07060504u);
  EXPECT_EQ(KRNByte_Get_be_uint64(br.r, &end), 0u);  // 6 bytes left: refused
  EXPECT_EQ(end, 1u);
  EXPECT_EQ(KRNByte_Pos(br.r), 5u);

  std::vector<uint8_t> e = {1, 2, 3, 4, 5, 6, 7, 8};
  ByteReader be(e);
  EXPECT_EQ(KRNByte_Peek_le_uint64(be.r, &end), 0x0807060504030201ull);
  EXPECT_EQ(KRNByte_Get_be_int64(be.r, &end), 0x0102030405060708ll);
  EXPECT_EQ(end, 0u);
}

TEST(ByteReader, ValuesRunningPastTheEndFailLikeTheEnd) {
  std::vector<uint8_t> d = {0xAA, 0xBB, 0xCC};
  ByteReader br(d);
  uint32_t end;
  KRNByte_Skip(br.r, 1, &end);
  EXPECT_EQ(KRNByte_Get_be_uint32(br.r, &end), 0u);
  EXPECT_EQ(end, 1u);
  EXPECT_EQ(KRNByte_Pos(br.r), 1u);
  EXPECT_EQ(KRNByte_Peek_le_uint16(br.r, &end), 0xCCBB);
  EXPECT_EQ(end, 0u);
  EXPECT_EQ(KRNByte_Get_3char_be_uint32(br.r, &end), 0u);
  EXPECT_EQ(end, 1u);
}

TEST(ByteReader, Skip) {
  std::vector<uint8_t> d = {1, 2, 3, 4};
  ByteReader a(d), b(d);
  uint32_t end = 0;
  EXPECT_EQ(KRNByte_Skip(a.r, 4, &end), 0u);  // exactly to the end counts as the end
  EXPECT_EQ(end, 1u);
  EXPECT_EQ(KRNByte_Pos(a.r), 4u);
  EXPECT_EQ(KRNByte_Skip(b.r, 3, &end), 3u);
  EXPECT_EQ(end, 0u);
  EXPECT_EQ(KRNByte_Skip(b.r, 0xFFFFFFFFu, &end), 0u);  // no wrap-around
  EXPECT_EQ(KRNByte_Pos(b.r), 4u);
}

TEST(ByteReader, CharacterAndStringCopies) {
  std::vector<uint8_t> d = {'m', 'o', 'o', 'v', 'x', 'y'};
  ByteReader br(d);
  uint32_t end;
  uint8_t four[4], three[3], rest[8];
  ASSERT_NE(KRNByte_Peek_4char(br.r, four, &end), nullptr);
  EXPECT_EQ(memcmp(four, "moov", 4), 0);
  EXPECT_EQ(KRNByte_Pos(br.r), 0u);
  ASSERT_NE(KRNByte_Peek_3char(br.r, three, &end), nullptr);
  EXPECT_EQ(memcmp(three, "moo", 3), 0);
  EXPECT_EQ(KRNByte_Pos(br.r), 3u);  // this peek advances
  EXPECT_EQ(KRNByte_Get_string(br.r, rest, 0, &end), rest);
  ASSERT_NE(KRNByte_Peek_string(br.r, rest, 2, &end), nullptr);
  EXPECT_EQ(memcmp(rest, "vx", 2), 0);
  EXPECT_EQ(KRNByte_Pos(br.r), 3u);

  memset(rest, 0, sizeof rest);
  EXPECT_EQ(KRNByte_Get_string(br.r, rest, 5, &end), nullptr);  // 3 bytes left
  EXPECT_EQ(end, 1u);
  EXPECT_EQ(memcmp(rest, "vxy", 3), 0);
  EXPECT_EQ(rest[3], 0);
  EXPECT_EQ(KRNByte_Pos(br.r), 6u);
  EXPECT_EQ(KRNByte_Get_4char(br.r, four, &end), nullptr);
}

TEST(BitReader, ReadsAlignAndProcessed) {
  uint8_t d[] = {0xB4, 0x00, 0x00, 0x00};
  BitReader br(d, sizeof d);
  EXPECT_EQ(KRNBitGetBit(br.b, 1), 1u);
  EXPECT_EQ(KRNBitGetBit(br.b, 3), 3u);
  EXPECT_EQ(KRNBitByteAlign(br.b), 4);
  EXPECT_EQ(KRNBitGetProcessed(br.b), 8);
  EXPECT_EQ(KRNBitByteAlign(br.b), 0);
}

TEST(BitReader, ShowFastFlushAndBookmark) {
  uint8_t d[] = {0x12, 0x34, 0x56, 0x78, 0x9A};
  BitReader br(d, sizeof d);
  EXPECT_EQ(KRNBitShow(br.b, 12), 0x123u);
  EXPECT_EQ(KRNBitGetProcessed(br.b), 0);
  EXPECT_EQ(KRNBitGetFast(br.b, 4), 0x1u);
  EXPECT_EQ(KRNBitGetBit(br.b, 32), 0x23456789u);  // crosses into the fifth byte
  EXPECT_EQ(KRNBitBookmark(br.b, 1), 36);
  uint32_t five = KRNBitGetBit(br.b, 5);
  EXPECT_EQ(KRNBitBookmark(br.b, 0), 36);
  EXPECT_EQ(KRNBitGetBit(br.b, 5), five);
  EXPECT_EQ(KRNBitGet1Bit(br.b), 0u);  // past the end of the block
  BitReader fl(d, sizeof d);
  EXPECT_EQ(KRNBitFlush(fl.b, 4), 0);
  EXPECT_EQ(KRNBitFlush(fl.b, 12), 2);
  EXPECT_EQ(KRNBitGetBit(fl.b, 8), 0x56u);
}

TEST(BitReader, BoundedBySizeGivenAtOpen) {
  // The block is the first two bytes; the bytes behind it must stay unseen
  // and untouched.
  uint8_t d[] = {0xFF, 0xFF, 0xEE, 0xEE, 0xEE, 0xEE};
  BitReader br(d, 2);
  EXPECT_EQ(KRNBitGetBit(br.b, 4), 0xFu);
  EXPECT_EQ(KRNBitGetBit(br.b, 20), 0xFFF00u);  // bits past the end read as zero
  EXPECT_EQ(KRNBitGetBit(br.b, 8), 0u);
  BitReader wr(d, 2);
  KRNBitFlush(wr.b, 12);
  KRNBitPutBit(wr.b, 12, 0xABC);
  EXPECT_EQ(d[0], 0xFF);
  EXPECT_EQ(d[1], 0xFA);
  EXPECT_EQ(d[2], 0xEE);
  EXPECT_EQ(d[3], 0xEE);
}

TEST(BitWriter, PutClearsTheRestOfTheWindow) {
  uint8_t zero[4] = {0, 0, 0, 0};
  BitReader z(zero, 4);
  KRNBitPutBit(z.b, 3, 5);
  EXPECT_EQ(zero[0], 0xA0);
  uint8_t ones[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  BitReader o(ones, 6);
  KRNBitPutBit(o.b, 3, 5);
  EXPECT_EQ(std::vector<uint8_t>(ones, ones + 6),
            (std::vector<uint8_t>{0xA0, 0, 0, 0, 0xFF, 0xFF}));

  uint8_t buf[8] = {};
  BitReader w(buf, 8);
  KRNBitPutBit(w.b, 4, 0x9);
  const uint8_t bytes[] = {0x12, 0x34};
  KRNBitPutByte(w.b, 2, bytes);  // not byte-aligned
  KRNBitPutBit(w.b, 32, 0xDEADBEEF);
  EXPECT_EQ(KRNBitGetProcessed(w.b), 52);
  BitReader r(buf, 8);
  EXPECT_EQ(KRNBitGetBit(r.b, 4), 0x9u);
  EXPECT_EQ(KRNBitGetBit(r.b, 16), 0x1234u);
  EXPECT_EQ(KRNBitGetBit(r.b, 32), 0xDEADBEEFu);
}

TEST(BitCount, Population) {
  EXPECT_EQ(KRNBitCount(0xF0F0), 8);
  EXPECT_EQ(KRNBitCount(0), 0);
  EXPECT_EQ(KRNBitCount(0xFFFFFFFFu), 32);
}
