// Files and directories over the C runtime's buffered streams.
#include <dirent.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <string>

#include "krncore_internal.h"

#define KRN_MODULE L"krnfile"
#define KRN_SOURCE L"krncore_file"

struct KrnDir {
  std::string path;      // directory as given, narrow
  std::wstring pattern;  // "<path>/*", kept for the traces
  DIR *search = nullptr;
  std::wstring name;  // last entry handed out
};

namespace {

inline FILE *fp(KrnFile *f) {
  return reinterpret_cast<FILE *>(f);
}
inline KrnFile *handle(FILE *f) {
  return reinterpret_cast<KrnFile *>(f);
}
inline unsigned long handleBits(const void *p) {
  return reinterpret_cast<unsigned long>(p);
}

constexpr size_t kEditTextUnits = 256;

void traceOpenFailure(const wchar_t *path, int err) {
  KRN_LOG_AS("KRN_FileOpen", KRN_TRACE_ERROR, L"file(%ls) open errno(%d) str(%s)\n", path, err,
             krn::errnoText(err));
}

void traceOpenError(const wchar_t *path, int err) {
  KRN_LOG_AS("KRN_FileOpen", KRN_TRACE_ERROR, L"open (%ls) errno(%d:%s)\n", path, err,
             krn::errnoText(err));
}

// The runtime mode for an open, and whether a failure is reported in the
// "file(...) open errno" form; null for a combination of flags we refuse.
struct OpenPlan {
  const char *mode;
  bool readStyleFailure;
};

OpenPlan planOpen(uint32_t flags) {
  const bool text = (flags & KRN_FILE_TEXT) != 0;
  if (flags & KRN_FILE_CREATE) {
    if (flags & KRN_FILE_UPDATE) return {text ? "wt" : "w+b", false};
    if (flags & KRN_FILE_READ) return {"rb", true};
    if (flags & KRN_FILE_WRITE) {
      if (flags & KRN_FILE_APPEND) return {"ab", false};
      return {text ? "wt" : "wb", false};
    }
    return {nullptr, true};
  }
  if (flags & KRN_FILE_UPDATE) return {text ? "r+" : "r+b", true};
  if (flags & KRN_FILE_READ) return {text ? "r" : "rb", true};
  if (flags & KRN_FILE_WRITE) return {text ? "w" : "wb", true};
  return {nullptr, true};
}

FILE *openKeepingContent(const wchar_t *path, const std::string &narrow) {
  FILE *f = fopen(narrow.c_str(), "r+b");
  if (f) {
    if (fseeko(f, 0, SEEK_SET) != 0)
      KRN_LOG_AS("KRN_FileOpen", KRN_TRACE_ERROR, L"fseek(%lX, 0, SEEK_SET) errno(%d:%s) fd(%d)\n",
                 handleBits(f), errno, krn::errnoText(errno), fileno(f));
    return f;
  }
  f = fopen(narrow.c_str(), "w+b");
  if (!f) traceOpenError(path, errno);
  return f;
}

void traceStreamState(uint32_t level, FILE *f, const wchar_t *format, uint64_t asked,
                      uint64_t got) {
  int err = errno;
  KRN_LOG_AS("KRN_FileRead", level, format, krn::errnoText(err), err, ferror(f), feof(f),
             static_cast<unsigned long long>(asked), static_cast<unsigned long long>(got));
}

// Reads one line of any length, newline included; false at the end.
bool readRawLine(FILE *f, std::string &line) {
  line.clear();
  int c;
  while ((c = getc(f)) != EOF) {
    line.push_back(static_cast<char>(c));
    if (c == '\n') break;
  }
  return !line.empty();
}

// Writes out what the stream still holds and closes it; false when either
// failed (a full disk, a file-size limit), so nothing written is taken as kept.
bool flushAndClose(const char *fn, FILE *f, const wchar_t *path) {
  const int fd = fileno(f);
  bool ok = fflush(f) == 0;
  if (!ok) KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"write errno(%d), fd(%d) (%ls)\n", errno, fd, path);
  if (fclose(f) != 0) {
    KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"close errno(%d), fd(%d) (%ls)\n", errno, fd, path);
    ok = false;
  }
  return ok;
}

bool beginsWith(const std::string &line, const std::string &prefix) {
  return line.compare(0, prefix.size(), prefix) == 0;
}

