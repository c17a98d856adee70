#pragma once

namespace norvane {

// Whether a graphical display is there to open windows on. Without one the
// toolkit would abort with a long trace; the caller says so in one line instead.
bool hasDisplay();

// Makes the design's fonts available: the metric-compatible families where
// installed, and quiet substitutes otherwise.
void loadDesignFonts();

} // namespace norvane
