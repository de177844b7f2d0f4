// Files and directories on real files in a scratch directory.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "krncore.h"
#include "trace_capture.h"

namespace {

class FileTest : public testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/krnfile-XXXXXX";
    dir_ = mkdtemp(tmpl);
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

  std::string path(const std::string &name) const { return dir_ + "/" + name; }
  static std::wstring wide(const std::string &s) { return std::wstring(s.begin(), s.end()); }
  std::wstring wpath(const std::string &name) const { return wide(path(name)); }

  void write(const std::string &name, const std::string &content) const {
    std::ofstream(path(name), std::ios::binary) << content;
  }
  std::string read(const std::string &name) const {
    std::ifstream in(path(name), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  bool exists(const std::string &name) const { return access(path(name).c_str(), F_OK) == 0; }

  std::string dir_;
};

}  // namespace

TEST_F(FileTest, ReadFlagOnMissingFileFails) {
  TraceCapture cap(L"*:4");
  EXPECT_EQ(KRN_FileOpen(wpath("missing").c_str(), 2), nullptr);
  EXPECT_TRUE(cap.has({L"ERROR:[krnfile] krncore_file:", L"(KRN_FileOpen) : file(",
                       L"missing) open errno(2) str("}));
  EXPECT_TRUE(cap.has({L"DEBUG:[krnfile]", L"open handle(0)"}));
  EXPECT_EQ(KRN_FileOpen(nullptr, 2), nullptr);
}

TEST_F(FileTest, UpdateKeepingContentCreatesOrOpensAtStart) {
  KrnFile *f = KRN_FileOpen(wpath("new").c_str(), 27);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(KRN_FileWrite(f, "hello", 5), 5u);
  KRN_FileClose(f);
  EXPECT_EQ(read("new"), "hello");

  f = KRN_FileOpen(wpath("new").c_str(), 27);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(KRN_FileTell(f), 0);
  char buf[8] = {};
  EXPECT_EQ(KRN_FileRead(f, buf, 5), 5u);
  EXPECT_STREQ(buf, "hello");
  EXPECT_EQ(KRN_FileWrite(f, "!", 1), 1u);  // update: read and write on one handle
  KRN_FileClose(f);
  EXPECT_EQ(read("new"), "hello!");
}

TEST_F(FileTest, CreateForUpdateEmptiesAndTextWriteCreatesNew) {
  write("full", "old content");
  KrnFile *f = KRN_FileOpen(wpath("full").c_str(), 9);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(KRN_FileSize(f), 0);
  KRN_FileClose(f);
  EXPECT_EQ(read("full"), "");

  write("log", "previous run");
  f = KRN_FileOpen(wpath("log").c_str(), 0xF0000005u);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(KRN_FileTextWrite(f, L"\uD55C line\n"), 0);
  KRN_FileClose(f);
  EXPECT_EQ(read("log"), "\xED\x95\x9C line\n");
}

TEST_F(FileTest, InvalidModesAndOtherFlagCombinations) {
  TraceCapture cap(L"krnfile:1");
  write("x", "data");
  EXPECT_EQ(KRN_FileOpen(wpath("x").c_str(), 0), nullptr);
  EXPECT_TRUE(cap.has({L"invalid mode(0)"}));
  EXPECT_EQ(KRN_FileOpen(wpath("x").c_str(), 1), nullptr);
  EXPECT_TRUE(cap.has({L"invalid mode(1)"}));
  EXPECT_TRUE(cap.has({L"x) open errno("}));

  // 0x15: create, write, append: existing content is kept.
  KrnFile *f = KRN_FileOpen(wpath("x").c_str(), 0x15);
  ASSERT_NE(f, nullptr);
  KRN_FileWrite(f, "+more", 5);
  KRN_FileClose(f);
  EXPECT_EQ(read("x"), "data+more");

  // 8 without create needs an existing file.
  EXPECT_EQ(KRN_FileOpen(wpath("absent").c_str(), 8), nullptr);
  f = KRN_FileOpen(wpath("x").c_str(), 8);
  ASSERT_NE(f, nullptr);
  KRN_FileClose(f);
  EXPECT_EQ(read("x"), "data+more");
  // Creating in a directory that does not exist fails in the "open (...)" form.
  cap.clear();
  EXPECT_EQ(KRN_FileOpen(wpath("no/such/file").c_str(), 9), nullptr);
  EXPECT_TRUE(cap.has({L"open (", L"no/such/file) errno(2:"}));
}

TEST_F(FileTest, SeekOriginsTellAndSizeKeepsPosition) {
  write("ten", "0123456789");
  KrnFile *f = KRN_FileOpen(wpath("ten").c_str(), 2);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(KRN_FileSeek(f, 4, 0), 0);
  EXPECT_EQ(KRN_FileSeek(f, 2, KRN_SEEK_CUR), 0);
  EXPECT_EQ(KRN_FileTell(f), 6);
  EXPECT_EQ(KRN_FileSize(f), 10);
  EXPECT_EQ(KRN_FileTell(f), 6);
  EXPECT_EQ(KRN_FileSeek(f, -3, KRN_SEEK_END), 0);
  EXPECT_EQ(KRN_FileReadChar(f), '7');
  EXPECT_EQ(KRN_FileSeek(f, 1, 7), 0);  // unknown origin: from the start
  EXPECT_EQ(KRN_FileReadChar(f), '1');
  TraceCapture cap(L"krnfile:4");
  EXPECT_EQ(KRN_FileSeek(f, -100, KRN_SEEK_SET), -1);
  EXPECT_TRUE(cap.has({L"ERROR:[krnfile]", L"(KRN_FileSeek) : seek errno(22), fd("}));
  KRN_FileClose(f);
}

TEST_F(FileTest, ReadsAtTheEndAndShortReads) {
  write("abc", "abc");
  KrnFile *f = KRN_FileOpen(wpath("abc").c_str(), 2);
  ASSERT_NE(f, nullptr);
  TraceCapture cap(L"krnfile:4");
  char buf[16];
  EXPECT_EQ(KRN_FileRead(f, buf, 10), 3u);
  EXPECT_TRUE(cap.has({L"INFO :[krnfile]", L"(KRN_FileRead) : err(", L"toread(10) != read(3)"}));
  EXPECT_EQ(KRN_FileRead(f, buf, 10), 0u);
  EXPECT_TRUE(cap.has({L"ERROR:[krnfile]", L"iseof(1) toread(10) != read(0)"}));
  EXPECT_EQ(KRN_FileReadChar(f), -1);
  EXPECT_TRUE(cap.has({L"DEBUG:[krnfile]", L"(KRN_FileReadChar)"}));
  KRN_FileClose(f);
}

TEST_F(FileTest, ReadLineKeepsNewlineAndRespectsCapacity) {
  write("lines", "first\n\xED\x95\x9C\xEA\xB8\x80 two\nlast");
  KrnFile *f = KRN_FileOpen(wpath("lines").c_str(), 2);
  ASSERT_NE(f, nullptr);
  wchar_t buf[64];
  EXPECT_STREQ(KRN_FileReadLine(f, buf, 64), L"first\n");
  wchar_t small[3];
  EXPECT_STREQ(KRN_FileReadLine(f, small, 3), L"\uD55C\uAE00");  // cut, rest stays
  EXPECT_STREQ(KRN_FileReadLine(f, buf, 64), L" two\n");
  EXPECT_STREQ(KRN_FileReadLine(f, buf, 64), L"last");
  EXPECT_EQ(KRN_FileReadLine(f, buf, 64), nullptr);
  KRN_FileClose(f);
}

TEST_F(FileTest, DirectoryListingIncludesDotEntries) {
  ASSERT_EQ(KRN_MakeDir(wpath("empty").c_str()), 0);
  KrnDir *d = KRN_FileOpenDir(wpath("empty").c_str());
  ASSERT_NE(d, nullptr);
  std::vector<std::wstring> names;
  while (const wchar_t *n = KRN_FileReadDir(d)) names.emplace_back(n);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{L".", L".."}));
  EXPECT_NE(KRN_FileCloseDir(d), 0);

  write("empty/a.mp4", "a");
  ASSERT_EQ(KRN_MakeDir(wpath("empty/sub").c_str()), 0);
  d = KRN_FileOpenDir(wpath("empty").c_str());
  names.clear();
  while (const wchar_t *n = KRN_FileReadDir(d)) names.emplace_back(n);
  KRN_FileCloseDir(d);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{L".", L"..", L"a.mp4", L"sub"}));

  TraceCapture cap(L"krnfile:1");
  d = KRN_FileOpenDir(wpath("nowhere").c_str());
  ASSERT_NE(d, nullptr);  // nothing is touched before the first read
  EXPECT_EQ(KRN_FileReadDir(d), nullptr);
  EXPECT_TRUE(cap.has({L"errno(2) path(", L"nowhere/*)"}));
  EXPECT_EQ(KRN_FileCloseDir(d), 0);
}