// Copies the lines of path to scratch, dropping the one chosen by drop(),
// then puts the scratch file in place of path.
template <typename DropRule>
int32_t rewriteLines(const char *fn, const wchar_t *path, const wchar_t *scratchPath,
                     DropRule drop) {
  KrnFile *in = KRN_FileOpen(path, KRN_FILE_UPDATE);
  if (!in) {
    KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"open failed (%ls)\n", path);
    return -1;
  }
  KrnFile *out = KRN_FileOpen(scratchPath, KRN_FILE_CREATE | KRN_FILE_UPDATE);
  if (!out) {
    KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"open failed (%ls)\n", scratchPath);
    KRN_FileClose(in);
    return -1;
  }
  int32_t result = 0;
  if (KRN_FileSeek(in, 0, KRN_SEEK_SET) != 0 || KRN_FileSeek(out, 0, KRN_SEEK_SET) != 0) {
    KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"file seek failed\n");
    result = -1;
  }
  std::string line;
  int dropped = 0;
  for (int index = 0; result == 0 && readRawLine(fp(in), line); ++index) {
    int verdict = drop(line, index, dropped);
    if (verdict < 0) {
      result = -1;
    } else if (verdict > 0) {
      ++dropped;
    } else if (KRN_FileWrite(out, line.data(), line.size()) != line.size()) {
      KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"data move failed. (%ls)\n", scratchPath);
      result = -1;
    }
  }
  if (result == 0 && ferror(fp(in))) {
    KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"read failed errno(%d) (%ls)\n", errno, path);
    result = -1;
  }
  if (result == 0 && dropped == 0) result = drop(std::string(), -1, 0) < 0 ? -1 : 0;
  KRN_FileClose(in);
  // The scratch file replaces the original only when all of it reached the disk.
  if (!flushAndClose(fn, fp(out), scratchPath)) result = -1;
  std::string narrowScratch = krn::toUtf8(scratchPath);
  if (result != 0) {
    unlink(narrowScratch.c_str());  // the original stays as it was
    return -1;
  }
  if (rename(narrowScratch.c_str(), krn::toUtf8(path).c_str()) != 0) {
    KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"file rename failed. (%ls)to(%ls)\n", scratchPath, path);
    return -1;
  }
  KrnFile *check = KRN_FileOpen(path, KRN_FILE_UPDATE);
  if (!check) {
    KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"open failed (%ls)\n", path);
    return -1;
  }
  KRN_FileClose(check);
  return 0;
}

}  // namespace

