// The cached file stream: indexes, caches, peeking and the write cache.
#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <vector>

#include "krnstream.h"
#include "test_support.h"

namespace {

std::vector<uint8_t> counting(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(i * 7 + 3);
  return v;
}

class StreamTest : public testing::Test {
 protected:
  void SetUp() override {
    data_ = counting(10000);
    writeBytes(dir_.path("in.bin"), data_);
    ASSERT_EQ(KRNStreamBuf_Open(&s_, dir_.wpath("in.bin").c_str(), nullptr, 0), 0);
  }
  void TearDown() override { KRNStreamBuf_Close(s_); }
  ScratchDir dir_;
  std::vector<uint8_t> data_;
  KRNStreamBuf *s_ = nullptr;
};

}  // namespace

TEST_F(StreamTest, TwentyIndexesAndSlotReuse) {
  Traces traces;
  int32_t idx[20];
  for (int i = 0; i < 20; ++i) ASSERT_EQ(KRNStreamBuf_Index(s_, &idx[i], i % 2 ? 64 : 0), i);
  int32_t extra = -1;
  EXPECT_EQ(KRNStreamBuf_Index(s_, &extra, 0), KRNSTREAM_ERR_NOMEM);
  EXPECT_TRUE(traces.has(L"ERROR:[krnstreamfile] krnstream_file:"));
  EXPECT_TRUE(traces.has(L"(KRNStreamFile_Index) : opened index too many"));
  EXPECT_EQ(KRNStreamBuf_Release(s_, 7), 0);
  EXPECT_EQ(KRNStreamBuf_Index(s_, &extra, 16), 7);
}

TEST_F(StreamTest, CachedReadsRefillAndEnd) {
  int32_t idx;
  ASSERT_EQ(KRNStreamBuf_Index(s_, &idx, 100), 0);
  uint8_t buf[300];
  EXPECT_EQ(KRNStreamBuf_ReadBuffer(s_, idx, buf, 10), 10);  // straight read, then refill
  EXPECT_EQ(memcmp(buf, data_.data(), 10), 0);
  EXPECT_EQ(KRNStreamBuf_Pos(s_, idx), 10u);
  EXPECT_EQ(KRNStreamBuf_ReadBuffer(s_, idx, buf, 60), 60);  // from the cache
  EXPECT_EQ(memcmp(buf, data_.data() + 10, 60), 0);
  // 40 left in the cache, 210 fetched behind them, then the cache refills.
  EXPECT_EQ(KRNStreamBuf_ReadBuffer(s_, idx, buf, 250), 250);
  EXPECT_EQ(memcmp(buf, data_.data() + 70, 250), 0);
  EXPECT_EQ(KRNStreamBuf_Pos(s_, idx), 320u);
  EXPECT_EQ(KRNStreamBuf_ReadBuffer(s_, idx, buf, 100), 100);
  EXPECT_EQ(memcmp(buf, data_.data() + 320, 100), 0);

  EXPECT_EQ(KRNStreamBuf_Seek(s_, idx, 10000), 0);  // exactly the size
  Traces traces;
  EXPECT_EQ(KRNStreamBuf_ReadBuffer(s_, idx, buf, 1), KRNSTREAM_ERR_READ);
  EXPECT_EQ(KRNStreamBuf_Seek(s_, idx, 10001), KRNSTREAM_ERR_SEEK);
  EXPECT_TRUE(traces.has(L"Out of File size!!! cur(10000) pos(10001)"));
  EXPECT_EQ(KRNStreamBuf_Pos(s_, idx), 10000u);
}

