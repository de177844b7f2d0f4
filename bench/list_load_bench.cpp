// list_load_bench: how long the recording list takes to show a card's folder.
//
// A folder of 1,000 one-minute recordings with three channels each (3,000 files named by the
// camera's grammar) is loaded into MelFileListItem the way "Open Folder" does: list the
// folder, load every file. Timed are the moment all rows are in the table and the moment
// every row shows its play time (the background reader has filled column 2 and the table
// has painted). The files are copies of one recording made by ffmpeg; they are made on the
// first run and kept.
//
// After the whole-list rounds, the reading alone is broken down: the background reader
// with one and with two threads, durationText() per file, and the bare reader calls
// (KRNReaderOpen + KRNReaderGetInfo + KRNReaderClose) per file.
//
// Usage: list_load_bench [--rounds N] FOLDER

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "core/StatusLog.h"
#include "core/ViewerState.h"
#include "krnstream.h"
#include "recordings/DurationLoader.h"
#include "core/KRNData.h"
#include "recordings/MelFileListItem.h"
#include "widgets/MessageBoxes.h"

namespace {

constexpr int kRecordings = 1000;
constexpr int kChannels = 3;
const char *const kSource = "20240315_075900_INF_1.mp4";
const char *const kExpected = "01:00";

double ms(const QElapsedTimer &t) {
  return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

// The name of recording r, channel c: one-minute segments from 08:00:00, mostly
// continuous, with event, parking and user recordings among them.
QString recordingName(int r, int channel) {
  const int seconds = 8 * 3600 + r * 60;
  const char *type = r % 20 == 7 ? "EVT" : r % 50 == 13 ? "USR" : r % 9 == 4 ? "PRK" : "INF";
  return QStringLiteral("202403%1_%2%3%4_%5_%6.mp4")
      .arg(15 + seconds / 86400, 2, 10, QLatin1Char('0'))
      .arg(seconds / 3600 % 24, 2, 10, QLatin1Char('0'))
      .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
      .arg(seconds % 60, 2, 10, QLatin1Char('0'))
      .arg(QLatin1String(type))
      .arg(channel);
}

bool prepare(const QString &folder) {
  const QString stamp = folder + QStringLiteral("/.generated");  // hidden: not listed
  if (QFile::exists(stamp)) return true;
  QDir(folder).removeRecursively();
  QDir().mkpath(folder);
  QTemporaryDir work;
  const QString source = work.filePath(QLatin1String(kSource));
  std::printf("making %d recordings in %s ...\n", kRecordings * kChannels, qPrintable(folder));
  // One minute at 30 frames per second: the sample tables of a real segment, tiny pictures.
  const int rc = QProcess::execute(
      QStringLiteral("ffmpeg"),
      {"-v", "error", "-y", "-f", "lavfi", "-i", "color=c=gray:size=64x48:rate=30", "-t", "60",
       "-c:v", "libx264", "-preset", "ultrafast", "-g", "900", source});
  if (rc != 0 || !QFile::exists(source)) {
    std::fprintf(stderr, "ffmpeg could not make %s\n", qPrintable(source));
    return false;
  }
  for (int r = 0; r < kRecordings; ++r)
    for (int c = 1; c <= kChannels; ++c)
      if (!QFile::copy(source, folder + QLatin1Char('/') + recordingName(r, c))) {
        std::fprintf(stderr, "cannot copy to %s\n", qPrintable(folder));
        return false;
      }
  QFile f(stamp);
  return f.open(QIODevice::WriteOnly);
}

// What "Open Folder" does with the chosen folder.
QStringList folderPaths(const QString &folder) {
  QStringList paths;
  const QFileInfoList entries =
      QDir(folder).entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::NoSort);
  for (const QFileInfo &entry : entries) paths.append(entry.absoluteFilePath());
  return paths;
}

struct Round {
  double rowsMs = 0;
  double doneMs = 0;
};

bool loadOnce(const QString &folder, Round *out) {
  MelFileListItem list;
  list.resize(400, 700);
  list.show();
  QCoreApplication::processEvents();
  QEventLoop wait;
  QObject::connect(&list, &MelFileListItem::durationsShown, &wait, &QEventLoop::quit);

  QElapsedTimer t;
  t.start();
  list.onLoadItem(folderPaths(folder));
  list.repaint();
  out->rowsMs = ms(t);
  wait.exec();  // sleeps until the times are in
  list.repaint();
  out->doneMs = ms(t);

  if (list.rowCount() != kRecordings * kChannels) {
    std::fprintf(stderr, "expected %d rows, got %d\n", kRecordings * kChannels, list.rowCount());
    return false;
  }
  for (int row = 0; row < list.rowCount(); ++row) {
    if (list.item(row, 2)->text() != QLatin1String(kExpected)) {
      std::fprintf(stderr, "row %d shows \"%s\"\n", row, qPrintable(list.item(row, 2)->text()));
      return false;
    }
  }
  return true;
}

double loaderMs(const QStringList &paths, int workers) {
  DurationLoader loader;
  loader.setWorkerCount(workers);
  QEventLoop wait;
  QObject::connect(&loader, &DurationLoader::durationsRead, &wait, &QEventLoop::quit,
                   Qt::QueuedConnection);
  QElapsedTimer t;
  t.start();
  loader.start(1, paths);
  wait.exec();
  return ms(t);
}

double durationTextMs(const QStringList &paths) {
  QElapsedTimer t;
  t.start();
  for (const QString &p : paths)
    if (durationText(p) != QLatin1String(kExpected)) return -1;
  return ms(t);
}

double bareReaderMs(const QStringList &paths) {
  std::vector<std::wstring> wide;
  wide.reserve(static_cast<size_t>(paths.size()));
  for (const QString &p : paths) wide.push_back(p.toStdWString());
  QElapsedTimer t;
  t.start();
  for (const std::wstring &w : wide) {
    KRNReaderParam param{};
    param.path = w.c_str();
    KRNReader *reader = nullptr;
    if (KRNReaderOpen(&reader, &param) != 0) return -1;
    KRNReaderInfo info{};
    const int32_t rc = KRNReaderGetInfo(reader, &info);
    KRNReaderClose(reader);
    if (rc != 0 || info.duration / 1000 != 60) return -1;
  }
  return ms(t);
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char **argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  int rounds = 5;
  QString folder;
  const QStringList args = app.arguments();
  for (int i = 1; i < args.size(); ++i) {
    if (args[i] == QLatin1String("--rounds") && i + 1 < args.size())
      rounds = std::max(1, args[++i].toInt());
    else
      folder = args[i];
  }
  if (folder.isEmpty()) {
    std::fprintf(stderr, "usage: list_load_bench [--rounds N] FOLDER\n");
    return 2;
  }
  if (!prepare(folder)) return 1;
  const QString listFolder = QDir(folder).absolutePath();

  // The viewer's own log is on, as in the program.
  StatusLog::setPath(listFolder + QStringLiteral("-playerStatus.txt"));
  QFile::remove(StatusLog::path());
  MessageBoxes::setHook([](const QString &, const QString &text, bool) {
    std::fprintf(stderr, "message box: %s\n", qPrintable(text));
    return false;
  });
  ViewerState::instance().appDir = QStringLiteral(VIEWER_APP_DIR);

  std::printf("list_load_bench: %d recordings x %d channels = %d files in %s\n", kRecordings,
              kChannels, kRecordings * kChannels, qPrintable(listFolder));
  Round warm;
  if (!loadOnce(listFolder, &warm)) return 1;  // fills the file cache
  std::vector<double> rows, done;
  for (int r = 0; r < rounds; ++r) {
    Round round;
    if (!loadOnce(listFolder, &round)) return 1;
    rows.push_back(round.rowsMs);
    done.push_back(round.doneMs);
    std::printf("  round %d: all rows shown %7.1f ms, every duration shown %7.1f ms\n", r + 1,
                round.rowsMs, round.doneMs);
  }
  std::printf("median of %d rounds: rows %.1f ms, durations %.1f ms (goal: 1000 ms)\n", rounds,
              median(rows), median(done));

  const QStringList paths = folderPaths(listFolder);
  std::printf("reading the %d durations alone (median of 3):\n", paths.size());
  std::vector<double> one, two, text, bare;
  for (int r = 0; r < 3; ++r) {
    one.push_back(loaderMs(paths, 1));
    two.push_back(loaderMs(paths, 2));
    text.push_back(durationTextMs(paths));
    bare.push_back(bareReaderMs(paths));
    if (text.back() < 0 || bare.back() < 0) {
      std::fprintf(stderr, "a file was not read as a one-minute recording\n");
      return 1;
    }
  }
  const double n = paths.size();
  std::printf("  background reader, 1 thread : %7.1f ms\n", median(one));
  std::printf("  background reader, 2 threads: %7.1f ms\n", median(two));
  std::printf("  durationText() in a loop    : %7.1f ms (%.1f us per file)\n", median(text),
              median(text) * 1000 / n);
  std::printf("  KRNReaderOpen+GetInfo+Close : %7.1f ms (%.1f us per file)\n", median(bare),
              median(bare) * 1000 / n);
  return median(done) <= 1000 ? 0 : 3;
}