extern "C" {

KrnFile *KRN_FileOpen(const wchar_t *path, uint32_t flags) {
  const wchar_t *shown = path ? path : L"(null)";
  FILE *f = nullptr;
  bool readStyle = true;
  if (path) {
    std::string narrow = krn::toUtf8(path);
    const bool keepContent = (flags & KRN_FILE_CREATE) && (flags & KRN_FILE_UPDATE) &&
                             (flags & (KRN_FILE_READ | KRN_FILE_APPEND));
    if (keepContent) {
      f = openKeepingContent(path, narrow);
      readStyle = false;
    } else {
      OpenPlan plan = planOpen(flags);
      readStyle = plan.readStyleFailure;
      if (!plan.mode) {
        KRN_LOGE(L"invalid mode(%d)\n", static_cast<int>(flags));
        errno = EINVAL;
      } else if ((f = fopen(narrow.c_str(), plan.mode)) != nullptr) {
        if ((flags & KRN_FILE_CREATE) && (flags & KRN_FILE_WRITE) && (flags & KRN_FILE_APPEND) &&
            !(flags & KRN_FILE_UPDATE))
          fseeko(f, 0, SEEK_SET);
      } else if (!readStyle) {
        traceOpenError(path, errno);
      }
    }
  } else {
    errno = EINVAL;
  }
  if (!f && readStyle) traceOpenFailure(shown, errno);
  if (f || readStyle)
    KRN_LOG(KRN_TRACE_DEBUG, L"file(%ls) open handle(%lx)\n", shown, handleBits(f));
  return handle(f);
}

void KRN_FileClose(KrnFile *file) {
  if (!file) return;
  int fd = fileno(fp(file));
  if (fclose(fp(file)) != 0) KRN_LOGE(L"close errno(%d), fd(%d)\n", errno, fd);
}

int32_t KRN_FileSeek(KrnFile *file, int64_t offset, int32_t origin) {
  int whence = origin == KRN_SEEK_CUR ? SEEK_CUR : (origin == KRN_SEEK_END ? SEEK_END : SEEK_SET);
  if (!file || fseeko(fp(file), offset, whence) != 0) {
    KRN_LOGE(L"seek errno(%d), fd(%d)\n", errno, file ? fileno(fp(file)) : -1);
    return -1;
  }
  return 0;
}

int32_t KRN_FileTell(KrnFile *file) {
  off_t pos = file ? ftello(fp(file)) : -1;
  // The result is 32-bit: a position it cannot hold is a failure, not a
  // silently truncated number.
  if (pos < 0 || pos > INT32_MAX) {
    KRN_LOGE(L"errno(%d)\n", pos < 0 ? errno : EOVERFLOW);
    return -1;
  }
  return static_cast<int32_t>(pos);
}

int64_t KRN_FileSize(KrnFile *file) {
  if (!file) {
    KRN_LOGE(L"tell err\n");
    return 0;
  }
  FILE *f = fp(file);
  off_t saved = ftello(f);
  if (saved < 0) KRN_LOGE(L"tell err\n");
  if (fseeko(f, 0, SEEK_END) != 0) KRN_LOGE(L"seek end err\n");
  off_t size = ftello(f);
  if (fseeko(f, saved < 0 ? 0 : saved, SEEK_SET) != 0)
    KRN_LOGE(L"seek set offset(%lld) err\n", static_cast<long long>(saved));
  if (ftello(f) != saved) KRN_LOGE(L"errno(%d)\n", errno);
  return size < 0 ? 0 : static_cast<int64_t>(size);
}

uint64_t KRN_FileRead(KrnFile *file, void *buffer, uint64_t length) {
  if (!file || !buffer || length == 0) return 0;
  size_t got = fread(buffer, 1, length, fp(file));
  if (got < length)
    traceStreamState(got == 0 ? KRN_TRACE_ERROR : KRN_TRACE_INFO, fp(file),
                     L"err(%s) errno(%d) ferr(%d) iseof(%d) toread(%llu) != read(%llu)\n", length,
                     got);
  return got;
}

uint64_t KRN_FileWrite(KrnFile *file, const void *data, uint64_t length) {
  if (!file || !data || length == 0) return 0;
  size_t put = fwrite(data, 1, length, fp(file));
  if (put < length) {
    int err = errno;
    KRN_LOGE(L"err(%s) fd(%d) errno(%d:%s) ferr(%d) iseof(%d) toWrite(%llu) written(%llu)\n",
             krn::errnoText(err), fileno(fp(file)), err, krn::errnoText(err), ferror(fp(file)),
             feof(fp(file)), static_cast<unsigned long long>(length),
             static_cast<unsigned long long>(put));
  }
  return put;
}

int32_t KRN_FileReadChar(KrnFile *file) {
  int c = file ? fgetc(fp(file)) : EOF;
  if (c == EOF) {
    int err = errno;
    KRN_LOG(KRN_TRACE_DEBUG, L"err(%s) errno(%d) ferr(%d) iseof(%d)\n", krn::errnoText(err), err,
            file ? ferror(fp(file)) : 0, file ? feof(fp(file)) : 1);
    return -1;
  }
  return c;
}

wchar_t *KRN_FileReadLine(KrnFile *file, wchar_t *buffer, int32_t capacity) {
  if (!file || !buffer || capacity <= 0) return nullptr;
  FILE *f = fp(file);
  // Collect whole UTF-8 characters until the newline or until the next
  // character would not fit; that character stays for the next call.
  std::string bytes;
  int32_t characters = 0;
  int c;
  while ((c = getc(f)) != EOF) {
    bool startsCharacter = (c & 0xC0) != 0x80;
    if (startsCharacter && characters == capacity - 1) {
      ungetc(c, f);
      break;
    }
    bytes.push_back(static_cast<char>(c));
    if (startsCharacter) ++characters;
    if (c == '\n') break;
  }
  if (bytes.empty()) {
    int err = errno;
    KRN_LOG(KRN_TRACE_DEBUG, L"err(%s) errno(%d) ferr(%d) iseof(%d)\n", krn::errnoText(err), err,
            ferror(f), feof(f));
    return nullptr;
  }
  std::wstring wide = krn::fromUtf8(bytes.data(), bytes.size());
  size_t n = wide.size() < static_cast<size_t>(capacity) ? wide.size() : capacity - 1;
  wmemcpy(buffer, wide.data(), n);
  buffer[n] = L'\0';
  return buffer;
}

int32_t KRN_FileTextWrite(KrnFile *file, const wchar_t *text) {
  if (!file || !text) return -1;
  if (fputs(krn::toUtf8(text).c_str(), fp(file)) < 0) {
    int err = errno;
    KRN_LOGE(L"err(%s) errno(%d) ferr(%d) iseof(%d)\n", krn::errnoText(err), err, ferror(fp(file)),
             feof(fp(file)));
    return -1;
  }
  return 0;
}

// Whatever the C runtime buffers goes to the system, and the system writes it
// to the device. A file that cannot be synced at all (a pipe, a terminal)
// has nothing waiting for a device, so that is not a failure.
int32_t KRN_FileSync(KrnFile *file) {
  if (!file) return -1;
  const int fd = fileno(fp(file));
  if (fflush(fp(file)) != 0 || (fsync(fd) != 0 && errno != EINVAL && errno != EROFS)) {
    int err = errno;
    KRN_LOGE(L"sync errno(%d) str(%s), fd(%d)\n", err, krn::errnoText(err), fd);
    return -1;
  }
  return 0;
}

// Cuts or extends the file to size bytes; the position stays where it was.
int32_t KRN_FileTruncate(KrnFile *file, int64_t size) {
  if (!file || size < 0) return -1;
  const int fd = fileno(fp(file));
  if (fflush(fp(file)) != 0 || ftruncate(fd, static_cast<off_t>(size)) != 0) {
    int err = errno;
    KRN_LOGE(L"truncate errno(%d) str(%s), fd(%d)\n", err, krn::errnoText(err), fd);
    return -1;
  }
  return 0;
}

KrnDir *KRN_FileOpenDir(const wchar_t *path) {
  auto *dir = new (std::nothrow) KrnDir;
  if (!dir) {
    KRN_LOGE(L"Out of memory\n");
    return nullptr;
  }
  dir->path = krn::toUtf8(path);
  dir->pattern = std::wstring(path ? path : L"") + L"/*";
  return reinterpret_cast<KrnDir *>(dir);
}

const wchar_t *KRN_FileReadDir(KrnDir *dir) {
  if (!dir) return nullptr;
  if (!dir->search) {
    dir->search = opendir(dir->path.c_str());
    if (!dir->search) {
      KRN_LOGE(L"errno(%d) path(%ls)\n", errno, dir->pattern.c_str());
      return nullptr;
    }
  }
  errno = 0;
  struct dirent *entry = readdir(dir->search);
  if (!entry) {
    int err = errno;
    KRN_LOGE(L"errno(%d) %s\n", err, err ? krn::errnoText(err) : "There are no more files.");
    return nullptr;
  }
  dir->name = krn::fromUtf8(entry->d_name);
  return dir->name.c_str();
}

int32_t KRN_FileCloseDir(KrnDir *dir) {
  if (!dir) return 0;
  int32_t closed = 0;
  if (dir->search && closedir(dir->search) == 0)
    closed = 1;
  else
    KRN_LOGE(L"errno(%d)\n", dir->search ? errno : EBADF);
  delete dir;
  return closed;
}

void KRN_FileResetDir(KrnDir *) {}

int32_t KRN_FileExist(const wchar_t *path, int32_t mode) {
  if (!path) return -1;
  int how = F_OK;
  if (mode & 2) how |= W_OK;
  if (mode & 4) how |= R_OK;
  return access(krn::toUtf8(path).c_str(), how) == 0 ? 0 : -1;
}

int32_t KRN_MakeDir(const wchar_t *path) {
  if (!path || mkdir(krn::toUtf8(path).c_str(), 0777) != 0) {
    KRN_LOGE(L"CreateDirectory failed!![%ls] errcode(%d)\n", path ? path : L"(null)", errno);
    return -1;
  }
  return 0;
}

int32_t KRN_GetFileAttr(const wchar_t *path, KrnFileAttr *attr) {
  struct stat st;
  if (!path || !attr || stat(krn::toUtf8(path).c_str(), &st) != 0) {
    KRN_LOGE(L"error code(%d)\n", path && attr ? errno : EINVAL);
    return -1;
  }
  // The modification time goes through local wall-clock time and back, with
  // daylight saving decided by the runtime, as the camera tools compare it.
  struct tm local;
  time_t modified = st.st_mtime;
  if (localtime_r(&modified, &local)) {
    local.tm_isdst = -1;
    modified = mktime(&local);
  }
  attr->isDirectory = S_ISDIR(st.st_mode) ? 1 : 0;
  attr->modified = static_cast<int64_t>(modified);
  attr->size = static_cast<uint64_t>(st.st_size);
  return 0;
}

int64_t KRN_GetFreeDiskSpace(const wchar_t *) {
  return 0x7FFFFFFF;
}

int32_t KRN_Truncate(const wchar_t *path, int64_t size) {
  std::string narrow = krn::toUtf8(path);
  FILE *f = path ? fopen(narrow.c_str(), "ab") : nullptr;
  if (f) fclose(f);
  if (!f || truncate(narrow.c_str(), size) != 0) {
    KRN_LOGE(L"truncate (%ls) to %lld errno(%d:%s)\n", path ? path : L"(null)",
             static_cast<long long>(size), errno, krn::errnoText(errno));
    return -1;
  }
  return 0;
}

int32_t KRN_FEdit_Put(const wchar_t *path, const wchar_t *text) {
  KrnFile *f =
      KRN_FileOpen(path, KRN_FILE_CREATE | KRN_FILE_READ | KRN_FILE_UPDATE | KRN_FILE_APPEND);
  if (!f) {
    KRN_LOGE(L"open failed (%ls)\n", path ? path : L"(null)");
    return -1;
  }
  int32_t result = 0;
  wchar_t line[kEditTextUnits];
  off_t end = -1;
  if (fseeko(fp(f), 0, SEEK_END) != 0 || (end = ftello(fp(f))) < 0) {
    KRN_LOGE(L"seek errno(%d), fd(%d)\n", errno, fileno(fp(f)));
    result = -1;
  } else if (KRN_snprintf(line, kEditTextUnits, L"%ls\n", text ? text : L"") < 0 ||
             KRN_FileTextWrite(f, line) < 0 || fflush(fp(f)) != 0) {
    KRN_LOGE(L"data write failed. (%ls)\n", path);
    result = -1;
  }
  if (!flushAndClose("KRN_FEdit_Put", fp(f), path)) result = -1;
  // A line only partly written would run into the next one: the file goes
  // back to what it was.
  if (result != 0 && end >= 0 && truncate(krn::toUtf8(path).c_str(), end) != 0)
    KRN_LOGE(L"truncate errno(%d) (%ls)\n", errno, path);
  return result;
}

int32_t KRN_FEdit_Del(const wchar_t *path, const wchar_t *scratchPath, const wchar_t *text) {
  if (!path || !scratchPath || !text) return -1;
  std::string prefix = krn::toUtf8(text);
  return rewriteLines(
      "KRN_FEdit_Del", path, scratchPath, [&](const std::string &line, int index, int dropped) {
        if (index < 0) {
          KRN_LOG_AS("KRN_FEdit_Del", KRN_TRACE_ERROR, L"can not found same data[%ls]\n", text);
          return -1;
        }
        if (!beginsWith(line, prefix)) return 0;
        if (dropped > 0) {
          KRN_LOG_AS("KRN_FEdit_Del", KRN_TRACE_ERROR, L"found same data again\n");
          return -1;
        }
        KRN_LOG_AS("KRN_FEdit_Del", KRN_TRACE_INFO, L"found same data(%ls)\n", text);
        return 1;
      });
}

int32_t KRN_FEdit_TrunkUp(const wchar_t *path, const wchar_t *scratchPath) {
  if (!path || !scratchPath) return -1;
  return rewriteLines("KRN_FEdit_TrunkUp", path, scratchPath,
                      [](const std::string &, int index, int) {
                        return index == 0 ? 1 : 0;  // an empty file simply stays empty
                      });
}

}  // extern "C"