// Positions are kept well away from the C runtime's own 4 KiB buffer, so a
// read that reaches the file really sees the file.
TEST_F(StreamTest, BackwardSkipInsideTheCacheDoesNotRereadTheFile) {
  data_ = counting(40000);
  writeBytes(dir_.path("big.bin"), data_);
  KRNStreamBuf *s = nullptr;
  ASSERT_EQ(KRNStreamBuf_Open(&s, dir_.wpath("big.bin").c_str(), nullptr, 0), 0);
  int32_t idx;
  ASSERT_EQ(KRNStreamBuf_Index(s, &idx, 16384), 0);
  std::vector<uint8_t> buf(12000);
  KRNStreamBuf_ReadBuffer(s, idx, buf.data(), 4);      // cache now holds 4..16387
  KRNStreamBuf_ReadBuffer(s, idx, buf.data(), 12000);  // consumed 12000 of it
  writeBytes(dir_.path("big.bin"), std::vector<uint8_t>(40000, 0xEE));
  EXPECT_EQ(KRNStreamBuf_Skip(s, idx, -3000), 0);
  EXPECT_EQ(KRNStreamBuf_Pos(s, idx), 9004u);
  EXPECT_EQ(KRNStreamBuf_ReadBuffer(s, idx, buf.data(), 8), 8);
  EXPECT_EQ(memcmp(buf.data(), data_.data() + 9004, 8), 0);
  EXPECT_EQ(KRNStreamBuf_Skip(s, idx, 100), 0);  // forward, still cached
  EXPECT_EQ(KRNStreamBuf_ReadBuffer(s, idx, buf.data(), 4), 4);
  EXPECT_EQ(memcmp(buf.data(), data_.data() + 9112, 4), 0);
  // A skip beyond the cache goes to the file, which now reads 0xEE.
  EXPECT_EQ(KRNStreamBuf_Skip(s, idx, 20000), 0);
  EXPECT_EQ(KRNStreamBuf_Pos(s, idx), 29116u);
  EXPECT_EQ(KRNStreamBuf_ReadBuffer(s, idx, buf.data(), 4), 4);
  EXPECT_EQ(buf[0], 0xEE);
  EXPECT_EQ(KRNStreamBuf_Skip(s, idx, -40000), KRNSTREAM_ERR_SEEK);
  KRNStreamBuf_Close(s);
}

TEST_F(StreamTest, TypedReadersAndPeekCursor) {
  int32_t a, b;
  KRNStreamBuf_Index(s_, &a, 0);
  KRNStreamBuf_Index(s_, &b, 32);
  int32_t e = 0;
  EXPECT_EQ(KRNStreamBuf_ReadDWordBE(s_, a, &e),
            static_cast<uint32_t>(data_[0] << 24 | data_[1] << 16 | data_[2] << 8 | data_[3]));
  EXPECT_EQ(KRNStreamBuf_ReadWordLE(s_, b, &e), static_cast<uint16_t>(data_[1] << 8 | data_[0]));
  EXPECT_EQ(KRNStreamBuf_Read3ByteBE(s_, a, &e),
            static_cast<uint32_t>(data_[4] << 16 | data_[5] << 8 | data_[6]));
  EXPECT_EQ(e, 0);
  uint64_t q = KRNStreamBuf_ReadQWordLE(s_, b, &e);
  EXPECT_EQ(q & 0xFF, data_[2]);

  uint8_t peek[16];
  EXPECT_EQ(KRNStreamBuf_ShowBuffer(s_, peek, 16), 16);
  EXPECT_EQ(memcmp(peek, data_.data(), 16), 0);
  EXPECT_EQ(KRNStreamBuf_ShowSkip(s_, 100), 0);
  EXPECT_EQ(KRNStreamBuf_ShowPos(s_), 116u);
  EXPECT_EQ(KRNStreamBuf_ShowBuffer(s_, peek, 4), 4);
  EXPECT_EQ(memcmp(peek, data_.data() + 116, 4), 0);
  EXPECT_EQ(KRNStreamBuf_ReadByte(s_, a, &e), data_[7]);  // cursors are unaffected
  KRNStreamBuf_ShowReset(s_);
  EXPECT_EQ(KRNStreamBuf_ShowPos(s_), 0u);

  KRNStreamBuf_Seek(s_, a, 9998);
  e = 0;
  EXPECT_EQ(KRNStreamBuf_ReadDWordBE(s_, a, &e), 0u);
  EXPECT_EQ(e, 2);  // the count that was read
  EXPECT_EQ(KRNStreamBuf_GetFileSize(s_), 10000u);
  EXPECT_STREQ(KRNStreamBuf_GetName(s_), dir_.wpath("in.bin").c_str());
}

