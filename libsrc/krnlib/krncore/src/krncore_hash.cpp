// The open-addressing hash map with wide-string keys, and the checksums.
//
// The slot of a key is computed over the key's UTF-16 form, whatever the
// width of wchar_t here, so that keys land in the same slots as on the
// camera tools' own platform.
#include <cstdio>
#include <cstdlib>
#include <cwchar>

#include "krncore_internal.h"

#define KRN_MODULE L"krnhash"
#define KRN_SOURCE L"krncore_hash"

namespace {

constexpr uint32_t kDefaultCapacity = 256;
// Insert, Get and Del all look at the hash slot and the nine after it.
constexpr uint32_t kProbeWindow = 10;
constexpr int kGrowAttempts = 4;
constexpr uint64_t kMaxCapacity = 0x80000000u;

struct Crc32Table {
  uint32_t v[256];
  constexpr Crc32Table() : v() {
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
      v[i] = c;
    }
  }
};

// Most significant bit first, while the update consumes the register's low
// byte: the combination is this library's own checksum.
struct Crc16Table {
  uint16_t v[256];
  constexpr Crc16Table() : v() {
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i << 8;
      for (int k = 0; k < 8; ++k) c = (c & 0x8000) ? (c << 1) ^ 0x1021 : c << 1;
      v[i] = static_cast<uint16_t>(c);
    }
  }
};

constexpr Crc32Table kCrc32;
constexpr Crc16Table kCrc16;

uint32_t crc32Update(uint32_t crc, uint8_t byte) {
  return (crc >> 8) ^ kCrc32.v[(crc ^ byte) & 0xFF];
}

size_t utf16Units(const wchar_t *key) {
  size_t n = 0;
  for (; *key; ++key) n += static_cast<uint32_t>(*key) > 0xFFFF ? 2 : 1;
  return n;
}

// CRC-32 of the first n bytes of the key's UTF-16LE form, n being its length
// in UTF-16 units.
uint32_t keyCrc(const wchar_t *key) {
  size_t remaining = utf16Units(key);
  uint32_t crc = 0xFFFFFFFFu;
  auto feedUnit = [&](uint16_t unit) {
    for (int b = 0; b < 2 && remaining > 0; ++b, --remaining)
      crc = crc32Update(crc, static_cast<uint8_t>(unit >> (8 * b)));
  };
  for (const wchar_t *p = key; *p && remaining > 0; ++p) {
    uint32_t c = static_cast<uint32_t>(*p);
    if (c > 0xFFFF) {
      c -= 0x10000;
      feedUnit(static_cast<uint16_t>(0xD800 | (c >> 10)));
      feedUnit(static_cast<uint16_t>(0xDC00 | (c & 0x3FF)));
    } else {
      feedUnit(static_cast<uint16_t>(c));
    }
  }
  return ~crc;
}

uint32_t mixedHash(const wchar_t *key) {
  uint32_t a = keyCrc(key);
  a *= 4097;
  a ^= a >> 22;
  a *= 17;
  a ^= a >> 9;
  a *= 1025;
  a ^= a >> 2;
  a *= 129;
  a ^= a >> 12;
  return (a >> 3) * 0x9E3779B1u;
}

struct Slot {
  wchar_t *key;
  void *data;
  uint8_t used;
};

}  // namespace

struct KrnHashmap {
  uint32_t capacity;
  uint32_t used;
  Slot *slots;
  uint8_t expandable;
};

namespace {

wchar_t *copyKey(const wchar_t *key) {
  size_t len = wcslen(key);
  auto *copy = static_cast<wchar_t *>(malloc((len + 1) * sizeof(wchar_t)));
  if (copy) wmemcpy(copy, key, len + 1);
  return copy;
}

// First unused slot of the key's probe window, or -1.
int64_t freeSlot(const Slot *slots, uint32_t capacity, uint32_t hash) {
  for (uint32_t i = 0; i < kProbeWindow; ++i) {
    uint32_t s = static_cast<uint32_t>((static_cast<uint64_t>(hash % capacity) + i) % capacity);
    if (!slots[s].used) return s;
  }
  return -1;
}

int64_t findKey(const KrnHashmap *map, const wchar_t *key) {
  uint32_t hash = mixedHash(key);
  for (uint32_t i = 0; i < kProbeWindow; ++i) {
    uint32_t s =
        static_cast<uint32_t>((static_cast<uint64_t>(hash % map->capacity) + i) % map->capacity);
    const Slot &slot = map->slots[s];
    if (slot.used && wcscmp(slot.key, key) == 0) return s;
  }
  return -1;
}

// Doubles the table. Every entry must find a place in its window of the new
// table; when one does not, the table doubles again (a few times at most)
// rather than dropping it, and on failure the old table stays as it was.
bool grow(KrnHashmap *map, const char *fn) {
  if (!map->expandable) {
    KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"resizing is not allowed! (expandable FALSE)\n");
    return false;
  }
  uint64_t capacity = static_cast<uint64_t>(map->capacity) * 2;
  for (int attempt = 0; attempt < kGrowAttempts && capacity <= kMaxCapacity;
       ++attempt, capacity *= 2) {
    auto *slots = static_cast<Slot *>(calloc(capacity, sizeof(Slot)));
    if (!slots) {
      KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"Out of memory\n");
      return false;
    }
    bool placed = true;
    for (uint32_t i = 0; i < map->capacity && placed; ++i) {
      const Slot &old = map->slots[i];
      if (!old.used) continue;
      int64_t s = freeSlot(slots, static_cast<uint32_t>(capacity), mixedHash(old.key));
      if (s < 0)
        placed = false;
      else
        slots[s] = old;
    }
    if (placed) {
      free(map->slots);
      map->slots = slots;
      map->capacity = static_cast<uint32_t>(capacity);
      return true;
    }
    free(slots);
  }
  return false;
}

