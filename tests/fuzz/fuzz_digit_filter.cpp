// DigitFilter on every code the fuzzer finds, against its rule.
#include "contacts/digit_filter.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    for (size_t i = 0; i + 1 < size; i += 2) {
        std::int16_t code;
        std::memcpy(&code, data + i, sizeof code);
        const bool passes = (code >= 48 && code <= 57) || code < 32;
        if (DigitFilter(code) != (passes ? code : 0)) {
            std::abort();
        }
    }
    return 0;
}