TEST_F(StreamTest, DuplicateHasItsOwnFileAndNoIndexes) {
  KRNStreamBuf *dup = nullptr;
  ASSERT_EQ(KRNStreamBuf_Dup(s_, &dup), 0);
  int32_t a, b;
  EXPECT_EQ(KRNStreamBuf_Index(s_, &a, 0), 0);
  EXPECT_EQ(KRNStreamBuf_Index(dup, &b, 0), 0);
  KRNStreamBuf_Seek(dup, b, 5000);
  uint8_t x[4], y[4];
  KRNStreamBuf_ReadBuffer(s_, a, x, 4);
  KRNStreamBuf_ReadBuffer(dup, b, y, 4);
  EXPECT_EQ(memcmp(x, data_.data(), 4), 0);
  EXPECT_EQ(memcmp(y, data_.data() + 5000, 4), 0);
  EXPECT_EQ(KRNStreamBuf_Size(dup), 10000u);
  KRNStreamBuf_Close(dup);
}

TEST(StreamOpen, MissingFileAndNotSupportedSlots) {
  Traces traces;
  KRNStreamBuf *s = nullptr;
  EXPECT_EQ(KRNStreamBuf_Open(&s, L"/nonexistent/x.mp4", nullptr, 0), KRNSTREAM_ERR_OPEN);
  EXPECT_EQ(s, nullptr);
  EXPECT_TRUE(traces.has(L"KRN_FileOpen failed. path(/nonexistent/x.mp4) write(0)"));
  EXPECT_TRUE(traces.has(L"[krnstreambuf] krnstream_buf:"));
  EXPECT_TRUE(traces.has(L"Open failed ret("));
  EXPECT_EQ(KRNStreamBuf_CurSize(nullptr, 0), static_cast<uint32_t>(KRNSTREAM_ERR_NOTSUPPORTED));
}

TEST(StreamWrite, OnlyIndexZeroWritesAndDupIsRefused) {
  ScratchDir dir;
  KRNStreamBuf *w = nullptr;
  ASSERT_EQ(KRNStreamBuf_Open(&w, dir.wpath("out.bin").c_str(), nullptr, 1), 0);
  int32_t i0, i1;
  KRNStreamBuf_Index(w, &i0, 0);
  KRNStreamBuf_Index(w, &i1, 0);
  Traces traces;
  EXPECT_EQ(KRNStreamBuf_WriteBuffer(w, i1, "x", 1), KRNSTREAM_ERR_NOTSUPPORTED);
  EXPECT_TRUE(traces.has(L"index must be zero"));
  KRNStreamBuf *dup = nullptr;
  EXPECT_EQ(KRNStreamBuf_Dup(w, &dup), KRNSTREAM_ERR_OPEN);
  EXPECT_TRUE(traces.has(L"can not support in write mode"));
  uint8_t b[4];
  EXPECT_EQ(KRNStreamBuf_ShowBuffer(w, b, 4), KRNSTREAM_ERR_NOTSUPPORTED);
  int32_t e = 0;
  EXPECT_EQ(KRNStreamBuf_WriteDWordBE(w, i0, 0x01020304, &e), 4);
  EXPECT_EQ(KRNStreamBuf_WriteWordLE(w, i0, 0x0506, &e), 2);
  EXPECT_EQ(KRNStreamBuf_WriteByte(w, i0, 7, &e), 1);
  KRNStreamBuf_Close(w);
  EXPECT_EQ(readBytes(dir.path("out.bin")), (std::vector<uint8_t>{1, 2, 3, 4, 6, 5, 7}));
}

// With a cache of S the file sees writes of S/2, one node behind the writer.
// Nodes are larger than the C runtime's buffer, so each node write reaches
// the disk at once and the file size shows it.
TEST(StreamWrite, WriteCacheWritesWholeNodesOneBehind) {
  ScratchDir dir;
  const std::string out = dir.path("cache.bin");
  KRNStreamBuf *w = nullptr;
  ASSERT_EQ(KRNStreamBuf_Open(&w, widen(out).c_str(), nullptr, 1), 0);
  int32_t i0;
  ASSERT_EQ(KRNStreamBuf_Index(w, &i0, 16384), 0);  // two nodes of 8192
  std::vector<uint8_t> data = counting(36864);
  EXPECT_EQ(KRNStreamBuf_WriteBuffer(w, i0, data.data(), 8192), 8192);
  EXPECT_EQ(fileSize(out), 0);  // first node full, second empty: nothing written
  EXPECT_EQ(KRNStreamBuf_WriteBuffer(w, i0, data.data() + 8192, 12288), 12288);
  EXPECT_EQ(fileSize(out), 8192);  // the first node, once the writer needed it again
  EXPECT_EQ(KRNStreamBuf_WriteBuffer(w, i0, data.data() + 20480, 16384), 16384);
  EXPECT_EQ(fileSize(out), 24576);
  EXPECT_EQ(KRNStreamBuf_Size(w), 36864u);

  // Reading back sees the bytes still held by the nodes.
  int32_t r;
  ASSERT_EQ(KRNStreamBuf_Index(w, &r, 0), 1);
  KRNStreamBuf_Seek(w, r, 24000);
  std::vector<uint8_t> back(10000);
  EXPECT_EQ(KRNStreamBuf_ReadBuffer(w, r, back.data(), 10000), 10000);
  EXPECT_EQ(memcmp(back.data(), data.data() + 24000, 10000), 0);

  // A jump backwards hands the current node over and starts a new one.
  KRNStreamBuf_Seek(w, i0, 10);
  EXPECT_EQ(KRNStreamBuf_WriteBuffer(w, i0, "ABCD", 4), 4);
  KRNStreamBuf_Close(w);
  std::vector<uint8_t> expect = data;
  memcpy(expect.data() + 10, "ABCD", 4);
  EXPECT_EQ(readBytes(out), expect);
}

