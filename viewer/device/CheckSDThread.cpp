#include "device/CheckSDThread.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>

#include "core/StatusLog.h"

namespace {

void drain(int fd) {
  char buffer[4096];
  while (::read(fd, buffer, sizeof buffer) > 0) {
  }
}

}  // namespace

CheckSDThread::CheckSDThread(const QString &cardPath, QObject *parent)
    : QThread(parent), cardPath_(cardPath) {
  wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

CheckSDThread::~CheckSDThread() {
  breakThread();
  wait();
  if (wakeFd_ >= 0) ::close(wakeFd_);
}

void CheckSDThread::breakThread() {
  if (stop_.exchange(true)) return;
  logInfo("[CheckSDThread] breakThread");
  const quint64 one = 1;
  if (wakeFd_ >= 0) (void)!::write(wakeFd_, &one, sizeof one);
}

void CheckSDThread::run() {
  const QByteArray path = QFile::encodeName(cardPath_);
  const QByteArray parent = QFile::encodeName(QFileInfo(cardPath_).absolutePath());
  const int notify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (notify >= 0) {
    ::inotify_add_watch(notify, path.constData(),
                        IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_ATTRIB);
    ::inotify_add_watch(notify, parent.constData(), IN_DELETE | IN_MOVED_FROM | IN_UNMOUNT);
  }
  // The mount table reports POLLPRI whenever something is mounted or not.
  const int mounts = ::open("/proc/self/mounts", O_RDONLY | O_CLOEXEC);
  bool told = true;
  while (!stop_.load()) {
    checks_.fetch_add(1);
    if (!QFileInfo::exists(cardPath_)) {
      logInfo("[CheckSDThread] emit onSendSDNotExist");
      emit onSendSDNotExist();
      break;
    }
    if (told) logInfo("[CheckSDThread] sd exist");
    pollfd fds[3] = {{wakeFd_, POLLIN, 0}, {notify, POLLIN, 0}, {mounts, POLLPRI, 0}};
    const int n = ::poll(fds, 3, kPollIntervalMs);
    told = n > 0;
    if (fds[1].revents & POLLIN) drain(notify);
    if (fds[0].revents & POLLIN) drain(wakeFd_);
  }
  if (notify >= 0) ::close(notify);
  if (mounts >= 0) ::close(mounts);
  logInfo("[CheckSDThread] quit");
}
