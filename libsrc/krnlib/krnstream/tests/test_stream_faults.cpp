// Faults of the file stream and the writer around it: long paths, writes that
// reach the disk only in part, and the writer's option kept to its own file.
#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <vector>

#include "krnstream.h"
#include "test_support.h"

namespace {

// While alive, files of this process cannot grow past limit bytes; a write
// beyond it is cut short instead of killing the process.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t limit) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previous_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit l = saved_;
    l.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &l);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previous_);
  }

 private:
  rlimit saved_{};
  void (*previous_)(int) = nullptr;
};

int gCallbacks = 0;
void countCallback(int, const wchar_t *) {
  ++gCallbacks;
}

}  // namespace

// A path of more than 256 characters is kept whole: the stream reads the
// file it names, tells its whole name and a duplicate opens the same file.
TEST(StreamPaths, LongPathsAreKeptWhole) {
  ScratchDir dir;
  std::string path = dir.dir();
  for (int i = 0; path.size() < 400; ++i) {
    path += "/" + std::string(60, static_cast<char>('a' + i));
    ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
  }
  path += "/clip.mp4";
  std::vector<uint8_t> data(3000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 13);
  writeBytes(path, data);
  std::wstring wide = widen(path);
  ASSERT_GT(wide.size(), 400u);

  KRNStreamBuf *s = nullptr;
  ASSERT_EQ(KRNStreamBuf_Open(&s, wide.c_str(), nullptr, 0), 0);
  EXPECT_EQ(std::wstring(KRNStreamBuf_GetName(s)), wide);
  EXPECT_EQ(KRNStreamBuf_GetFileSize(s), 3000u);
  KRNStreamBuf *dup = nullptr;
  ASSERT_EQ(KRNStreamBuf_Dup(s, &dup), 0);
  EXPECT_EQ(std::wstring(KRNStreamBuf_GetName(dup)), wide);
  int32_t idx = -1;
  ASSERT_EQ(KRNStreamBuf_Index(dup, &idx, 512), 0);
  ASSERT_EQ(KRNStreamBuf_Seek(dup, idx, 2000), 0);
  std::vector<uint8_t> got(1000);
  ASSERT_EQ(KRNStreamBuf_ReadBuffer(dup, idx, got.data(), 1000), 1000);
  EXPECT_TRUE(std::equal(got.begin(), got.end(), data.begin() + 2000));
  EXPECT_EQ(KRNStreamBuf_Close(dup), 0);
  EXPECT_EQ(KRNStreamBuf_Close(s), 0);

  // The writer refuses a path longer than it can hold rather than cut it.
  std::wstring tooLong = widen(dir.dir()) + L"/" + std::wstring(600, L'x');
  KRNWriterParam p{};
  p.path = tooLong.c_str();
  KRNWriter *w = nullptr;
  EXPECT_EQ(KRNWriterOpen(&w, &p), KRNSTREAM_ERR_OPEN);
  EXPECT_EQ(w, nullptr);
}