TEST_F(FileTest, WholeFileHelpers) {
  write("f", "12345");
  EXPECT_EQ(KRN_FileExist(wpath("f").c_str(), 0), 0);
  EXPECT_EQ(KRN_FileExist(wpath("f").c_str(), 6), 0);
  EXPECT_EQ(KRN_FileExist(wpath("nope").c_str(), 0), -1);

  TraceCapture cap(L"krnfile:1");
  EXPECT_EQ(KRN_MakeDir(wpath("a/b").c_str()), -1);  // one level only
  EXPECT_TRUE(cap.has({L"CreateDirectory failed!![", L"a/b] errcode(2)"}));

  KrnFileAttr attr = {};
  ASSERT_EQ(KRN_GetFileAttr(wpath("f").c_str(), &attr), 0);
  EXPECT_EQ(attr.isDirectory, 0);
  EXPECT_EQ(attr.size, 5u);
  struct stat st;
  stat(path("f").c_str(), &st);
  EXPECT_EQ(attr.modified, static_cast<int64_t>(st.st_mtime));
  ASSERT_EQ(KRN_GetFileAttr(wide(dir_).c_str(), &attr), 0);
  EXPECT_EQ(attr.isDirectory, 1);
  EXPECT_EQ(KRN_GetFileAttr(wpath("nope").c_str(), &attr), -1);
  EXPECT_TRUE(cap.has({L"(KRN_GetFileAttr) : error code(2)"}));

  EXPECT_EQ(KRN_GetFreeDiskSpace(wide(dir_).c_str()), 0x7FFFFFFF);
  EXPECT_EQ(KRN_Truncate(wpath("grown").c_str(), 12345), 0);
  ASSERT_EQ(KRN_GetFileAttr(wpath("grown").c_str(), &attr), 0);
  EXPECT_EQ(attr.size, 12345u);
  EXPECT_EQ(KRN_Truncate(wpath("f").c_str(), 2), 0);
  EXPECT_EQ(read("f"), "12");
}

