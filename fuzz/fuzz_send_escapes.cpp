#include "fuzz/entries.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    kestrum::fuzz::startFuzzing(false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return kestrum::fuzz::fuzzSendEscapes(data, size);
}
