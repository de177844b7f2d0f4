/* The public header must stay plain C99: this unit is compiled as C. */
#include "krncore.h"

int krncore_header_is_c(void) {
  KrnFileAttr attr;
  attr.size = 0;
  return KRN_GetErrorStr(KRN_OK) != 0 && attr.size == 0;
}
