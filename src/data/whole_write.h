#pragma once

#include <QByteArrayView>
#include <QIODevice>
#include <QSaveFile>

namespace norvane {

// Writes every byte, or fails with the device's reason. A disk that fills up
// (or a file-size limit) takes part of a write without an error; only the
// write of the rest fails and names the reason ("No space left on device"),
// which comparing one write's count with the size would lose.
inline bool writeWhole(QIODevice& device, QByteArrayView bytes)
{
    while (!bytes.isEmpty()) {
        const qint64 written = device.write(bytes.data(), bytes.size());
        if (written <= 0) {
            return false;
        }
        bytes = bytes.sliced(written);
    }
    return true;
}

// Puts the file in place only when its last bytes reached the disk. A file's
// last few kilobytes wait in its buffer, and QSaveFile::commit() writes them
// without looking at the outcome: on a full disk it put an empty or cut-off
// file in place and said it had succeeded. Uncommitted, the file is dropped.
inline bool commitWhole(QSaveFile& file)
{
    return file.flush() && file.commit();
}

} // namespace norvane
