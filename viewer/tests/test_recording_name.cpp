// The camera's file-name grammar.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "core/RecordingName.h"

namespace {

bool ok(const char *name) {
  return RecordingName::accepted(QString::fromLatin1(name));
}
int type(const char *name) {
  return RecordingName::typeOf(QString::fromLatin1(name));
}

}  // namespace

TEST(RecordingName, AcceptsOneChannelMp4AndOneOrTwoChannelAvi) {
  EXPECT_TRUE(ok("20230101_120000_INF_1.mp4"));
  EXPECT_EQ(type("20230101_120000_INF_1.mp4"), RecordingName::Infinity);
  EXPECT_EQ(RecordingName::channelOf(QStringLiteral("20230101_120000_INF_1.mp4")), 1);
  EXPECT_TRUE(ok("20230101_120000_EVT_3.avi"));
  EXPECT_TRUE(ok("20230101_120000_INF_1_2.avi"));
  EXPECT_EQ(RecordingName::channelOf(QStringLiteral("20230101_120000_PRK_2_3.avi")), 2);
  // Two channel fields exist only for AVI; two digits are no channel at all.
  EXPECT_FALSE(ok("20230101_120000_INF_1_2.mp4"));
  EXPECT_FALSE(ok("20230101_120000_INF_12.mp4"));
  EXPECT_FALSE(ok("20230101_120000_INF_6.mp4"));
  EXPECT_FALSE(ok("20230101_120000_INF_0.avi"));
}

TEST(RecordingName, DateAndTimeMustBeReal) {
  EXPECT_TRUE(ok("19000101_000000_INF_1.mp4"));
  EXPECT_TRUE(ok("20991231_235959_INF_1.mp4"));
  EXPECT_FALSE(ok("18991231_120000_EVT_1.mp4"));
  EXPECT_FALSE(ok("21000101_120000_EVT_1.mp4"));
  EXPECT_FALSE(ok("20230101_240000_EVT_1.mp4"));
  EXPECT_FALSE(ok("20230101_126000_EVT_1.mp4"));
  EXPECT_FALSE(ok("20231301_120000_EVT_1.mp4"));
  EXPECT_FALSE(ok("20230132_120000_EVT_1.mp4"));
  EXPECT_FALSE(ok("20230100_120000_EVT_1.mp4"));
}

TEST(RecordingName, ExtensionIsCaseSensitiveAndTestedFirst) {
  EXPECT_FALSE(ok("20230101_120000_INF_1.MP4"));
  EXPECT_FALSE(ok("20230101_120000_INF_1.AVI"));
  EXPECT_FALSE(ok("20230101_120000_INF_1.mov"));
  EXPECT_FALSE(ok("20230101_120000_INF_1.mp4.txt"));
  EXPECT_FALSE(ok(""));
  EXPECT_FALSE(ok("INF_1.mp4"));
}

TEST(RecordingName, TypeComesFromTheExactThirdWord) {
  EXPECT_EQ(type("20230101_120000_EVT_1.mp4"), RecordingName::Event);
  EXPECT_EQ(type("20230101_120000_PRK_1.mp4"), RecordingName::Parking);
  EXPECT_EQ(type("20230101_120000_USR_1.mp4"), RecordingName::User);
  // Passes the letter classes but is no known word: listed, typeless.
  EXPECT_TRUE(ok("20230101_120000_ENR_1.mp4"));
  EXPECT_EQ(type("20230101_120000_ENR_1.mp4"), RecordingName::Unknown);
  EXPECT_FALSE(ok("20230101_120000_XNF_1.mp4"));
  EXPECT_FALSE(ok("20230101_120000_IAF_1.mp4"));
  // The expression is not anchored: a prefix still matches, but then the
  // third word is the time and the type is unknown.
  EXPECT_TRUE(ok("copy_20230101_120000_INF_1.mp4"));
  EXPECT_EQ(type("copy_20230101_120000_INF_1.mp4"), RecordingName::Unknown);
}

TEST(RecordingName, LabelsIconsAndFilterBits) {
  const char *labels[] = {"", "I", "E", "P", "U"};
  const int bits[] = {0, 1, 2, 4, 8};
  for (int t = 0; t <= 4; ++t) {
    EXPECT_EQ(RecordingName::label(t), QLatin1String(labels[t])) << t;
    EXPECT_EQ(RecordingName::filterBit(RecordingName::label(t)), bits[t]) << t;
  }
  EXPECT_EQ(RecordingName::icon(1), QStringLiteral("inf-icon.svg"));
  EXPECT_EQ(RecordingName::icon(2), QStringLiteral("event-icon.svg"));
  EXPECT_EQ(RecordingName::icon(3), QStringLiteral("parking-icon.svg"));
  EXPECT_EQ(RecordingName::icon(4), QStringLiteral("icon-user.svg"));
  EXPECT_TRUE(RecordingName::icon(0).isEmpty());
  for (int t = 1; t <= 4; ++t) EXPECT_NE(RecordingName::icon(t, true), RecordingName::icon(t)) << t;
}

TEST(RecordingName, SiblingChannelExchangesTheDigitOnly) {
  EXPECT_EQ(RecordingName::siblingPath(QStringLiteral("/card/DCIM/20230101_120000_INF_1.mp4"), 3),
            QStringLiteral("/card/DCIM/20230101_120000_INF_3.mp4"));
  EXPECT_EQ(RecordingName::siblingPath(QStringLiteral("/a_1/20230101_120000_EVT_2.avi"), 1),
            QStringLiteral("/a_1/20230101_120000_EVT_1.avi"));
}

TEST(RecordingNameFiles, ChannelFilesAreTheExistingOnesInChannelOrder) {
  QTemporaryDir dir;
  for (const char *name :
       {"20230101_120000_INF_3.mp4", "20230101_120000_INF_1.mp4", "20230101_120000_EVT_2.mp4"}) {
    QFile f(dir.path() + QLatin1Char('/') + QLatin1String(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  QDir().mkpath(dir.path() + "/20230101_120000_INF_2.mp4");  // a folder, not a file
  const QString rear = dir.path() + "/20230101_120000_INF_3.mp4";
  EXPECT_TRUE(RecordingName::isChannelFile(rear));
  EXPECT_FALSE(RecordingName::isChannelFile(dir.path() + "/20230101_120000_INF_1_2.avi"));
  EXPECT_EQ(RecordingName::channelFiles(rear),
            (QStringList{dir.path() + "/20230101_120000_INF_1.mp4",
                         dir.path() + "/20230101_120000_INF_3.mp4"}));
}
