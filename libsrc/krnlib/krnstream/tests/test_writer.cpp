// The writer: without a container writer every open fails after touching
// the output file; with a container offered by the test, the disk budget and
// the limits around each write.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../src/krnstream_writer_ops.h"
#include "krnstream.h"
#include "test_support.h"

namespace {

// A container that writes each frame behind an 8-byte header and spends the
// budget by what it wrote; what it is asked is counted.
struct Container {
  bool refuse = false;
  int32_t setInfoResult = 0;
  int32_t writeResult = 0;
  uint32_t maxFileSize = 0, maxDuration = 0, maxFrames = 0;
  int closes = 0, setInfos = 0, writes = 0, syncs = 0, sizes = 0;
  KRNWriterShared *shared = nullptr;
  int32_t cursor = -1;
};
Container gContainer;

int32_t containerOpen(KRNWriterShared *shared, void **context) {
  if (gContainer.refuse) return KRNSTREAM_ERR_FORMAT;
  shared->mutex = KRN_MutexCreate();
  shared->maxFileSize = gContainer.maxFileSize;
  shared->maxDuration = gContainer.maxDuration;
  shared->maxFrames = gContainer.maxFrames;
  gContainer.shared = shared;
  KRNStreamBuf_Index(shared->stream, &gContainer.cursor, 0);
  *context = &gContainer;
  return 0;
}
void containerClose(void *) {
  ++gContainer.closes;
}
int32_t containerSetInfo(void *, const KRNReaderInfo *) {
  ++gContainer.setInfos;
  return gContainer.setInfoResult;
}
int32_t containerPrepare(void *, const KRNReaderFrame *) {
  return 8;
}
int32_t containerWrite(void *, const KRNReaderFrame *f) {
  if (gContainer.writeResult < 0) return gContainer.writeResult;
  ++gContainer.writes;
  KRNStreamBuf *s = gContainer.shared->stream;
  KRNStreamBuf_WriteDWordLE(s, gContainer.cursor, f->mediaType, nullptr);
  KRNStreamBuf_WriteDWordLE(s, gContainer.cursor, f->size, nullptr);
  KRNStreamBuf_WriteBuffer(s, gContainer.cursor, f->data, f->size);
  gContainer.shared->budget -= 8 + f->size;
  return 0;
}
int32_t containerGetSize(void *, uint32_t *size) {
  ++gContainer.sizes;
  *size = 12345;
  return 0;
}
void containerSetSync(void *, int32_t) {
  ++gContainer.syncs;
}

const KRNWriterContainerOps kFull = {containerOpen,    containerClose, containerSetInfo,
                                     containerPrepare, containerWrite, containerGetSize,
                                     containerSetSync};
const KRNWriterContainerOps kBare = {containerOpen,  containerClose, nullptr, nullptr,
                                     containerWrite, nullptr,        nullptr};

std::vector<int> gCallbackFds;
std::wstring gCallbackPath;
void onClosed(int fd, const wchar_t *path) {
  gCallbackFds.push_back(fd);
  gCallbackPath = path;
}

class WriterTest : public testing::Test {
 protected:
  void TearDown() override {
    KRNWriterSetTestContainer(nullptr);
    KRNStreamBuf_SetOption(0, nullptr);
    gContainer = Container{};
  }
  int32_t open(KRNWriter **w, const std::string &name, const std::string &name2 = "",
               int64_t budget = 0) {
    path_ = dir_.wpath(name);
    path2_ = name2.empty() ? L"" : dir_.wpath(name2);
    KRNWriterParam p{};
    p.path = path_.c_str();
    p.path2 = name2.empty() ? nullptr : path2_.c_str();
    p.path2Size = budget;
    p.option = option_;
    p.optionCallback = option_ ? onClosed : nullptr;
    *w = reinterpret_cast<KRNWriter *>(0x1);
    return KRNWriterOpen(w, &p);
  }
  int32_t write(KRNWriter *w, uint32_t size, uint32_t type = KRN_MEDIA_VIDEO, int64_t time = 0) {
    std::vector<uint8_t> data(size == 0x7FFFFFFF ? 16 : size, 0x5A);
    KRNReaderFrame f{};
    f.data = data.data();
    f.size = size;
    f.time = time;
    f.duration = 40;
    f.mediaType = type;
    int32_t rc = KRNWriterWrite(w, &f);
    EXPECT_EQ(f.size, 0u);
    return rc;
  }
  ScratchDir dir_;
  std::wstring path_, path2_;
  int32_t option_ = 0;
};

}  // namespace

