// Number, string, hex and Base64 helpers for the line-oriented texts of the
// camera (key, separator, value). Scanners never look past the end of the
// current line: NUL, line feed and carriage return all end it.
#include <cstring>
#include <cwchar>

#include "krnutil.h"

namespace {

bool isLineEnd(wchar_t c) {
  return c == 0 || c == L'\n' || c == L'\r';
}
bool isBlank(wchar_t c) {
  return c == L' ' || c == L'\t';
}
bool isDigit(wchar_t c) {
  return c >= L'0' && c <= L'9';
}
bool isLetter(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}
bool isHexDigit(wchar_t c) {
  return isDigit(c) || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}
bool isIntStart(wchar_t c) {
  return isDigit(c) || c == L'-';
}
bool isFloatChar(wchar_t c) {
  return isDigit(c) || c == L'.';
}
bool isTimeChar(wchar_t c) {
  return isDigit(c) || c == L'.' || c == L':';
}
bool isWordChar(wchar_t c) {
  return isLetter(c) || isDigit(c) || c == L'-' || c == L'.' || c == L'_';
}
bool isSafeChar(wchar_t c) {
  return isLetter(c) || isDigit(c) || (c != 0 && wcschr(L"\"#$&'*+,-./:=?@[]^_`{|}~", c));
}
bool isBase64TokenChar(wchar_t c) {
  return isLetter(c) || isDigit(c) || c == L'+' || c == L',' || c == L'/' || c == L'=';
}

wchar_t toLower(wchar_t c) {
  return (c >= L'A' && c <= L'Z') ? wchar_t(c - L'A' + L'a') : c;
}
wchar_t toUpper(wchar_t c) {
  return (c >= L'a' && c <= L'z') ? wchar_t(c - L'a' + L'A') : c;
}

uint32_t digitValue(wchar_t c) {
  return uint32_t(c - L'0');
}

uint32_t hexValue(wchar_t c) {
  if (c >= L'a' && c <= L'f') return uint32_t(c - L'a' + 10);
  if (c >= L'A' && c <= L'F') return uint32_t(c - L'A' + 10);
  return uint32_t(c - L'0');
}

wchar_t *allocWide(uint32_t characters, const wchar_t *func) {
  if (characters > 0xFFFFFFFFu / sizeof(wchar_t) - 1) return nullptr;
  return static_cast<wchar_t *>(KRN_Malloc(uint32_t((characters + 1) * sizeof(wchar_t)), 0, -1,
                                           L"krnutil_string", __LINE__, func));
}

// Where the scan of the current line starts: after the key when one is given.
const wchar_t *afterKey(const wchar_t *text, const wchar_t *key) {
  if (!text) return nullptr;
  if (!key) return text;
  const wchar_t *at = KRNUtilStrFindString(text, key);
  return at ? at + wcslen(key) : nullptr;
}

const wchar_t *skipTo(const wchar_t *p, bool (*accept)(wchar_t)) {
  for (; !isLineEnd(*p); ++p) {
    if (accept(*p)) return p;
  }
  return nullptr;
}

const wchar_t *tokenEnd(const wchar_t *p, bool (*accept)(wchar_t)) {
  while (!isLineEnd(*p) && accept(*p)) ++p;
  return p;
}

// Number tokens go through a 20-character buffer: longer tokens are cut to
// their first 19 characters before conversion.
constexpr size_t kNumberBuffer = 20;

void copyNumber(const wchar_t *begin, const wchar_t *end, wchar_t (&buffer)[kNumberBuffer]) {
  size_t n = size_t(end - begin);
  if (n > kNumberBuffer - 1) n = kNumberBuffer - 1;
  wmemcpy(buffer, begin, n);
  buffer[n] = 0;
}

const wchar_t *scanNumber(const wchar_t *text, const wchar_t *key, bool (*start)(wchar_t),
                          bool (*body)(wchar_t), wchar_t (&buffer)[kNumberBuffer]) {
  const wchar_t *p = afterKey(text, key);
  if (!p) return nullptr;
  p = skipTo(p, start);
  if (!p) return nullptr;
  const wchar_t *end = tokenEnd(p, body);
  copyNumber(p, end, buffer);
  return end;
}

const wchar_t *scanToken(const wchar_t *text, bool (*accept)(wchar_t), const wchar_t **start,
                         uint32_t *length) {
  if (!text) return nullptr;
  const wchar_t *p = skipTo(text, accept);
  if (!p) return nullptr;
  const wchar_t *end = tokenEnd(p, accept);
  if (start) *start = p;
  if (length) *length = uint32_t(end - p);
  return end;
}

const char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int base64Value(wchar_t c) {
  if (c >= L'A' && c <= L'Z') return int(c - L'A');
  if (c >= L'a' && c <= L'z') return int(c - L'a') + 26;
  if (c >= L'0' && c <= L'9') return int(c - L'0') + 52;
  if (c == L'+') return 62;
  if (c == L'/') return 63;
  return -1;
}

}  // namespace