TEST(StreamFormat, VideoAndAudioBlocks) {
  ScratchDir dir;
  KRNStreamBuf *w = nullptr;
  ASSERT_EQ(KRNStreamBuf_Open(&w, dir.wpath("fmt.bin").c_str(), nullptr, 1), 0);
  int32_t i0;
  KRNStreamBuf_Index(w, &i0, 0);
  KRNUtilVideoInfo v{};
  v.codec = KRNUTIL_FOURCC('H', '2', '6', '4');
  v.width = 640;
  v.height = 360;
  EXPECT_EQ(KRNStreamBuf_PutVideoFormat(w, i0, &v), 40);

  KRNUtilVideoInfo h{};
  h.codec = KRNUTIL_FOURCC('h', 'v', 'c', '1');
  h.width = 320;
  h.height = 240;
  uint8_t cfg[33] = {0, 0, 0, 1, 0x40, 1};
  for (int i = 6; i < 33; ++i) cfg[i] = static_cast<uint8_t>(i);
  memcpy(h.config, cfg, 33);
  h.configLength = 33;
  EXPECT_EQ(KRNStreamBuf_PutVideoFormat(w, i0, &h), 74);  // one pad byte, ends in zero
  cfg[31] = 0;
  h.configLength = 32;  // even, ending in zero: no pad, no trailer
  memcpy(h.config, cfg, 33);
  EXPECT_EQ(KRNStreamBuf_PutVideoFormat(w, i0, &h), 72);
  cfg[31] = 9;
  memcpy(h.config, cfg, 33);
  EXPECT_EQ(KRNStreamBuf_PutVideoFormat(w, i0, &h), 74);  // even, last byte set: two more

  KRNUtilAudioInfo a{};
  a.codec = 255;
  a.channels = 2;
  a.sampleRate = 44100;
  a.bitRate = 128000;
  EXPECT_EQ(KRNStreamBuf_PutAudioFormat(w, i0, &a), 16);
  a.config[0] = 0x12;
  a.config[1] = 0x10;
  a.configLength = 2;
  EXPECT_EQ(KRNStreamBuf_PutAudioFormat(w, i0, &a), 20);
  KRNStreamBuf_Close(w);

  std::vector<uint8_t> bytes = readBytes(dir.path("fmt.bin"));
  ASSERT_EQ(bytes.size(), 40u + 74 + 72 + 74 + 16 + 20);
  EXPECT_EQ(bytes[0], 40);   // header size
  EXPECT_EQ(bytes[14], 24);  // bit count default
  EXPECT_EQ(memcmp(bytes.data() + 16, "H264", 4), 0);
  const uint32_t image = 3 * 640 * 360;
  EXPECT_EQ(bytes[20] | bytes[21] << 8 | bytes[22] << 16 | bytes[23] << 24,
            static_cast<int>(image));
  EXPECT_EQ(bytes[40], 40 + 34);  // header size counts the padded block
  const uint8_t *wave = bytes.data() + 40 + 74 + 72 + 74;
  EXPECT_EQ(wave[0], 255);
  EXPECT_EQ(wave[8] | wave[9] << 8 | wave[10] << 16, 16000);  // bytes per second
}
