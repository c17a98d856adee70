#include "platform/process_memory.h"

#include <QFile>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace norvane {

namespace {

// Reads one "Vm...:  1234 kB" line of Linux's /proc/self/status.
qint64 statusField(const QByteArray& field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field)) {
            return line.mid(field.size()).trimmed().split(' ').value(0).toLongLong() * 1024;
        }
    }
    return -1;
}

} // namespace

qint64 residentBytes()
{
    return statusField("VmRSS:");
}

qint64 peakResidentBytes()
{
    return statusField("VmHWM:");
}

bool resetPeakResident()
{
    // Linux resets the high-water mark when "5" is written here.
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
}

void keepLargeBlocksMapped()
{
#if defined(__GLIBC__)
    // A fixed threshold also stops the library from raising it by itself.
    constexpr int kLargeBlockBytes = 256 * 1024;
    mallopt(M_MMAP_THRESHOLD, kLargeBlockBytes);
#endif
}

} // namespace norvane
