// Trace lines: prefix, filters, outputs and whole lines under concurrency.
#include <gtest/gtest.h>

#include <atomic>
#include <clocale>
#include <cwchar>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "krncore.h"
#include "trace_capture.h"

namespace {

void traceAt(const wchar_t *module, uint32_t level, const wchar_t *text) {
  KRN_Trace(module, level, L"unit", 7, L"fn", L"%ls\n", text);
}

}  // namespace

TEST(TraceLine, PrefixLayout) {
  TraceCapture cap(L"*:4");
  KRN_Trace(L"krnfile", 1, L"krncore_file", 64, L"KRN_FileOpen", L"open (%ls) errno(%d:%s)\n",
            L"a.mp4", 2, "No such file or directory");
  KRN_Trace(L"krnqueue", 2, L"q", 1, L"f", L"x\n");
  KRN_Trace(L"krnqueue", 3, L"q", 1, L"f", L"x\n");
  KRN_Trace(L"krnqueue", 4, L"q", 1, L"f", L"x\n");
  auto lines = cap.lines();
  ASSERT_EQ(lines.size(), 4u);
  std::wregex first(
      LR"(^\d{8,} ERROR:\[krnfile\] krncore_file:64 \(KRN_FileOpen\) : open \(a\.mp4\) errno\(2:No such file or directory\)
$)");
  EXPECT_TRUE(std::regex_match(lines[0], first)) << std::string(lines[0].begin(), lines[0].end());
  EXPECT_NE(lines[1].find(L" INFO :[krnqueue]"), std::wstring::npos);
  EXPECT_NE(lines[2].find(L" DEBUG:[krnqueue]"), std::wstring::npos);
  EXPECT_NE(lines[3].find(L" TRACE:[krnqueue]"), std::wstring::npos);
}

TEST(TraceFilter, FirstMatchDecides) {
  TraceCapture cap(L"krnfile:1,*:3");
  traceAt(L"krnfile", 2, L"file-info");
  traceAt(L"krnfile", 1, L"file-error");
  traceAt(L"krnqueue", 3, L"queue-debug");
  traceAt(L"krnqueue", 4, L"queue-trace");
  auto lines = cap.lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find(L"file-error"), std::wstring::npos);
  EXPECT_NE(lines[1].find(L"queue-debug"), std::wstring::npos);
}

TEST(TraceFilter, LevelZeroAndUnmatchedModulesNeverWrite) {
  TraceCapture cap(L"*:4");
  traceAt(L"krnfile", 0, L"never");
  EXPECT_TRUE(cap.lines().empty());
  KRN_TraceSet(L"krnfile:4");
  traceAt(L"krnsema", 1, L"other module");
  EXPECT_TRUE(cap.lines().empty());
  KRN_TraceSet(L"");
  traceAt(L"krnfile", 1, L"empty table");
  EXPECT_TRUE(cap.lines().empty());
}

TEST(TraceFilter, NullModuleIsNone) {
  TraceCapture cap(L"none:2");
  traceAt(nullptr, 2, L"anonymous");
  traceAt(nullptr, 3, L"too detailed");
  auto lines = cap.lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find(L"INFO :[none] unit:7 (fn) : anonymous"), std::wstring::npos);
}

TEST(TraceFilter, FilterParsing) {
  TraceCapture cap(L"*:4");
  EXPECT_EQ(KRN_TraceSet(L"abc"), 0);  // no colon: nothing is kept
  traceAt(L"abc", 1, L"x");
  EXPECT_TRUE(cap.lines().empty());

  EXPECT_EQ(KRN_TraceSet(L"abc:0"), 0);  // stored as level 1
  traceAt(L"abc", 1, L"kept");
  traceAt(L"abc", 2, L"dropped");
  EXPECT_EQ(cap.lines().size(), 1u);

  EXPECT_EQ(KRN_TraceSet(L"krnfile:1,krnqueue:4"), 4);
  EXPECT_EQ(KRN_TraceSet(L"a:2,b"), 0);  // stops at the entry without colon; a:2 stays
  cap.clear();
  traceAt(L"a", 2, L"a kept");
  traceAt(L"b", 1, L"b unknown");
  EXPECT_EQ(cap.lines().size(), 1u);

  // Names are cut to 29 characters; the cut name is what matches.
  std::wstring longName(40, L'm');
  EXPECT_EQ(KRN_TraceSet((longName + L":3").c_str()), 3);
  cap.clear();
  traceAt(longName.c_str(), 1, L"full name");
  traceAt(longName.substr(0, 29).c_str(), 1, L"cut name");
  ASSERT_EQ(cap.lines().size(), 1u);
  EXPECT_NE(cap.lines()[0].find(L"cut name"), std::wstring::npos);

  // Entries past the twentieth are ignored.
  std::wstring filter;
  for (int i = 0; i < 21; ++i)
    filter += L"m" + std::to_wstring(i) + L":" + std::to_wstring(i + 1) + L",";
  filter.pop_back();
  EXPECT_EQ(KRN_TraceSet(filter.c_str()), 20);
  cap.clear();
  traceAt(L"m19", 1, L"twentieth");
  traceAt(L"m20", 1, L"twenty-first");
  EXPECT_EQ(cap.lines().size(), 1u);
  EXPECT_EQ(KRN_TraceSet(nullptr), 0);  // null leaves the table as it is
  traceAt(L"m19", 1, L"still there");
  EXPECT_EQ(cap.lines().size(), 2u);
}

