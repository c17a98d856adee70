#include "contacts/digit_filter.h"

std::int16_t DigitFilter(std::int16_t code)
{
    const bool digit = code >= '0' && code <= '9';
    return (digit || code < 32) ? code : std::int16_t{0};
}