TEST_F(WriterTest, OpenFailsWithoutAContainerAfterTouchingTheFile) {
  KRNWriter *w;
  {
    Traces traces;
    EXPECT_EQ(open(&w, "new.avi"), KRNSTREAM_ERR_FORMAT);
    EXPECT_EQ(w, nullptr);
    EXPECT_TRUE(traces.has(L"can not support File format"));
  }
  EXPECT_EQ(fileSize(dir_.path("new.avi")), 0);

  // Opened for update: what was there stays.
  writeBytes(dir_.path("old.avi"), {1, 2, 3, 4});
  EXPECT_EQ(open(&w, "old.avi"), KRNSTREAM_ERR_FORMAT);
  EXPECT_EQ(readBytes(dir_.path("old.avi")), (std::vector<uint8_t>{1, 2, 3, 4}));

  // The second name is used instead of the first.
  EXPECT_EQ(open(&w, "first.avi", "second.avi", 1000), KRNSTREAM_ERR_FORMAT);
  EXPECT_EQ(fileSize(dir_.path("first.avi")), -1);
  EXPECT_EQ(fileSize(dir_.path("second.avi")), 0);

  // With an option the file is created afresh, synced and handed to the
  // callback as it closes.
  option_ = 1;
  EXPECT_EQ(open(&w, "old.avi"), KRNSTREAM_ERR_FORMAT);
  EXPECT_EQ(fileSize(dir_.path("old.avi")), 0);
  ASSERT_EQ(gCallbackFds.size(), 1u);
  EXPECT_GE(gCallbackFds[0], 0);
  EXPECT_EQ(gCallbackPath, dir_.wpath("old.avi"));
  option_ = 0;
  KRNStreamBuf_SetOption(0, nullptr);

  Traces traces;
  EXPECT_EQ(open(&w, "missing/dir.avi"), KRNSTREAM_ERR_OPEN);
  EXPECT_EQ(w, nullptr);
  EXPECT_TRUE(traces.has(L"[Writer] WriterOpen - StreamInOutOpen error!!!"));
}

TEST_F(WriterTest, ContainerOperationsAreForwarded) {
  KRNWriterSetTestContainer(&kFull);
  KRNWriter *w;
  ASSERT_EQ(open(&w, "out.bin"), 0);
  EXPECT_EQ(KRNWriterGetFilePath(w), path_);
  KRNReaderInfo info{};
  EXPECT_EQ(KRNWriterSetInfo(w, &info), 0);
  gContainer.setInfoResult = 7;
  EXPECT_EQ(KRNWriterSetInfo(w, &info), 0);
  gContainer.setInfoResult = KRNSTREAM_ERR_WRITE;
  EXPECT_EQ(KRNWriterSetInfo(w, &info), KRNSTREAM_ERR_WRITE);
  EXPECT_EQ(gContainer.setInfos, 3);
  EXPECT_EQ(write(w, 5), 0);
  uint32_t size = 0;
  EXPECT_EQ(KRNWriterGetSize(w, &size), 0);
  EXPECT_EQ(size, 12345u);
  KRNWriterSetSync(w, 1);
  EXPECT_EQ(gContainer.syncs, 1);
  gContainer.writeResult = KRNSTREAM_ERR_WRITE;
  {
    Traces traces;
    EXPECT_EQ(write(w, 5), KRNSTREAM_ERR_WRITE);
    EXPECT_TRUE(traces.has(L"[Writer] WriterWriteFrame - Write failed (0x80000013)"));
  }
  KRNWriterClose(w);
  EXPECT_EQ(gContainer.closes, 1);
  EXPECT_EQ(readBytes(dir_.path("out.bin")),
            (std::vector<uint8_t>{1, 0, 0, 0, 5, 0, 0, 0, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A}));

  // Without the container's own operations: the stream answers for them.
  KRNWriterSetTestContainer(&kBare);
  gContainer.writeResult = 0;
  ASSERT_EQ(open(&w, "bare.bin"), 0);
  EXPECT_EQ(KRNWriterSetInfo(w, &info), 0);
  EXPECT_EQ(write(w, 3), 0);
  EXPECT_EQ(KRNWriterGetSize(w, &size), 0);
  EXPECT_EQ(size, 11u);
  KRNWriterClose(w);

  // A container that refuses the file leaves the open failing.
  gContainer.refuse = true;
  EXPECT_EQ(open(&w, "refused.bin"), KRNSTREAM_ERR_FORMAT);
  EXPECT_EQ(w, nullptr);
}

