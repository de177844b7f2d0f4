// Base64 of krnutil: any bytes encode and decode back to themselves, and any
// text decodes within the room the functions promise to need.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz_util.h"
#include "krnutil.h"

namespace {

void roundTrip(const uint8_t *data, size_t size) {
  int32_t textLength = 0;
  char *text = KRNUtilBase64Encoding(data, static_cast<int32_t>(size), &textLength);
  if (!text) {
    if (size == 0) return;
    __builtin_trap();
  }
  if (textLength < 0 || static_cast<size_t>(textLength) != (size + 2) / 3 * 4 ||
      strlen(text) != static_cast<size_t>(textLength))
    __builtin_trap();
  std::vector<wchar_t> wide(text, text + textLength);
  wide.push_back(L'\0');
  KRN_Free(text, 0);
  std::vector<uint8_t> out(static_cast<size_t>(textLength) * 3 / 4 + 1);
  uint32_t count = 0;
  KRNUtilBase64Decoding(wide.data(), out.data(), static_cast<uint32_t>(textLength), &count);
  // A group of four characters needs more than three left to start, so the
  // last group of a text is only decoded when something follows it.
  if (count > size || memcmp(out.data(), data, count) != 0) __builtin_trap();
}

void decodeText(const uint8_t *data, size_t size) {
  // Each input byte is a character; 0x80 and up reach outside ASCII.
  std::vector<wchar_t> text(size + 1);
  for (size_t i = 0; i < size; ++i) text[i] = data[i] < 0x80 ? data[i] : 0x100 + data[i];
  text[size] = L'\0';
  const uint32_t length = static_cast<uint32_t>(size);

  std::unique_ptr<uint8_t[]> out(new uint8_t[size * 3 / 4 + 1]);
  uint32_t count = 0;
  const wchar_t *stop = KRNUtilBase64Decoding(text.data(), out.get(), length, &count);
  if (stop < text.data() || stop > text.data() + size || count > size * 3 / 4) __builtin_trap();

  const wchar_t *start = nullptr;
  uint32_t tokenLength = 0;
  KRNUtilBase64GetString(text.data(), &start, &tokenLength);
  if (start && (start < text.data() || start + tokenLength > text.data() + size)) __builtin_trap();

  uint32_t binCount = 0;
  uint8_t *bin = KRNUtilBase64ConvToBin(text.data(), length, &binCount);
  if (bin && binCount > (length ? length : 1)) __builtin_trap();
  KRN_Free(bin, 0);

  std::unique_ptr<uint8_t[]> items(new uint8_t[2 * size + 2]);
  if (KRNUtilBase64ConvToBinWLen(text.data(), length, items.get()) > 2 * size + 2) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  roundTrip(data, size);
  decodeText(data, size);
  return 0;
}
