// Byte reader: a cursor over a caller-owned block for parsing boxes and chunks.
#include <cstdlib>
#include <cstring>

#include "krncore_internal.h"

struct KrnByteReader {
  const uint8_t *data;
  uint32_t size;
  uint32_t pos;
};

namespace {

inline void setEnd(uint32_t *end, uint32_t value) {
  if (end) *end = value;
}

// A value is read only when all of its bytes lie inside the block; one that
// would run past the end fails like a read at the end and reads nothing.
template <typename T, bool BigEndian, bool Advance>
T readValue(KrnByteReader *r, uint32_t *end, uint32_t width = sizeof(T)) {
  if (!r || r->pos >= r->size || r->size - r->pos < width) {
    setEnd(end, 1);
    return 0;
  }
  const uint8_t *p = r->data + r->pos;
  uint64_t v = 0;
  for (uint32_t i = 0; i < width; ++i) {
    uint32_t at = BigEndian ? i : width - 1 - i;
    v = (v << 8) | p[at];
  }
  if (Advance) r->pos += width;
  setEnd(end, 0);
  return static_cast<T>(v);
}

// Byte-wise copy with the end test before every byte.
uint8_t *copyBytes(KrnByteReader *r, uint8_t *dest, uint32_t count, uint32_t *end) {
  if (!r || !dest) {
    setEnd(end, 1);
    return nullptr;
  }
  for (uint32_t i = 0; i < count; ++i) {
    if (r->pos >= r->size) {
      setEnd(end, 1);
      return nullptr;
    }
    dest[i] = r->data[r->pos++];
  }
  setEnd(end, 0);
  return dest;
}

// A peek that hits the end leaves the cursor where it was as well.
uint8_t *peekBytes(KrnByteReader *r, uint8_t *dest, uint32_t count, uint32_t *end) {
  uint32_t saved = r ? r->pos : 0;
  uint8_t *out = copyBytes(r, dest, count, end);
  if (r) r->pos = saved;
  return out;
}

}  // namespace

extern "C" {

KrnByteReader *KRNByte_Open(const uint8_t *data, uint32_t size) {
  auto *r = static_cast<KrnByteReader *>(calloc(1, sizeof(KrnByteReader)));
  if (!r) return nullptr;
  r->data = data;
  r->size = data ? size : 0;
  return r;
}

void KRNByte_Close(void *reader) {
  free(reader);
}

uint32_t KRNByte_Size(const KrnByteReader *r) {
  return r ? r->size : 0;
}
uint32_t KRNByte_Pos(const KrnByteReader *r) {
  return r ? r->pos : 0;
}
uint32_t KRNByte_Remain(const KrnByteReader *r) {
  return r ? r->size - r->pos : 0;
}

uint32_t KRNByte_Skip(KrnByteReader *r, uint32_t count, uint32_t *end) {
  if (!r) {
    setEnd(end, 1);
    return 0;
  }
  uint64_t target = static_cast<uint64_t>(r->pos) + count;
  if (target < r->size) {
    r->pos = static_cast<uint32_t>(target);
    setEnd(end, 0);
    return r->pos;
  }
  r->pos = r->size;
  setEnd(end, 1);
  return 0;
}

#define KRN_BYTE_GETTERS(name, type, be)                      \
  type KRNByte_Get_##name(KrnByteReader *r, uint32_t *end) {  \
    return readValue<type, be, true>(r, end);                 \
  }                                                           \
  type KRNByte_Peek_##name(KrnByteReader *r, uint32_t *end) { \
    return readValue<type, be, false>(r, end);                \
  }

KRN_BYTE_GETTERS(char, uint8_t, true)
KRN_BYTE_GETTERS(le_uint16, uint16_t, false)
KRN_BYTE_GETTERS(be_uint16, uint16_t, true)
KRN_BYTE_GETTERS(le_uint32, uint32_t, false)
KRN_BYTE_GETTERS(be_uint32, uint32_t, true)
KRN_BYTE_GETTERS(le_uint64, uint64_t, false)
KRN_BYTE_GETTERS(be_uint64, uint64_t, true)
KRN_BYTE_GETTERS(le_int16, int16_t, false)
KRN_BYTE_GETTERS(be_int16, int16_t, true)
KRN_BYTE_GETTERS(le_int32, int32_t, false)
KRN_BYTE_GETTERS(be_int32, int32_t, true)
KRN_BYTE_GETTERS(le_int64, int64_t, false)
KRN_BYTE_GETTERS(be_int64, int64_t, true)
#undef KRN_BYTE_GETTERS

uint32_t KRNByte_Get_3char_be_uint32(KrnByteReader *r, uint32_t *end) {
  return readValue<uint32_t, true, true>(r, end, 3);
}

uint8_t *KRNByte_Get_3char(KrnByteReader *r, uint8_t *dest, uint32_t *end) {
  return copyBytes(r, dest, 3, end);
}

// Advances like the getter: the readers written against it skip three bytes.
uint8_t *KRNByte_Peek_3char(KrnByteReader *r, uint8_t *dest, uint32_t *end) {
  return copyBytes(r, dest, 3, end);
}

uint8_t *KRNByte_Get_4char(KrnByteReader *r, uint8_t *dest, uint32_t *end) {
  return copyBytes(r, dest, 4, end);
}

uint8_t *KRNByte_Peek_4char(KrnByteReader *r, uint8_t *dest, uint32_t *end) {
  return peekBytes(r, dest, 4, end);
}

uint8_t *KRNByte_Get_string(KrnByteReader *r, uint8_t *dest, uint32_t count, uint32_t *end) {
  if (count == 0) return dest;
  return copyBytes(r, dest, count, end);
}

uint8_t *KRNByte_Peek_string(KrnByteReader *r, uint8_t *dest, uint32_t count, uint32_t *end) {
  if (count == 0) return dest;
  return peekBytes(r, dest, count, end);
}

}  // extern "C"