TEST(TraceOutput, LongMessagesAreCutToTheLineBuffer) {
  TraceCapture cap(L"*:4");
  std::wstring big(10000, L'z');
  KRN_Trace(L"m", 1, L"f", 1, L"fn", L"%ls\n", big.c_str());
  auto lines = cap.lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].size(), 4095u);
}

// Narrow text is UTF-8 whatever the process locale: under the C locale the
// C library's conversion refuses bytes above 0x7F, which must not lose the
// line (nor leave it without its newline).
TEST(TraceOutput, NarrowTextIsUtf8UnderAnyLocale) {
  const std::string saved = setlocale(LC_ALL, nullptr);
  setlocale(LC_ALL, "C");
  TraceCapture cap(L"*:4");
  KRN_Trace(L"m", 1, L"f", 1, L"fn", L"file=%s size=%d\n", "F\xC3\xBChrt \xE6\x97\xA5.mp4", 42);
  KRN_Trace(L"m", 1, L"f", 2, L"fn", L"[%-6s|%4s|%.2s|%c%%|%ls|%5.1f|%lld]\n", "ab", "\xC3\xA9", "\xC3\xA9xyz",
            'Q', L"wide \u00e9", 2.25, -7LL);
  KRN_Trace(L"m", 1, L"f", 3, L"fn", L"next line\n");
  setlocale(LC_ALL, saved.c_str());
  auto lines = cap.lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].substr(lines[0].find(L" : ") + 3), L"file=F\u00fchrt \u65e5.mp4 size=42\n");
  EXPECT_EQ(lines[1].substr(lines[1].find(L" : ") + 3),
            L"[ab    |   \u00e9|\u00e9x|Q%|wide \u00e9|  2.2|-7]\n");
  EXPECT_NE(lines[2].find(L"next line\n"), std::wstring::npos);
}

// A message of any length keeps its head; before, one over 64 Ki characters
// was dropped and the line ended after its prefix.
TEST(TraceOutput, MessagesOver64KiCharactersAreCut) {
  TraceCapture cap(L"*:4");
  std::wstring big(70000, L'z');
  std::string narrowBig(70000, 'n');
  KRN_Trace(L"m", 1, L"f", 1, L"fn", L"%ls\n", big.c_str());
  KRN_Trace(L"m", 1, L"f", 1, L"fn", L"%s\n", narrowBig.c_str());
  KRN_Trace(L"m", 1, L"f", 1, L"fn", L"%70000d\n", 5);
  auto lines = cap.lines();
  ASSERT_EQ(lines.size(), 3u);
  for (const auto &line : lines) EXPECT_EQ(line.size(), 4095u);
  EXPECT_EQ(lines[0].substr(lines[0].find(L" : ") + 3, 5), L"zzzzz");
  EXPECT_EQ(lines[1].substr(lines[1].find(L" : ") + 3, 5), L"nnnnn");
  EXPECT_EQ(lines[2].substr(lines[2].find(L" : ") + 3, 5), L"     ");
}

TEST(TraceOutput, DebuggerOutputSwitch) {
  KRN_TraceSet(L"*:4");
  KRN_TraceSetCB(nullptr, 1);
  testing::internal::CaptureStderr();
  traceAt(L"dbg", 1, L"to stderr");
  std::string on = testing::internal::GetCapturedStderr();
  KRN_TraceSetCB(nullptr, 0);
  testing::internal::CaptureStderr();
  traceAt(L"dbg", 1, L"silent");
  std::string off = testing::internal::GetCapturedStderr();
  KRN_TraceSet(L"");
  EXPECT_NE(on.find("ERROR:[dbg] unit:7 (fn) : to stderr\n"), std::string::npos);
  EXPECT_EQ(off, "");
}

TEST(TraceOutput, HexDump) {
  testing::internal::CaptureStdout();
  const uint8_t bytes[18] = {'m', 'o', 'o', 'v', 0,   1,   2,   0xFF, 'a',
                             'b', 'c', 'd', 'e', 'f', 'g', 'h', 'Z',  0x7F};
  KRN_Hexdump(bytes, 18, L"box", 12);
  KRN_Hexdump(bytes, 0, L"empty", 3);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out,
            "box:12 Hex Dump:\n"
            "000: 6d 6f 6f 76 00 01 02 ff 61 62 63 64 65 66 67 68   moov....abcdefgh\n"
            "016: 5a 7f                                             Z.\n"
            "empty:3 Hex Dump:\n");
}

