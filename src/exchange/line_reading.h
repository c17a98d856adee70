#pragma once

#include <QByteArray>
#include <QIODevice>
#include <algorithm>
#include <cstring>
#include <string>

namespace norvane {

// Appends the bytes to the array: growing it and copying by hand costs a
// third of what QByteArray::append() does, which matters for the short
// pieces a card is read and written in.
inline void appendBytes(std::string& out, QByteArrayView bytes)
{
    out.append(bytes.data(), static_cast<std::size_t>(bytes.size()));
}

inline void appendBytes(QByteArray& out, QByteArrayView bytes)
{
    if (bytes.isEmpty()) {
        return;
    }
    const qsizetype start = out.size();
    out.resize(start + bytes.size());
    std::memcpy(out.data() + start, bytes.data(), static_cast<std::size_t>(bytes.size()));
}

// Reads a device line by line through a block of its own: a card file's
// lines are short, and asking the device for each of them costs far more
// than the line's bytes. The device is read ahead by up to a block, so
// nothing else may read it while this does.
class LineReader
{
public:
    explicit LineReader(QIODevice& device) : m_device(device) {}

    // Appends one line to line, its end ("\n") included. Beyond limit bytes
    // the line's bytes are dropped (tooLong is set) and reading goes on to
    // its end. False when the device had nothing more.
    template <class Buffer> bool appendLine(Buffer& line, qsizetype limit, bool& tooLong)
    {
        bool readAny = false;
        while (true) {
            if (m_at == m_end && !fill()) {
                return readAny;
            }
            readAny = true;
            const char* from = m_block.constData() + m_at;
            const auto* end = static_cast<const char*>(std::memchr(from, '\n', m_end - m_at));
            const qsizetype length = end ? end - from + 1 : m_end - m_at;
            m_at += length;
            if (!tooLong) {
                appendBytes(line, QByteArrayView(from, length));
                if (static_cast<qsizetype>(line.size()) > limit) {
                    tooLong = true;
                    Buffer().swap(line); // its room goes too
                }
            }
            if (end) {
                return true;
            }
        }
    }

private:
    static constexpr qsizetype kBlock = 64 * 1024;

    bool fill()
    {
        if (m_block.isEmpty()) {
            // A small buffer holding one card needs no more room than that.
            const qint64 available = m_device.isSequential() ? kBlock : m_device.bytesAvailable();
            m_block.resize(static_cast<qsizetype>(std::clamp<qint64>(available, 1, kBlock)));
        }
        const qint64 read = m_device.read(m_block.data(), m_block.size());
        m_at = 0;
        m_end = read > 0 ? static_cast<qsizetype>(read) : 0;
        return m_end > 0;
    }

    QIODevice& m_device;
    QByteArray m_block;
    qsizetype m_at = 0;
    qsizetype m_end = 0;
};

} // namespace norvane
