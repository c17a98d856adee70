#pragma once

#include "data/contact.h"

namespace norvane::testing {

// The contact the crash writer registers as number i: every field says which
// it is, so a half-written row cannot pass for a whole one.
Contact crashContact(int i);

} // namespace norvane::testing
