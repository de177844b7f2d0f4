// Library start, result codes, text conversion and the small string helpers.
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cwctype>
#include <vector>

#include "krncore_internal.h"

namespace krn {

namespace {

constexpr wchar_t kReplacement = 0xFFFD;
constexpr size_t kStaticTextUnits = 256;

void appendUtf8(std::string &out, uint32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacement;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Decodes one UTF-8 sequence at s (n bytes available); returns bytes used.
size_t decodeUtf8(const unsigned char *s, size_t n, uint32_t &cp) {
  unsigned char c = s[0];
  size_t len;
  uint32_t min;
  if (c < 0x80) {
    cp = c;
    return 1;
  } else if ((c & 0xE0) == 0xC0) {
    len = 2, cp = c & 0x1F, min = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    len = 3, cp = c & 0x0F, min = 0x800;
  } else if ((c & 0xF8) == 0xF0) {
    len = 4, cp = c & 0x07, min = 0x10000;
  } else {
    cp = kReplacement;
    return 1;
  }
  if (len > n) {
    cp = kReplacement;
    return 1;
  }
  for (size_t i = 1; i < len; ++i) {
    if ((s[i] & 0xC0) != 0x80) {
      cp = kReplacement;
      return i;
    }
    cp = (cp << 6) | (s[i] & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacement;
  return len;
}

// Cuts a UTF-8 string to at most maxBytes without splitting a character.
size_t utf8CutLength(const std::string &s, size_t maxBytes) {
  if (s.size() <= maxBytes) return s.size();
  size_t n = maxBytes;
  while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
  return n;
}

}  // namespace

std::string toUtf8(const wchar_t *text, size_t length) {
  std::string out;
  if (!text) return out;
  out.reserve(length);
  for (size_t i = 0; i < length; ++i) appendUtf8(out, static_cast<uint32_t>(text[i]));
  return out;
}

std::string toUtf8(const wchar_t *text) {
  return text ? toUtf8(text, wcslen(text)) : std::string();
}

std::wstring fromUtf8(const char *text, size_t length) {
  std::wstring out;
  if (!text) return out;
  out.reserve(length);
  const auto *s = reinterpret_cast<const unsigned char *>(text);
  size_t i = 0;
  while (i < length) {
    uint32_t cp;
    i += decodeUtf8(s + i, length - i, cp);
    out.push_back(static_cast<wchar_t>(cp));
  }
  return out;
}

std::wstring fromUtf8(const char *text) {
  return text ? fromUtf8(text, strlen(text)) : std::wstring();
}

namespace {

// Output of formatCut: keeps the head of what is written, up to capacity - 1
// characters, and notes when there is no room left.
class CutWriter {
 public:
  CutWriter(wchar_t *buffer, size_t capacity) : buffer_(buffer), room_(capacity - 1) {}
  void put(const wchar_t *text, size_t n) {
    if (n > room_ - used_) n = room_ - used_;
    wmemcpy(buffer_ + used_, text, n);
    used_ += n;
  }
  void pad(size_t n) {
    if (n > room_ - used_) n = room_ - used_;
    wmemset(buffer_ + used_, L' ', n);
    used_ += n;
  }
  bool full() const { return used_ == room_; }
  size_t finish() {
    buffer_[used_] = L'\0';
    return used_;
  }

 private:
  wchar_t *buffer_;
  size_t room_;
  size_t used_ = 0;
};

// Widths and precisions the C library is trusted with; beyond them a text
// field is padded here and a number is given at this precision.
constexpr long kLibraryField = 1024;

struct Conversion {
  std::wstring flags;
  long width = -1;  // -1: none
  long precision = -1;
  std::wstring length;  // "", "hh", "h", "l", "ll", "L", "j", "z", "t", "q"
  wchar_t type = 0;
};

// Reads a directive after its '%'; returns the character after it, or null
// for an incomplete directive.
const wchar_t *parseConversion(const wchar_t *p, Conversion &c, va_list &args) {
  while (*p && wcschr(L"-+ #0'I", *p)) c.flags.push_back(*p++);
  if (*p == L'*') {
    int w = va_arg(args, int);
    if (w < 0) {
      c.flags.push_back(L'-');
      w = w == INT32_MIN ? INT32_MAX : -w;
    }
    c.width = w;
    ++p;
  } else if (iswdigit(*p)) {
    c.width = 0;
    for (; iswdigit(*p); ++p) c.width = c.width > INT32_MAX / 10 ? INT32_MAX : c.width * 10 + (*p - L'0');
  }
  if (*p == L'.') {
    ++p;
    c.precision = 0;
    if (*p == L'*') {
      int prec = va_arg(args, int);
      c.precision = prec < 0 ? -1 : prec;
      ++p;
    } else {
      for (; iswdigit(*p); ++p)
        c.precision = c.precision > INT32_MAX / 10 ? INT32_MAX : c.precision * 10 + (*p - L'0');
    }
  }
  while (*p && wcschr(L"hlLjztq", *p)) c.length.push_back(*p++);
  if (!*p) return nullptr;
  c.type = *p++;
  return p;
}

// A text field: the body cut to the precision, padded to the width.
void putText(CutWriter &out, const Conversion &c, const wchar_t *text, size_t n) {
  if (c.precision >= 0 && static_cast<size_t>(c.precision) < n) n = static_cast<size_t>(c.precision);
  const size_t width = c.width > 0 ? static_cast<size_t>(c.width) : 0;
  const bool left = c.flags.find(L'-') != std::wstring::npos;
  if (!left && width > n) out.pad(width - n);
  out.put(text, n);
  if (left && width > n) out.pad(width - n);
}

// A number through the C library, with the directive as written when its
// width and precision are sane.
template <typename T>
void putNumber(CutWriter &out, const Conversion &c, T value) {
  std::wstring directive = L"%" + c.flags;
  const bool libraryWidth = c.width >= 0 && c.width <= kLibraryField;
  if (libraryWidth) directive += std::to_wstring(c.width);
  if (c.precision >= 0) directive += L"." + std::to_wstring(c.precision < kLibraryField ? c.precision : kLibraryField);
  directive += c.length;
  directive.push_back(c.type);
  wchar_t field[2 * kLibraryField + 400];
  int n = swprintf(field, sizeof field / sizeof field[0], directive.c_str(), value);
  if (n < 0) return;
  Conversion text;
  text.flags = c.flags;
  text.width = libraryWidth ? -1 : c.width;
  putText(out, text, field, static_cast<size_t>(n));
}

}  // namespace

// The trace's own printf: narrow text ("%s", "%c") is UTF-8 whatever the
// process locale (the C library would refuse bytes above 0x7F under the "C"
// locale and lose the whole line), output of any length is cut rather than
// dropped, and "%n" writes nothing.
size_t formatCut(wchar_t *buffer, size_t capacity, const wchar_t *format, va_list args) {
  if (!buffer || capacity == 0) return 0;
  CutWriter out(buffer, capacity);
  if (!format) return out.finish();
  va_list ap;
  va_copy(ap, args);
  const wchar_t *p = format;
  while (*p && !out.full()) {
    const wchar_t *percent = wcschr(p, L'%');
    if (!percent) {
      out.put(p, wcslen(p));
      break;
    }
    out.put(p, static_cast<size_t>(percent - p));
    Conversion c;
    const wchar_t *next = parseConversion(percent + 1, c, ap);
    if (!next) break;
    p = next;
    const bool wide = c.length == L"l" || c.type == L'S' || c.type == L'C';
    const bool isLong = c.length == L"l";
    const bool isLongLong = c.length == L"ll" || c.length == L"q" || c.length == L"L";
    switch (c.type) {
      case L'%':
        out.put(L"%", 1);
        break;
      case L's':
      case L'S':
        if (wide) {
          const wchar_t *text = va_arg(ap, const wchar_t *);
          if (!text) text = L"(null)";
          size_t n = c.precision >= 0 ? wcsnlen(text, static_cast<size_t>(c.precision)) : wcslen(text);
          putText(out, c, text, n);
        } else {
          const char *text = va_arg(ap, const char *);
          if (!text) text = "(null)";
          size_t bytes = strlen(text);
          // Enough bytes for the precision and for what still fits.
          const size_t most = c.precision >= 0 ? static_cast<size_t>(c.precision) : capacity;
          size_t take = most < capacity ? most : capacity;
          if (take < SIZE_MAX / 4 && take * 4 < bytes) bytes = take * 4;
          std::wstring w = fromUtf8(text, bytes);
          putText(out, c, w.data(), w.size());
        }
        break;
      case L'c':
      case L'C':
        if (wide) {
          const wchar_t ch = static_cast<wchar_t>(va_arg(ap, wint_t));
          putText(out, c, &ch, 1);
        } else {
          const unsigned char byte = static_cast<unsigned char>(va_arg(ap, int));
          const wchar_t ch = byte < 0x80 ? static_cast<wchar_t>(byte) : kReplacement;
          putText(out, c, &ch, 1);
        }
        break;
      case L'd':
      case L'i':
      case L'o':
      case L'u':
      case L'x':
      case L'X':
        if (c.length == L"j")
          putNumber(out, c, va_arg(ap, intmax_t));
        else if (c.length == L"z")
          putNumber(out, c, va_arg(ap, size_t));
        else if (c.length == L"t")
          putNumber(out, c, va_arg(ap, ptrdiff_t));
        else if (isLongLong)
          putNumber(out, c, va_arg(ap, long long));
        else if (isLong)
          putNumber(out, c, va_arg(ap, long));
        else
          putNumber(out, c, va_arg(ap, int));
        break;
      case L'e':
      case L'E':
      case L'f':
      case L'F':
      case L'g':
      case L'G':
      case L'a':
      case L'A':
        if (c.length == L"L")
          putNumber(out, c, va_arg(ap, long double));
        else
          putNumber(out, c, va_arg(ap, double));
        break;
      case L'p': {
        Conversion pointer = c;
        pointer.length.clear();
        putNumber(out, pointer, va_arg(ap, void *));
        break;
      }
      case L'n':
        (void)va_arg(ap, void *);
        break;
      default:  // not a directive: shown as written
        out.put(percent, static_cast<size_t>(p - percent));
        break;
    }
  }
  va_end(ap);
  return out.finish();
}

const char *errnoText(int err) {
  thread_local char text[128];
  // The GNU strerror_r may return a static string instead of filling text.
  const char *s = strerror_r(err, text, sizeof text);
  return s ? s : "";
}

}  // namespace krn

extern "C" {

int32_t KRN_SystemInit(KrnSystemHook hook) {
  struct tm now;
  KRN_GetlocalTime(&now);
  srand(static_cast<unsigned>(time(nullptr)));
  if (hook) hook(0, 0);
  return 0;
}

int32_t KRN_SystemUnInit(KrnSystemHook hook) {
  if (hook) hook(0, 0);
  return 0;
}

uint32_t KRN_GetLastError(void) {
  return static_cast<uint32_t>(errno);
}

const wchar_t *KRN_GetLastErrorStr(void) {
  return L"Use FormatMessage() please..";
}

const wchar_t *KRN_GetErrorStr(uint32_t code) {
  static const struct {
    uint32_t code;
    const wchar_t *text;
  } kTexts[] = {
      {KRN_OK, L"OK"},
      {KRN_ERR_NOMEM, L"Out of memory"},
      {KRN_ERR_THREAD, L"Thread creation failed"},
      {KRN_ERR_DISKFULL, L"Disk is full"},
      {KRN_ERR_NOTSUPPORTED, L"Not supported"},
      {KRN_ERR_OPEN, L"No such file or opening failed"},
      {KRN_ERR_CREATE, L"File creation failed"},
      {KRN_ERR_READ, L"File read failed"},
      {KRN_ERR_WRITE, L"File write failed"},
      {KRN_ERR_SEEK, L"File seek failed"},
      {KRN_ERR_FORMAT, L"Not supported format of file"},
      {KRN_ERR_STREAM, L"Stream error"},
      {KRN_ERR_NOBUFFER, L"No buffer"},
      {KRN_ERR_BUFSIZE, L"Invalid buffer size"},
      {KRN_ERR_OVERFLOW, L"Buffer overflow"},
      {KRN_ERR_EOD, L"End of data (file, stream)"},
  };
  for (const auto &entry : kTexts)
    if (entry.code == code) return entry.text;
  return L"FAIL";
}

const wchar_t *KRN_GetEnv(const wchar_t *name) {
  thread_local std::wstring value;
  if (!name) return nullptr;
  const char *v = getenv(krn::toUtf8(name).c_str());
  if (!v) return nullptr;
  value = krn::fromUtf8(v);
  return value.c_str();
}

int32_t KRN_snprintf(wchar_t *buffer, uint32_t capacity, const wchar_t *format, ...) {
  if (!buffer || capacity == 0) return -1;
  va_list args;
  va_start(args, format);
  int n = format ? vswprintf(buffer, capacity, format, args) : -1;
  va_end(args);
  if (n < 0) buffer[0] = L'\0';
  return n < 0 ? -1 : n;
}

const wchar_t *KRN_strrstr(const wchar_t *text, const wchar_t *pattern) {
  if (!text || !pattern) return nullptr;
  size_t tl = wcslen(text), pl = wcslen(pattern);
  if (tl == 0 || pl == 0 || pl > tl) return nullptr;
  for (size_t i = tl - pl + 1; i-- > 0;)
    if (wmemcmp(text + i, pattern, pl) == 0) return text + i;
  return nullptr;
}

wchar_t *KRN_strtrim(const wchar_t *text, const wchar_t *startMark, const wchar_t *endMark,
                     wchar_t *dest, uint32_t capacity) {
  if (!text || !startMark || !endMark || !dest) return nullptr;
  if (capacity == 0) return dest;
  const wchar_t *begin = KRN_strrstr(text, startMark);
  begin = begin ? begin + 1 : text;
  const wchar_t *end = KRN_strrstr(begin, endMark);
  size_t len = end ? static_cast<size_t>(end - begin) : wcslen(begin);
  if (len >= capacity) len = capacity - 1;
  wmemcpy(dest, begin, len);
  dest[len] = L'\0';
  return dest;
}

wchar_t *KRN_FourCC_String(uint32_t code, wchar_t *dest) {
  thread_local wchar_t own[5];
  wchar_t *out = dest ? dest : own;
  for (int i = 0; i < 4; ++i) out[i] = static_cast<wchar_t>((code >> (8 * i)) & 0xFF);
  out[4] = L'\0';
  return out;
}

wchar_t *KRN_char2Wchar(const char *text) {
  thread_local wchar_t buffer[krn::kStaticTextUnits];
  std::wstring wide = krn::fromUtf8(text);
  size_t n = wide.size() < krn::kStaticTextUnits - 1 ? wide.size() : krn::kStaticTextUnits - 1;
  wmemcpy(buffer, wide.data(), n);
  buffer[n] = L'\0';
  return buffer;
}

char *KRN_Wchar2char(const wchar_t *text) {
  thread_local char buffer[krn::kStaticTextUnits];
  return KRN_Wchar2charcopy(text, buffer, sizeof buffer);
}

char *KRN_Wchar2charcopy(const wchar_t *text, char *dest, uint32_t capacity) {
  if (!dest || capacity == 0) return dest;
  std::string narrow = krn::toUtf8(text);
  size_t n = krn::utf8CutLength(narrow, capacity - 1);
  memcpy(dest, narrow.data(), n);
  dest[n] = '\0';
  return dest;
}

const void *KRN_Memmem(const void *haystack, uint32_t haystackLen, const void *needle,
                       uint32_t needleLen) {
  if (needleLen == 0) return haystack;
  if (!haystack || !needle || haystackLen < needleLen) return nullptr;
  return memmem(haystack, haystackLen, needle, needleLen);
}

}  // extern "C"
