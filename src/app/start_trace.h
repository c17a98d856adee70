#pragma once

namespace norvane {

// With NORVANE_TRACE_START set in the environment, prints one line to
// standard error once the contact grid has first been painted, with the
// number of rows it shows, so that start-up as a user sees it can be timed
// from outside ("norvane: grid painted with 1000000 rows"). Does nothing
// otherwise.
void traceFirstGridPaint();

} // namespace norvane
