// Run-time loading of shared libraries.
#include <dlfcn.h>

#include <cerrno>

#include "krncore_internal.h"

#define KRN_MODULE L"krnlibrary"
#define KRN_SOURCE L"krncore_library"

extern "C" {

void *KRN_LibraryLoad(const wchar_t *fileName) {
  void *module = fileName ? dlopen(krn::toUtf8(fileName).c_str(), RTLD_NOW | RTLD_LOCAL) : nullptr;
  if (!module) {
    const char *why = dlerror();
    KRN_LOGE(L"Cannot load library err(%d)\n", errno);
    KRN_LOG(KRN_TRACE_DEBUG, L"%s\n", why ? why : "no file name");
  }
  return module;
}

void *KRN_LibraryGetFunc(void *module, const char *symbol) {
  dlerror();
  void *address = module && symbol ? dlsym(module, symbol) : nullptr;
  if (!address) KRN_LOGE(L"Cannot load symbol %ls err(%d)\n", KRN_char2Wchar(symbol), errno);
  return address;
}

int32_t KRN_LibraryUnLoad(void *module) {
  if (module) dlclose(module);
  return 0;
}

}  // extern "C"