// Eight threads writing to one trace file leave every line whole.
TEST(TraceFile, ConcurrentWritersLeaveWholeLines) {
  const std::string path = testing::TempDir() + "krn_trace_concurrent.txt";
  std::wstring wpath(path.begin(), path.end());
  KRN_TraceInit(wpath.c_str());
  KRN_TraceSet(L"*:4");
  KRN_TraceSetCB(nullptr, 0);
  constexpr int kThreads = 8, kLines = 10000;
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t)
    writers.emplace_back([t] {
      for (int i = 0; i < kLines; ++i)
        KRN_Trace(L"worker", 2, L"test_trace", 1, L"writer", L"thread=%d line=%d payload=%ls end\n",
                  t, i,
                  L"0123456789abcdefghijklmnopqrstuvwxyz0123456789abcdefghijklmnopqrstuvwxyz");
    });
  for (auto &w : writers) w.join();
  KRN_TraceDeinit();
  KRN_TraceSet(L"");

  std::ifstream in(path);
  std::regex shape(
      R"(^\d{8,} INFO :\[worker\] test_trace:1 \(writer\) : thread=(\d) line=(\d+) payload=0123456789abcdefghijklmnopqrstuvwxyz0123456789abcdefghijklmnopqrstuvwxyz end$)");
  std::set<std::pair<int, int>> seen;
  std::string line;
  size_t count = 0;
  while (std::getline(in, line)) {
    ++count;
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, shape)) << "torn line: " << line;
    seen.emplace(std::stoi(m[1]), std::stoi(m[2]));
  }
  EXPECT_EQ(count, static_cast<size_t>(kThreads * kLines));
  EXPECT_EQ(seen.size(), static_cast<size_t>(kThreads * kLines));
}

TEST(TraceFile, InitEmptiesFileAndReportsOpenFailure) {
  const std::string path = testing::TempDir() + "krn_trace_reinit.txt";
  { std::ofstream(path) << "old content\n"; }
  std::wstring wpath(path.begin(), path.end());
  KRN_TraceInit(wpath.c_str());
  KRN_TraceDeinit();
  std::ifstream in(path);
  std::string content((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(content, "");

  testing::internal::CaptureStdout();
  KRN_TraceInit(L"/nonexistent-dir/trace.txt");
  std::string out = testing::internal::GetCapturedStdout();
  KRN_TraceDeinit();
  EXPECT_EQ(out, "/nonexistent-dir/trace.txt trace file open failed\n");
}

// A trace file that fails to take a line reports that through the trace
// itself; that report must not take the place of the line being written.
TEST(TraceFile, AFailingFileDoesNotReplaceTheCallersLine) {
  KRN_TraceInit(L"/dev/full");
  TraceCapture cap(L"*:4");
  std::wstring text(3000, L'\u00e9');  // more than the stream buffer once in UTF-8
  for (int i = 0; i < 3; ++i)
    KRN_Trace(L"caller", 2, L"f", i, L"fn", L"%ls <%d>\n", text.c_str(), i);
  KRN_TraceDeinit();
  std::vector<std::wstring> callers;
  for (const auto &line : cap.lines())
    if (line.find(L":[caller]") != std::wstring::npos) callers.push_back(line);
  ASSERT_EQ(callers.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_NE(callers[i].find(L"INFO :[caller]"), std::wstring::npos) << i;
    EXPECT_NE(callers[i].find(L" <" + std::to_wstring(i) + L">\n"), std::wstring::npos) << i;
    EXPECT_NE(callers[i].find(text), std::wstring::npos) << i;
  }
  // The failure itself is reported, on a line of its own.
  EXPECT_TRUE(cap.has({L"ERROR:[krnfile]", L"(KRN_FileTextWrite)"}));
}

// Tracing goes on, unlocked, after KRN_TraceDeinit, also while other threads
// are in the middle of a line when the lock and the file go away.
TEST(TraceFile, TracingGoesOnAcrossDeinitFromOtherThreads) {
  const std::string path = testing::TempDir() + "krn_trace_deinit.txt";
  std::wstring wpath(path.begin(), path.end());
  std::atomic<int> received{0};
  static std::atomic<int> *counter = nullptr;
  counter = &received;
  KRN_TraceSet(L"*:4");
  KRN_TraceSetCB(
      [](const wchar_t *line) {
        if (wcsstr(line, L":[w]")) ++*counter;  // the file's own traces aside
      },
      0);
  std::atomic<bool> stop{false};
  std::atomic<int> sent{0};
  std::vector<std::thread> writers;
  for (int t = 0; t < 3; ++t)
    writers.emplace_back([&] {
      while (!stop.load()) {
        KRN_Trace(L"w", 2, L"f", 1, L"fn", L"line %d\n", sent.load());
        ++sent;
      }
    });
  for (int round = 0; round < 2000; ++round) {
    KRN_TraceInit(wpath.c_str());
    KRN_TraceDeinit();
  }
  stop = true;
  for (auto &w : writers) w.join();
  const int before = received.load();
  EXPECT_EQ(before, sent.load());
  KRN_Trace(L"w", 2, L"f", 1, L"fn", L"after the end\n");
  EXPECT_EQ(received.load(), before + 1);
  KRN_TraceSetCB(nullptr, 0);
  KRN_TraceSet(L"");
}
