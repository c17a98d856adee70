#pragma once

#include <QtGlobal>

namespace norvane {

// The process's resident memory now and at its peak, in bytes; -1 where the
// platform does not tell.
qint64 residentBytes();
qint64 peakResidentBytes();
// Starts the peak again from the resident memory now, so that the peak of
// one operation can be read; false where the platform cannot.
bool resetPeakResident();

// Has every large block (the loaded table's columns, the grid's row list)
// mapped on its own, grown in place and handed back to the system as soon as
// it is freed. Without this, the GNU C library starts keeping such blocks in
// its heap once one was freed, so that each reload of a large table would
// copy its growing buffers and keep the old ones' memory. Call once, first.
void keepLargeBlocksMapped();

} // namespace norvane
