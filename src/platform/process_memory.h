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

} // namespace norvane