bool validArgs(const KrnHashmap *map, const wchar_t *key, const char *fn) {
  if (map && key) return true;
  KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"invalid arguments map(%p) key(%p)\n",
             static_cast<const void *>(map), static_cast<const void *>(key));
  return false;
}

void freeKeys(KrnHashmap *map) {
  for (uint32_t i = 0; i < map->capacity; ++i) {
    free(map->slots[i].key);
    map->slots[i] = Slot{};
  }
  map->used = 0;
}

}  // namespace

extern "C" {

uint32_t KRN_Hash_crc32(const void *data, uint32_t length) {
  const auto *bytes = static_cast<const uint8_t *>(data);
  if (!bytes) return 0;
  uint32_t crc = 0xFFFFFFFFu;
  for (uint32_t i = 0; i < length; ++i) crc = crc32Update(crc, bytes[i]);
  return ~crc;
}

uint16_t KRN_Hash_crc16(const void *data, uint32_t length) {
  const auto *bytes = static_cast<const uint8_t *>(data);
  if (!bytes) return 0;
  uint16_t crc = 0;
  for (uint32_t i = 0; i < length; ++i)
    crc = static_cast<uint16_t>((crc >> 8) ^ kCrc16.v[(crc ^ bytes[i]) & 0xFF]);
  return crc;
}

uint32_t KRN_Hashmap_string(const wchar_t *key, uint32_t modulus) {
  if (!key) return 0;
  uint32_t hash = mixedHash(key);
  return modulus ? hash % modulus : hash;
}

KrnHashmap *KRN_Hashmap_Create(uint32_t capacity, int32_t expandable) {
  auto *map = static_cast<KrnHashmap *>(calloc(1, sizeof(KrnHashmap)));
  if (map) {
    map->capacity = capacity ? capacity : kDefaultCapacity;
    map->expandable = expandable ? 1 : 0;
    map->slots = static_cast<Slot *>(calloc(map->capacity, sizeof(Slot)));
  }
  if (!map || !map->slots) {
    KRN_LOGE(L"Out of memory\n");
    free(map);
    return nullptr;
  }
  return map;
}

int32_t KRN_Hashmap_Hash(KrnHashmap *map, const wchar_t *key, void *data) {
  if (!validArgs(map, key, __func__)) return -1;
  if (map->used >= map->capacity / 2 && !grow(map, __func__)) {
    KRN_LOGE(L"rehash failed.\n");
    return -1;
  }
  uint32_t hash = mixedHash(key);
  int64_t s = freeSlot(map->slots, map->capacity, hash);
  if (s < 0) {
    if (!grow(map, __func__)) {
      KRN_LOGE(L"rehash failed.\n");
      return -1;
    }
    s = freeSlot(map->slots, map->capacity, hash);
    if (s < 0) {
      KRN_LOGE(L"already rehash done. failed.\n");
      return -1;
    }
  }
  wchar_t *copy = copyKey(key);
  if (!copy) {
    KRN_LOGE(L"Out of memory\n");
    return -1;
  }
  map->slots[s] = Slot{copy, data, 1};
  ++map->used;
  return static_cast<int32_t>(s);
}

int32_t KRN_Hashmap_Get(KrnHashmap *map, const wchar_t *key, void **data) {
  if (data) *data = nullptr;
  if (!validArgs(map, key, __func__)) return -1;
  int64_t s = findKey(map, key);
  if (s < 0) {
    KRN_LOG(KRN_TRACE_INFO, L"can not find key(%ls)\n", key);
    return -1;
  }
  if (data) *data = map->slots[s].data;
  return 0;
}

int32_t KRN_Hashmap_Del(KrnHashmap *map, const wchar_t *key) {
  if (!validArgs(map, key, __func__)) return -1;
  int64_t s = findKey(map, key);
  if (s < 0) {
    KRN_LOGE(L"can not find key(%ls)\n", key);
    return -1;
  }
  free(map->slots[s].key);
  map->slots[s] = Slot{};
  --map->used;
  return 0;
}

void KRN_Hashmap_reset(KrnHashmap *map) {
  if (!map) return;
  freeKeys(map);
  KRN_LOG(KRN_TRACE_INFO, L"remain size(%d) tblsize(%d)\n", map->used, map->capacity);
}

uint32_t KRN_Hashmap_size(KrnHashmap *map) {
  return map ? map->used : 0;
}

void KRN_Hashmap_dump(KrnHashmap *map) {
  if (!map) return;
  printf("index\t used \t key \n");
  for (uint32_t i = 0; i < map->capacity; ++i) {
    const Slot &slot = map->slots[i];
    printf("%u \t %d \t %s \n", i, slot.used, slot.key ? krn::toUtf8(slot.key).c_str() : "(null)");
  }
}

// The key copies belong to the map, so they go with it.
void KRN_Hashmap_Destroy(KrnHashmap *map) {
  if (!map) return;
  freeKeys(map);
  free(map->slots);
  free(map);
}

void KRN_Hashmap_DestroyFull(KrnHashmap *map, KrnHashRelease release) {
  if (!map) return;
  for (uint32_t i = 0; i < map->capacity; ++i) {
    free(map->slots[i].key);
    if (release) release(map->slots[i].data);
  }
  free(map->slots);
  free(map);
}

}  // extern "C"