// A sparse 5 GiB file: the attribute and the size are 64-bit, while the
// 32-bit position refuses to answer rather than truncate.
TEST_F(FileTest, LargeFiles) {
  const uint64_t five = 5ull << 30;
  ASSERT_EQ(KRN_Truncate(wpath("big").c_str(), static_cast<int64_t>(five)), 0);
  KrnFileAttr attr = {};
  ASSERT_EQ(KRN_GetFileAttr(wpath("big").c_str(), &attr), 0);
  EXPECT_EQ(attr.size, five);

  KrnFile *f = KRN_FileOpen(wpath("big").c_str(), 2);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(KRN_FileSeek(f, 100, KRN_SEEK_SET), 0);
  EXPECT_EQ(KRN_FileSize(f), static_cast<int64_t>(five));
  EXPECT_EQ(KRN_FileTell(f), 100);
  EXPECT_EQ(KRN_FileSeek(f, 3ll << 30, KRN_SEEK_SET), 0);
  TraceCapture cap(L"krnfile:1");
  EXPECT_EQ(KRN_FileTell(f), -1);
  EXPECT_TRUE(cap.has({L"(KRN_FileTell)"}));
  char byte = 1;
  EXPECT_EQ(KRN_FileRead(f, &byte, 1), 1u);  // reads still work there
  EXPECT_EQ(byte, 0);
  KRN_FileClose(f);
}

// Sync and truncate do what they say, and say so when they could not.
TEST_F(FileTest, SyncAndTruncateReachTheFileOrFail) {
  KrnFile *f = KRN_FileOpen(wpath("cut").c_str(), KRN_FILE_CREATE | KRN_FILE_WRITE);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(KRN_FileWrite(f, "0123456789", 10), 10u);
  EXPECT_EQ(KRN_FileSync(f), 0);
  EXPECT_EQ(read("cut"), "0123456789");  // there before the close
  EXPECT_EQ(KRN_FileTruncate(f, 4), 0);
  EXPECT_EQ(read("cut"), "0123");
  EXPECT_EQ(KRN_FileTruncate(f, -1), -1);
  KRN_FileClose(f);
  EXPECT_EQ(read("cut"), "0123");

  KrnFile *full = KRN_FileOpen(L"/dev/full", KRN_FILE_WRITE);
  ASSERT_NE(full, nullptr);
  EXPECT_EQ(KRN_FileWrite(full, "abc", 3), 3u);  // still in the buffer
  TraceCapture cap(L"krnfile:1");
  EXPECT_EQ(KRN_FileSync(full), -1);
  EXPECT_TRUE(cap.has({L"(KRN_FileSync)", L"sync errno(28)"}));
  EXPECT_EQ(KRN_FileTruncate(full, 0), -1);
  KRN_FileClose(full);
  EXPECT_EQ(KRN_FileSync(nullptr), -1);
}