// Free space cannot be made scarce on this platform (the volume query has a
// fixed answer), so the disk-full path runs on the budget the caller fixes
// with its own output name; the query's answer is held to its reserve.
TEST_F(WriterTest, WritesStopAtTheDiskBudget) {
  KRNWriterSetTestContainer(&kFull);
  KRNWriter *w;
  ASSERT_EQ(open(&w, "a.bin", "fixed.bin", 100), 0);
  EXPECT_EQ(write(w, 50), 0);  // 58 of 100
  {
    Traces traces;
    EXPECT_EQ(write(w, 50), static_cast<int32_t>(KRN_ERR_DISKFULL));
    EXPECT_TRUE(
        traces.has(L"[Writer] WriterWrite Disk free space (42) media size (58) check again"));
    EXPECT_TRUE(traces.has(L"[Writer] WriterWrite Disk free space (42) media size (58) disk full"));
  }
  EXPECT_EQ(write(w, 34), 0);  // exactly what is left
  EXPECT_EQ(gContainer.writes, 2);
  KRNWriterClose(w);

  ASSERT_EQ(open(&w, "none.bin", "none.bin", 0), 0);
  EXPECT_EQ(write(w, 1), static_cast<int32_t>(KRN_ERR_DISKFULL));
  KRNWriterClose(w);

  // Asking the volume: its answer less the 10 MiB reserve is the budget.
  ASSERT_EQ(open(&w, "volume.bin"), 0);
  EXPECT_EQ(write(w, 10), 0);
  EXPECT_EQ(gContainer.shared->budget, KRN_GetFreeDiskSpace(path_.c_str()) - 0xA00000 - 18);
  EXPECT_EQ(write(w, 0x7FFFFFFF), static_cast<int32_t>(KRN_ERR_DISKFULL));
  EXPECT_EQ(gContainer.writes, 3);
  KRNWriterClose(w);
}

TEST_F(WriterTest, LimitsRefuseFramesWithoutWriting) {
  KRNWriterSetTestContainer(&kFull);
  gContainer.maxFileSize = 20;
  gContainer.maxDuration = 1000;
  gContainer.maxFrames = 2;
  KRNWriter *w;
  ASSERT_EQ(open(&w, "limits.bin"), 0);
  EXPECT_EQ(write(w, 13), static_cast<int32_t>(KRN_ERR_WRITE));  // 21 bytes needed
  EXPECT_EQ(write(w, 12), 0);
  EXPECT_EQ(write(w, 1, KRN_MEDIA_VIDEO, 1060), 0);  // ends at 1100: the 100 ms slack
  EXPECT_EQ(write(w, 1, KRN_MEDIA_VIDEO, 1061), static_cast<int32_t>(KRN_ERR_WRITE));
  // The frame limit counts the video frames already written: once that count
  // is above it, nothing more goes in.
  EXPECT_EQ(write(w, 1, KRN_MEDIA_AUDIO), 0);
  EXPECT_EQ(write(w, 1), 0);
  EXPECT_EQ(write(w, 1, KRN_MEDIA_AUDIO), static_cast<int32_t>(KRN_ERR_WRITE));
  EXPECT_EQ(gContainer.writes, 4);
  KRNWriterClose(w);
}