// The disk takes only part of the data: the writer hears of it, through
// a failed write or at the latest when the stream closes.
TEST(StreamWrite, ShortWritesAreFailures) {
  ScratchDir dir;
  std::vector<uint8_t> chunk(1000, 0x42);
  {
    // Through the write cache: nodes of 64 KiB, the file stops at 100000.
    FileSizeLimit limit(100000);
    KRNStreamBuf *s = nullptr;
    ASSERT_EQ(KRNStreamBuf_Open(&s, dir.wpath("cached.bin").c_str(), nullptr, 1), 0);
    int32_t idx = -1;
    ASSERT_EQ(KRNStreamBuf_Index(s, &idx, 131072), 0);
    int failures = 0;
    for (int i = 0; i < 300; ++i)
      failures += KRNStreamBuf_WriteBuffer(s, idx, chunk.data(), 1000) < 0;
    EXPECT_GT(failures, 0);  // the third node reached the disk in part
    EXPECT_EQ(KRNStreamBuf_Close(s), KRNSTREAM_ERR_WRITE);
  }
  {
    // The last node is written as the stream closes.
    FileSizeLimit limit(100000);
    KRNStreamBuf *s = nullptr;
    ASSERT_EQ(KRNStreamBuf_Open(&s, dir.wpath("tail.bin").c_str(), nullptr, 1), 0);
    int32_t idx = -1;
    ASSERT_EQ(KRNStreamBuf_Index(s, &idx, 1 << 20), 0);
    for (int i = 0; i < 120; ++i) ASSERT_EQ(KRNStreamBuf_WriteBuffer(s, idx, chunk.data(), 1000), 1000);
    EXPECT_EQ(KRNStreamBuf_Close(s), KRNSTREAM_ERR_WRITE);
  }
  {
    // Without a cache: the C runtime's buffer goes out at close.
    FileSizeLimit limit(2500);
    KRNStreamBuf *s = nullptr;
    ASSERT_EQ(KRNStreamBuf_Open(&s, dir.wpath("direct.bin").c_str(), nullptr, 1), 0);
    int32_t idx = -1;
    ASSERT_EQ(KRNStreamBuf_Index(s, &idx, 0), 0);
    for (int i = 0; i < 3; ++i) KRNStreamBuf_WriteBuffer(s, idx, chunk.data(), 1000);
    EXPECT_EQ(KRNStreamBuf_Close(s), KRNSTREAM_ERR_WRITE);
  }
  // Within the limit all is well.
  KRNStreamBuf *s = nullptr;
  ASSERT_EQ(KRNStreamBuf_Open(&s, dir.wpath("fine.bin").c_str(), nullptr, 1), 0);
  int32_t idx = -1;
  ASSERT_EQ(KRNStreamBuf_Index(s, &idx, 8192), 0);
  for (int i = 0; i < 14; ++i) ASSERT_EQ(KRNStreamBuf_WriteBuffer(s, idx, chunk.data(), 1000), 1000);
  EXPECT_EQ(KRNStreamBuf_Close(s), 0);
  EXPECT_EQ(fileSize(dir.path("fine.bin")), 14000);
}

// A writer's option makes its own file fresh and calls back for it alone;
// later writers open existing files for update, and readers are untouched.
TEST(StreamWrite, WriterOptionStaysWithItsWriter) {
  ScratchDir dir;
  writeBytes(dir.path("mine.avi"), {9, 9, 9});
  writeBytes(dir.path("later.avi"), {1, 2, 3, 4});
  gCallbacks = 0;

  std::wstring mine = dir.wpath("mine.avi"), later = dir.wpath("later.avi");
  KRNWriterParam p{};
  p.path = mine.c_str();
  p.option = 1;
  p.optionCallback = countCallback;
  KRNWriter *w = nullptr;
  EXPECT_EQ(KRNWriterOpen(&w, &p), KRNSTREAM_ERR_FORMAT);  // no container writer
  EXPECT_EQ(fileSize(dir.path("mine.avi")), 0);
  EXPECT_EQ(gCallbacks, 1);
  EXPECT_EQ(KRNStreamBuf_GetOption(), 0);

  KRNWriterParam q{};
  q.path = later.c_str();
  EXPECT_EQ(KRNWriterOpen(&w, &q), KRNSTREAM_ERR_FORMAT);
  EXPECT_EQ(readBytes(dir.path("later.avi")), (std::vector<uint8_t>{1, 2, 3, 4}));
  EXPECT_EQ(gCallbacks, 1);

  // The process-wide option still reaches streams opened for writing, but a
  // stream that only reads is neither truncated nor handed to the callback.
  KRNStreamBuf_SetOption(1, countCallback);
  KRNStreamBuf *s = nullptr;
  ASSERT_EQ(KRNStreamBuf_Open(&s, later.c_str(), nullptr, 0), 0);
  EXPECT_EQ(KRNStreamBuf_Close(s), 0);
  EXPECT_EQ(readBytes(dir.path("later.avi")), (std::vector<uint8_t>{1, 2, 3, 4}));
  EXPECT_EQ(gCallbacks, 1);
  ASSERT_EQ(KRNStreamBuf_Open(&s, mine.c_str(), nullptr, 1), 0);
  EXPECT_EQ(KRNStreamBuf_Close(s), 0);
  EXPECT_EQ(gCallbacks, 2);
  KRNStreamBuf_SetOption(0, nullptr);
}
