// A stand-in for the compression libraries: it reports FAKE_VERSION and
// hands each block it gets to the hook the test installed.
#include "OrnZipLib.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

using FakeHook = int32_t (*)(void* block, int isZip);
static FakeHook hook = nullptr;

FAKE_EXPORT void FakeSetHook(FakeHook h) { hook = h; }
FAKE_EXPORT int32_t GetOrnZipVersion() { return FAKE_VERSION; }
FAKE_EXPORT int32_t GetOrnUnzVersion() { return FAKE_VERSION; }
#ifndef FAKE_NO_EXEC
FAKE_EXPORT int32_t OrnZipExec(void* block) { return hook ? hook(block, 1) : 0; }
FAKE_EXPORT int32_t OrnUnzExec(void* block) { return hook ? hook(block, 0) : 0; }
#endif
