#pragma once

#include <QString>

namespace norvane {

// The form a text is compared in by the contact search: case-folded, with
// compatibility forms unified and accents dropped, so "zoe" and "Zoë" meet.
// A text made only of accents keeps them, so it is still a search for something.
QString foldForSearch(const QString& text);

} // namespace norvane
