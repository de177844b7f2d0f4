// The release archive reader: what it accepts, and that every broken archive
// is refused before an installer could be written from it.
#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <fstream>
#include <random>
#include <sstream>

#include "ZipReader.h"
#include "zip_builder.h"

namespace {

std::string installerBytes(size_t size) {
  // Script text followed by incompressible noise, like a real installer.
  std::string s = "#!/bin/sh\necho installing\nexit 0\n";
  std::mt19937 rng(42);
  while (s.size() < size) s += static_cast<char>(rng() & 0xff);
  return s;
}

ZipReader::Result extract(const std::string &archive, std::string *out = nullptr,
                          uint64_t limit = ZipReader::kDefaultSizeLimit) {
  std::istringstream in(archive);
  std::ostringstream o;
  ZipReader reader(limit);
  const ZipReader::Result r = reader.extractFirst(in, o);
  if (out) *out = o.str();
  return r;
}

// Counts what is written without keeping it.
struct CountingBuf : std::streambuf {
  size_t count = 0;
  int overflow(int c) override {
    ++count;
    return c;
  }
  std::streamsize xsputn(const char *, std::streamsize n) override {
    count += static_cast<size_t>(n);
    return n;
  }
};

}  // namespace

TEST(ZipReader, InflatesTheFirstEntryAndChecksIt) {
  const std::string content = installerBytes(300000);
  ZipBuilder zip;
  zip.extra = std::string(12, 'x');
  std::string out;
  ASSERT_EQ(extract(zip.build(content), &out), ZipReader::Result::Ok);
  EXPECT_EQ(out, content);
}

TEST(ZipReader, ReadsAnArchiveWrittenByPythonsZipfile) {
  QTemporaryDir dir{QDir::tempPath() + "/launcher-test-XXXXXX"};
  const QString path = dir.path() + "/release.zip";
  const QString script =
      "import zipfile,sys\n"
      "with zipfile.ZipFile(sys.argv[1],'w',zipfile.ZIP_DEFLATED) as z:\n"
      "  z.writestr('setup.run', '#!/bin/sh\\n' + 'echo ok\\n' * 5000)\n"
      "  z.writestr('second.txt', 'not read')\n";
  ASSERT_EQ(QProcess::execute("/usr/bin/python3", {"-c", script, path}), 0);
  std::ifstream in(path.toStdString(), std::ios::binary);
  std::ostringstream out;
  ZipReader reader;
  ASSERT_EQ(reader.extractFirst(in, out), ZipReader::Result::Ok);
  EXPECT_EQ(reader.entry().name, "setup.run");
  std::string expected = "#!/bin/sh\n";
  for (int i = 0; i < 5000; ++i) expected += "echo ok\n";
  EXPECT_EQ(out.str(), expected);
}

TEST(ZipReader, RefusesBrokenArchives) {
  const std::string content = installerBytes(20000);
  struct Case {
    const char *what;
    std::function<std::string()> archive;
    ZipReader::Result expected;
  };
  const std::vector<Case> cases = {
      {"not a zip", [] { return std::string("PK\5\6") + std::string(40, '\0'); },
       ZipReader::Result::BadSignature},
      {"stored entry",
       [&] {
         ZipBuilder z;
         z.method = 0;
         return z.build(content);
       },
       ZipReader::Result::UnsupportedMethod},
      {"sizes in a data descriptor",
       [&] {
         ZipBuilder z;
         z.flags = 8;
         z.setCompressed = z.setUncompressed = z.setCrc = true;
         return z.build(content);
       },
       ZipReader::Result::DataDescriptor},
      {"wrong CRC-32",
       [&] {
         ZipBuilder z;
         z.setCrc = true;
         z.crc = 0x12345678;
         return z.build(content);
       },
       ZipReader::Result::CrcMismatch},
      {"uncompressed size above the limit",
       [&] {
         ZipBuilder z;
         z.setUncompressed = true;
         z.uncompressed = 0xffffffffu;
         return z.build(content);
       },
       ZipReader::Result::TooLarge},
      {"data cut short", [&] { return ZipBuilder().build(content).substr(0, 5000); },
       ZipReader::Result::Truncated},
      {"header cut short", [&] { return ZipBuilder().build(content).substr(0, 20); },
       ZipReader::Result::Truncated},
      {"corrupt deflate data",
       [&] {
         ZipBuilder z;
         std::string a = z.build(content);
         a[30 + z.name.size()] = static_cast<char>(0xff);  // block type 3 does not exist
         return a;
       },
       ZipReader::Result::InflateFailed},
      {"stated size smaller than the data",
       [&] {
         ZipBuilder z;
         z.setUncompressed = true;
         z.uncompressed = 100;
         return z.build(content);
       },
       ZipReader::Result::SizeMismatch},
      {"stated size larger than the data",
       [&] {
         ZipBuilder z;
         z.setUncompressed = true;
         z.uncompressed = static_cast<uint32_t>(content.size() + 1);
         return z.build(content);
       },
       ZipReader::Result::SizeMismatch},
  };
  for (const Case &c : cases) EXPECT_EQ(extract(c.archive()), c.expected) << c.what;
}

TEST(ZipReader, SmallArchiveCannotMakeItWriteMuch) {
  // 64 MiB of zeros deflate to about 64 KiB; the header admits 1000 bytes.
  ZipBuilder z;
  z.setUncompressed = true;
  z.uncompressed = 1000;
  const std::string archive = z.build(std::string(64u << 20, '\0'));
  ASSERT_LT(archive.size(), 100000u);
  std::istringstream in(archive);
  CountingBuf counter;
  std::ostream out(&counter);
  ZipReader reader;
  EXPECT_EQ(reader.extractFirst(in, out), ZipReader::Result::SizeMismatch);
  EXPECT_LE(counter.count, 1000u);  // nothing past the stated size reaches the output
}