extern "C" {

// ---------------------------------------------------------------------------
// Numbers

uint32_t KRN_ATOI(const wchar_t *text) {
  uint32_t value = 0;
  for (const wchar_t *p = text; p && *p; ++p) value = value * 10 + digitValue(*p);
  return value;
}

uint32_t KRN_ATOI_MS(const wchar_t *text) {
  if (!text) return 0;
  const wchar_t *p = text;
  uint32_t seconds = 0;
  for (; *p && *p != L'.'; ++p) seconds = seconds * 10 + digitValue(*p);
  uint32_t fraction = 0;
  if (*p == L'.') ++p;
  for (int i = 0; i < 3; ++i) {
    fraction = fraction * 10 + (*p ? digitValue(*p) : 0);
    if (*p) ++p;
  }
  return seconds * 1000 + fraction;
}

uint32_t KRN_ATOI_TS(const wchar_t *text) {
  if (!text) return 0;
  size_t n = wcslen(text);
  uint32_t hours = 0;
  uint32_t minutes = 0;
  for (size_t i = 0; i < 2 && i < n; ++i) hours = hours * 10 + digitValue(text[i]);
  for (size_t i = 3; i < 5 && i < n; ++i) minutes = minutes * 10 + digitValue(text[i]);
  uint32_t rest = n > 6 ? KRN_ATOI_MS(text + 6) : 0;
  return hours * 3600000u + minutes * 60000u + rest;
}

uint32_t KRN_ATOI_HEX(const wchar_t *text) {
  uint32_t value = 0;
  for (const wchar_t *p = text; p && *p; ++p) value = value * 16 + hexValue(*p);
  return value;
}

int32_t KRN_ITOA(int32_t value, char *buffer) {
  if (!buffer) return 0;
  char digits[12];
  int count = 0;
  uint32_t magnitude = value < 0 ? 0u - uint32_t(value) : uint32_t(value);
  do {
    digits[count++] = char('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude);
  int32_t written = 0;
  if (value < 0) buffer[written++] = '-';
  while (count) buffer[written++] = digits[--count];
  buffer[written] = 0;
  return written;
}

// ---------------------------------------------------------------------------
// Case, comparison and duplication

wchar_t *KRNUtilStrntolower(wchar_t *text, uint32_t count) {
  if (!text) return nullptr;
  for (uint32_t i = 0; i < count && text[i]; ++i) text[i] = toLower(text[i]);
  return text;
}

wchar_t *KRNUtilStrntoupper(wchar_t *text, uint32_t count) {
  if (!text) return nullptr;
  for (uint32_t i = 0; i < count && text[i]; ++i) text[i] = toUpper(text[i]);
  return text;
}

int32_t KRNUtilStrnicmp(const wchar_t *a, const wchar_t *b, uint32_t count) {
  if (count == 0 || a == b) return 0;
  if (!a) return -1;
  if (!b) return 1;
  for (uint32_t i = 0; i < count; ++i) {
    wchar_t ca = toLower(a[i]);
    wchar_t cb = toLower(b[i]);
    if (ca != cb) return int32_t(ca) - int32_t(cb);
    if (ca == 0) break;
  }
  return 0;
}

int32_t KRNUtilStricmp(const wchar_t *a, const wchar_t *b) {
  return KRNUtilStrnicmp(a, b, 0xFFFFFFFFu);
}

wchar_t *KRNUtilStrdupn(const wchar_t *text, uint32_t n) {
  if (!text) return nullptr;
  size_t length = wcsnlen(text, n);
  wchar_t *copy = allocWide(uint32_t(length), L"KRNUtilStrdupn");
  if (!copy) return nullptr;
  wmemcpy(copy, text, length);
  copy[length] = 0;
  return copy;
}

wchar_t *KRNUtilStrdup(const wchar_t *text) {
  return KRNUtilStrdupn(text, 0xFFFFFFFFu);
}

wchar_t *KRNUtilStrmcat(const wchar_t *a, const wchar_t *b) {
  if (!a) return nullptr;
  size_t la = wcslen(a);
  size_t lb = b ? wcslen(b) : 0;
  if (la + lb >= 0xFFFFFFFFu / sizeof(wchar_t)) return nullptr;
  wchar_t *joined = allocWide(uint32_t(la + lb), L"KRNUtilStrmcat");
  if (!joined) return nullptr;
  wmemcpy(joined, a, la);
  if (lb) wmemcpy(joined + la, b, lb);
  joined[la + lb] = 0;
  return joined;
}

// ---------------------------------------------------------------------------
// Scanning

bool KRNUtilStrIsDecNumber(const wchar_t *text) {
  if (!text) return false;
  while (isBlank(*text)) ++text;
  return isDigit(*text);
}

const wchar_t *KRNUtilStrFindString(const wchar_t *text, const wchar_t *pattern) {
  if (!text || !pattern) return nullptr;
  for (const wchar_t *p = text;; ++p) {
    size_t i = 0;
    while (pattern[i] && !isLineEnd(p[i]) && p[i] == pattern[i]) ++i;
    if (!pattern[i]) return p;
    if (isLineEnd(*p)) return nullptr;
  }
}

wchar_t *KRNUtilStrGetLine(wchar_t *text, uint32_t *length) {
  if (!text) return nullptr;
  wchar_t *line = text;
  while (isBlank(*line)) ++line;
  if (*line == 0) return nullptr;
  wchar_t *p = line;
  for (;;) {
    while (!isLineEnd(*p)) ++p;
    if (*p == 0) break;
    wchar_t *next = p;
    if (*next == L'\r') ++next;
    if (*next == L'\n') ++next;
    if (!isBlank(*next)) {
      p = next;
      break;
    }
    // A folded line: its break becomes part of one longer line.
    for (wchar_t *q = p; q < next; ++q) *q = L' ';
    p = next;
  }
  if (length) *length = uint32_t(p - line);
  return line;
}

const wchar_t *KRNUtilStrGetDecNumber(const wchar_t *text, const wchar_t *key, uint32_t *value) {
  wchar_t buffer[kNumberBuffer];
  const wchar_t *end = scanNumber(text, key, isDigit, isDigit, buffer);
  if (end && value) *value = KRN_ATOI(buffer);
  return end;
}

const wchar_t *KRNUtilStrGetIntNumber(const wchar_t *text, const wchar_t *key, int32_t *value) {
  const wchar_t *p = afterKey(text, key);
  if (!p) return nullptr;
  p = skipTo(p, isIntStart);
  if (!p) return nullptr;
  bool negative = *p == L'-';
  if (negative) ++p;
  const wchar_t *end = tokenEnd(p, isDigit);
  wchar_t buffer[kNumberBuffer];
  copyNumber(p, end, buffer);
  if (value) {
    uint32_t magnitude = KRN_ATOI(buffer);
    *value = int32_t(negative ? 0u - magnitude : magnitude);
  }
  return end;
}

const wchar_t *KRNUtilStrGetHexNumber(const wchar_t *text, const wchar_t *key, uint32_t *value) {
  wchar_t buffer[kNumberBuffer];
  const wchar_t *end = scanNumber(text, key, isHexDigit, isHexDigit, buffer);
  if (end && value) *value = KRN_ATOI_HEX(buffer);
  return end;
}

const wchar_t *KRNUtilStrGetFloatNumber(const wchar_t *text, const wchar_t *key, uint32_t *value) {
  wchar_t buffer[kNumberBuffer];
  const wchar_t *end = scanNumber(text, key, isFloatChar, isFloatChar, buffer);
  if (end && value) *value = KRN_ATOI_MS(buffer);
  return end;
}

const wchar_t *KRNUtilStrGetTimeNumber(const wchar_t *text, const wchar_t *key, uint32_t *value) {
  wchar_t buffer[kNumberBuffer];
  const wchar_t *end = scanNumber(text, key, isTimeChar, isTimeChar, buffer);
  if (end && value) *value = KRN_ATOI_TS(buffer);
  return end;
}

const wchar_t *KRNUtilStrGetString(const wchar_t *text, const wchar_t **start, uint32_t *length) {
  return scanToken(text, isWordChar, start, length);
}

const wchar_t *KRNUtilStrGetHexString(const wchar_t *text, const wchar_t **start,
                                      uint32_t *length) {
  return scanToken(text, isHexDigit, start, length);
}

const wchar_t *KRNUtilStrGetAddress(const wchar_t *text, const wchar_t **start, uint32_t *length) {
  if (!text) return nullptr;
  const wchar_t *scheme = KRNUtilStrFindString(text, L"://");
  return scanToken(scheme ? scheme + 3 : text, isWordChar, start, length);
}

const wchar_t *KRNUtilStrGetSafeString(const wchar_t *text, const wchar_t **start,
                                       uint32_t *length) {
  return scanToken(text, isSafeChar, start, length);
}

const wchar_t *KRNUtilStrGetContext(const wchar_t *text, const wchar_t **start, uint32_t *length) {
  if (!text) return nullptr;
  const wchar_t *p = text;
  while (isBlank(*p)) ++p;
  if (isLineEnd(*p)) return nullptr;
  const wchar_t *end = p;
  while (!isLineEnd(*end)) ++end;
  if (start) *start = p;
  if (length) *length = uint32_t(end - p);
  return end;
}

// ---------------------------------------------------------------------------
// Hex

uint32_t KRNUtil_ConvStrToBin(wchar_t *hex, uint32_t length, uint8_t *out) {
  if (!hex || !out) return 0;
  uint32_t n = uint32_t(wcsnlen(hex, length));
  KRNUtilStrntolower(hex, n);
  uint32_t bytes = n / 2;
  for (uint32_t i = 0; i < bytes; ++i) {
    out[i] = uint8_t((hexValue(hex[2 * i]) << 4) | (hexValue(hex[2 * i + 1]) & 0xF));
  }
  return bytes;
}

char *KRNUtil_ConvBinToStr(const uint8_t *bytes, uint32_t length) {
  if ((!bytes && length) || length > (0xFFFFFFFFu - 1) / 2) return nullptr;
  static const char kDigits[] = "0123456789abcdef";
  char *text = static_cast<char *>(
      KRN_Malloc(2 * length + 1, 0, -1, L"krnutil_string", __LINE__, L"KRNUtil_ConvBinToStr"));
  if (!text) return nullptr;
  for (uint32_t i = 0; i < length; ++i) {
    text[2 * i] = kDigits[bytes[i] >> 4];
    text[2 * i + 1] = kDigits[bytes[i] & 0xF];
  }
  text[2 * length] = 0;
  return text;
}

// ---------------------------------------------------------------------------
// Base64

char *KRNUtilBase64Encoding(const uint8_t *bytes, int32_t length, int32_t *textLength) {
  if (length < 0 || (!bytes && length > 0)) return nullptr;
  uint64_t size = (uint64_t(length) * 4 + 8) / 3 + 2;
  char *text = static_cast<char *>(
      KRN_Malloc(uint32_t(size), 0, 0, L"krnutil_string", __LINE__, L"KRNUtilBase64Encoding"));
  if (!text) return nullptr;
  uint32_t out = 0;
  int32_t i = 0;
  for (; length - i >= 3; i += 3) {
    uint32_t group = (uint32_t(bytes[i]) << 16) | (uint32_t(bytes[i + 1]) << 8) | bytes[i + 2];
    text[out++] = kBase64Alphabet[(group >> 18) & 63];
    text[out++] = kBase64Alphabet[(group >> 12) & 63];
    text[out++] = kBase64Alphabet[(group >> 6) & 63];
    text[out++] = kBase64Alphabet[group & 63];
  }
  if (length - i == 1) {
    uint32_t group = uint32_t(bytes[i]) << 16;
    text[out++] = kBase64Alphabet[(group >> 18) & 63];
    text[out++] = kBase64Alphabet[(group >> 12) & 63];
    text[out++] = '=';
    text[out++] = '=';
  } else if (length - i == 2) {
    uint32_t group = (uint32_t(bytes[i]) << 16) | (uint32_t(bytes[i + 1]) << 8);
    text[out++] = kBase64Alphabet[(group >> 18) & 63];
    text[out++] = kBase64Alphabet[(group >> 12) & 63];
    text[out++] = kBase64Alphabet[(group >> 6) & 63];
    text[out++] = '=';
  }
  text[out] = 0;
  if (textLength) *textLength = int32_t(out);
  return text;
}

const wchar_t *KRNUtilBase64Decoding(const wchar_t *text, uint8_t *out, uint32_t textLength,
                                     uint32_t *byteCount) {
  uint32_t written = 0;
  const wchar_t *p = text;
  if (text && out) {
    uint32_t consumed = 0;
    bool ended = false;
    // No more than three characters left cannot make a group.
    while (!ended && textLength > 3 && consumed < textLength - 3 && *p) {
      uint32_t values[4] = {0, 0, 0, 0};
      uint32_t got = 0;
      int padAt = -1;
      while (got < 4 && consumed < textLength && *p) {
        wchar_t c = *p++;
        ++consumed;
        if (c == L'=') {
          if (padAt < 0) padAt = int(got);
          ++got;
          continue;
        }
        int v = base64Value(c);
        if (v < 0) continue;
        if (padAt >= 0) {
          // Data after padding is not part of this group.
          --p;
          --consumed;
          break;
        }
        values[got++] = uint32_t(v);
      }
      uint32_t usable = padAt >= 0 ? uint32_t(padAt) : got;
      uint32_t group = (values[0] << 18) | (values[1] << 12) | (values[2] << 6) | values[3];
      if (usable >= 2) out[written++] = uint8_t(group >> 16);
      if (usable >= 3) out[written++] = uint8_t(group >> 8);
      if (usable >= 4) out[written++] = uint8_t(group);
      if (padAt >= 0 || got < 4) ended = true;
      if (consumed < textLength && *p == L',') ended = true;
    }
  }
  if (byteCount) *byteCount = written;
  return p;
}

const wchar_t *KRNUtilBase64GetString(const wchar_t *text, const wchar_t **start,
                                      uint32_t *length) {
  return scanToken(text, isBase64TokenChar, start, length);
}

uint8_t *KRNUtilBase64ConvToBin(const wchar_t *text, uint32_t length, uint32_t *byteCount) {
  if (byteCount) *byteCount = 0;
  if (!text) return nullptr;
  auto *bytes = static_cast<uint8_t *>(KRN_Malloc(length ? length : 1, 0, -1, L"krnutil_string",
                                                  __LINE__, L"KRNUtilBase64ConvToBin"));
  if (!bytes) return nullptr;
  KRNUtilBase64Decoding(text, bytes, length, byteCount);
  return bytes;
}

uint32_t KRNUtilBase64ConvToBinWLen(const wchar_t *text, uint32_t length, uint8_t *out) {
  if (!text || !out) return 0;
  uint32_t total = 0;
  uint32_t at = 0;
  while (at < length && text[at]) {
    uint32_t count = 0;
    const wchar_t *stop = KRNUtilBase64Decoding(text + at, out + total + 2, length - at, &count);
    out[total] = uint8_t(count);
    out[total + 1] = uint8_t(count >> 8);
    total += 2 + count;
    uint32_t q = uint32_t(stop - text);
    while (q < length && !isLineEnd(text[q]) && text[q] != L',' && text[q] != L'=') ++q;
    if (q >= length || text[q] != L',') break;
    at = q + 1;
  }
  return total;
}

}  // extern "C"
