#include "JsonFuzzEntry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzParseJson(data, size);
    return 0;
}
