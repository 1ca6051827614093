#include "fuzz/entries.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    kestrum::fuzz::startFuzzing(true);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return kestrum::fuzz::fuzzStartup(data, size);
}
