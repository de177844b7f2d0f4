/* The public header must stay plain C99: this unit is compiled as C. */
#include "krnstream.h"

int krnstream_header_is_c(void) {
  KRNReaderFrame frame;
  frame.mediaType = KRN_MEDIA_TEXT;
  return sizeof(KRNReaderInfo) > 0 && frame.mediaType == 3;
}
