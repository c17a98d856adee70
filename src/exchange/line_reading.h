#pragma once

#include <QByteArray>
#include <QIODevice>

namespace norvane {

// Appends one line of the device to line, its end ("\n") included, reading
// through a small buffer: a card file is read line by line, and a large
// buffer made for each line would cost far more than the line. Beyond limit
// bytes the line's bytes are dropped (tooLong is set) and reading goes on to
// its end. False when the device had nothing more.
inline bool appendLine(QIODevice& device, QByteArray& line, qsizetype limit, bool& tooLong)
{
    char buffer[16 * 1024];
    bool readAny = false;
    while (true) {
        const qint64 read = device.readLine(buffer, sizeof buffer);
        if (read <= 0) {
            return readAny;
        }
        readAny = true;
        if (!tooLong) {
            line.append(buffer, static_cast<qsizetype>(read));
            if (line.size() > limit) {
                tooLong = true;
                line.clear();
            }
        }
        if (buffer[read - 1] == '\n') {
            return true;
        }
    }
}

} // namespace norvane
