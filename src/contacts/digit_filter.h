#pragma once

#include <cstdint>

// The key filter of the contact-number fields: digits 0 to 9 (codes 48 to 57)
// and every code below 32 by signed comparison (control keys, and the negative
// codes of double-byte characters) pass unchanged; anything else becomes 0,
// which cancels the key stroke.
std::int16_t DigitFilter(std::int16_t code);
