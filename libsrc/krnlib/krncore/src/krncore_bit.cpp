// Bit reader/writer over a caller-owned block, most significant bit first.
//
// Every access goes through a small window of bytes starting at the current
// byte; bytes of the window that lie past the block read as zero and are never
// written, so a parameter set cut short cannot make us touch foreign memory.
#include <cstdlib>

#include "krncore_internal.h"

struct KrnBitReader {
  uint8_t *data;
  uint32_t size;
  uint64_t byte;      // index of the byte holding the next bit
  int32_t bitOffset;  // bits of that byte already consumed, 0..7
  int32_t processed;
  uint64_t savedByte;
  int32_t savedBitOffset;
  int32_t savedProcessed;
  uint32_t bookmarkSet;
};

namespace {

uint64_t loadWindow(const KrnBitReader *b, int bytes) {
  uint64_t w = 0;
  for (int i = 0; i < bytes; ++i) {
    uint64_t at = b->byte + static_cast<uint64_t>(i);
    w = (w << 8) | (at < b->size ? b->data[at] : 0u);
  }
  return w;
}

void storeWindow(KrnBitReader *b, int bytes, uint64_t w) {
  for (int i = bytes - 1; i >= 0; --i, w >>= 8) {
    uint64_t at = b->byte + static_cast<uint64_t>(i);
    if (at < b->size) b->data[at] = static_cast<uint8_t>(w & 0xFF);
  }
}

int clampBits(int32_t n) {
  return n < 0 ? 0 : (n > 32 ? 32 : n);
}

uint32_t peekBits(const KrnBitReader *b, int n) {
  if (n == 0) return 0;
  uint64_t w = loadWindow(b, 8) << b->bitOffset;
  return static_cast<uint32_t>(w >> (64 - n));
}

// Moves the cursor by n bits; returns how many whole bytes it moved.
int32_t advance(KrnBitReader *b, int64_t n) {
  int64_t total = b->bitOffset + n;
  b->byte += static_cast<uint64_t>(total / 8);
  b->bitOffset = static_cast<int32_t>(total % 8);
  b->processed += static_cast<int32_t>(n);
  return static_cast<int32_t>(total / 8);
}

}  // namespace

extern "C" {

KrnBitReader *KRNBitOpen(uint8_t *data, uint32_t size) {
  auto *b = static_cast<KrnBitReader *>(calloc(1, sizeof(KrnBitReader)));
  if (!b) return nullptr;
  b->data = data;
  b->size = data ? size : 0;
  return b;
}

void KRNBitClose(void *reader) {
  free(reader);
}

uint32_t KRNBitShow(KrnBitReader *b, int32_t n) {
  return b ? peekBits(b, clampBits(n)) : 0;
}

uint32_t KRNBitGetBit(KrnBitReader *b, int32_t n) {
  if (!b) return 0;
  int bits = clampBits(n);
  uint32_t v = peekBits(b, bits);
  advance(b, bits);
  return v;
}

uint32_t KRNBitGet1Bit(KrnBitReader *b) {
  return KRNBitGetBit(b, 1);
}

uint32_t KRNBitGetFast(KrnBitReader *b, int32_t n) {
  return KRNBitGetBit(b, n < 1 ? 0 : (n > 8 ? 8 : n));
}

int32_t KRNBitFlush(KrnBitReader *b, int32_t n) {
  if (!b || n <= 0) return 0;
  return advance(b, n);
}

int32_t KRNBitByteAlign(KrnBitReader *b) {
  if (!b || b->bitOffset == 0) return 0;
  int32_t skip = 8 - b->bitOffset;
  advance(b, skip);
  return skip;
}

void KRNBitPutBit(KrnBitReader *b, int32_t n, uint32_t value) {
  if (!b) return;
  int bits = clampBits(n);
  if (bits == 0) return;
  // Four bytes as a rule; a fifth only when the bits would not fit in four.
  int bytes = (b->bitOffset + bits + 7) / 8;
  if (bytes < 4) bytes = 4;
  int windowBits = bytes * 8;
  uint64_t w = loadWindow(b, bytes);
  uint64_t keep = b->bitOffset ? (~0ull << (windowBits - b->bitOffset)) : 0;
  if (windowBits < 64) keep &= (1ull << windowBits) - 1;
  uint64_t field =
      static_cast<uint64_t>(value) & ((bits == 32) ? 0xFFFFFFFFull : ((1ull << bits) - 1));
  w = (w & keep) | (field << (windowBits - b->bitOffset - bits));
  storeWindow(b, bytes, w);
  advance(b, bits);
}

void KRNBitPutByte(KrnBitReader *b, int32_t count, const uint8_t *bytes) {
  if (!b || !bytes) return;
  for (int32_t i = 0; i < count; ++i) KRNBitPutBit(b, 8, bytes[i]);
}

int32_t KRNBitBookmark(KrnBitReader *b, int32_t set) {
  if (!b) return 0;
  if (set) {
    b->savedByte = b->byte;
    b->savedBitOffset = b->bitOffset;
    b->savedProcessed = b->processed;
    b->bookmarkSet = 1;
  } else {
    b->byte = b->savedByte;
    b->bitOffset = b->savedBitOffset;
    b->processed = b->savedProcessed;
    b->bookmarkSet = 0;
  }
  return b->processed;
}

int32_t KRNBitGetProcessed(const KrnBitReader *b) {
  return b ? b->processed : 0;
}

int32_t KRNBitCount(uint32_t value) {
  return __builtin_popcount(value);
}

}  // extern "C"