TEST_F(FileTest, LineEditor) {
  EXPECT_EQ(KRN_FEdit_Put(wpath("list").c_str(), L"A"), 0);  // created when missing
  EXPECT_EQ(KRN_FEdit_Put(wpath("list").c_str(), L"B"), 0);
  EXPECT_EQ(KRN_FEdit_Put(wpath("list").c_str(), L"C"), 0);
  EXPECT_EQ(read("list"), "A\nB\nC\n");

  TraceCapture cap(L"krnfile:4");
  EXPECT_EQ(KRN_FEdit_Del(wpath("list").c_str(), wpath("list.tmp").c_str(), L"B"), 0);
  EXPECT_EQ(read("list"), "A\nC\n");
  EXPECT_TRUE(cap.has({L"INFO :[krnfile]", L"(KRN_FEdit_Del) : found same data(B)"}));
  EXPECT_FALSE(exists("list.tmp"));

  EXPECT_EQ(KRN_FEdit_Del(wpath("list").c_str(), wpath("list.tmp").c_str(), L"D"), -1);
  EXPECT_EQ(read("list"), "A\nC\n");
  EXPECT_TRUE(cap.has({L"can not found same data[D]"}));
  EXPECT_FALSE(exists("list.tmp"));

  write("dup", "key=1\nother\nkey=2\n");
  EXPECT_EQ(KRN_FEdit_Del(wpath("dup").c_str(), wpath("dup.tmp").c_str(), L"key"), -1);
  EXPECT_TRUE(cap.has({L"found same data again"}));
  EXPECT_EQ(read("dup"), "key=1\nother\nkey=2\n");

  EXPECT_EQ(KRN_FEdit_TrunkUp(wpath("list").c_str(), wpath("list.tmp").c_str()), 0);
  EXPECT_EQ(read("list"), "C\n");

  // Lines longer than the editor's usual 511 characters survive intact.
  std::string longLine(2000, 'L');
  write("long", "drop me\n" + longLine + "\n");
  EXPECT_EQ(KRN_FEdit_TrunkUp(wpath("long").c_str(), wpath("long.tmp").c_str()), 0);
  EXPECT_EQ(read("long"), longLine + "\n");

  EXPECT_EQ(KRN_FEdit_Del(wpath("absent").c_str(), wpath("absent.tmp").c_str(), L"x"), -1);
  EXPECT_TRUE(cap.has({L"ERROR:[krnfile]", L"(KRN_FEdit_Del) : open failed ("}));
}

// A scratch file that cannot be written in full (here: a file-size limit of
// 1000 bytes) must never replace the original. The bytes sit in the stream's
// buffer until the close, so only a checked flush and close can tell.
TEST_F(FileTest, LineEditorKeepsTheOriginalWhenTheScratchFileCannotBeWritten) {
  std::string content;
  for (int i = 0; content.size() < 2800; ++i) content += "line " + std::to_string(i) + " of the list\n";
  write("list", content);

  struct rlimit old {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  struct rlimit limited = old;
  limited.rlim_cur = 1000;
  void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails with EFBIG
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  const int32_t deleted = KRN_FEdit_Del(wpath("list").c_str(), wpath("list.tmp").c_str(), L"line 1 ");
  const int32_t trunked = KRN_FEdit_TrunkUp(wpath("list").c_str(), wpath("list.tmp").c_str());
  const int32_t appended = KRN_FEdit_Put(wpath("list").c_str(), L"one more line");
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);

  EXPECT_EQ(deleted, -1);
  EXPECT_EQ(trunked, -1);
  EXPECT_EQ(appended, -1);  // the file is already past the limit
  EXPECT_EQ(read("list"), content);
  EXPECT_FALSE(exists("list.tmp"));

  // Without the limit the same edits go through.
  EXPECT_EQ(KRN_FEdit_Del(wpath("list").c_str(), wpath("list.tmp").c_str(), L"line 1 "), 0);
  EXPECT_EQ(KRN_FEdit_TrunkUp(wpath("list").c_str(), wpath("list.tmp").c_str()), 0);
  const std::string withoutTwo = content.substr(content.find("line 2 "));
  EXPECT_EQ(read("list"), withoutTwo);
}
