/* The public header as plain C99. */
#include "krnutil.h"

int krnutil_c_header_roundtrip(void);

int krnutil_c_header_roundtrip(void) {
  uint8_t epb[4] = {0, 0, 3, 1};
  uint32_t length = 4;
  KRNUtilAudioInfo audio = {0};
  const uint8_t asc[2] = {0x12, 0x10};
  bool found;
  KRNUtil_H26xRemoveEPB(epb, &length);
  found = KRNUtil_UtilGetLATMInfo(asc, 2, &audio) == 44100;
  return (length == 3 && found && KRN_ATOI(L"42") == 42) ? 1 : 0;
}
