#include "data/journal_check.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>
#include <QtEndian>

namespace norvane {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("JournalCheck", text);
}

quint32 bigEndianAt(const QByteArray& bytes, qsizetype offset)
{
    return qFromBigEndian<quint32>(bytes.constData() + offset);
}

bool isPowerOfTwoBetween(quint32 value, quint32 low, quint32 high)
{
    return value >= low && value <= high && (value & (value - 1)) == 0;
}

// The write-ahead log's running checksum: pairs of 32-bit words, read in the
// byte order the log's magic number names.
struct LogChecksum
{
    quint32 first = 0;
    quint32 second = 0;
    bool operator==(const LogChecksum&) const = default;
};

LogChecksum addToChecksum(LogChecksum sum, const char* data, qsizetype length, bool bigEndian)
{
    for (qsizetype i = 0; i + 8 <= length; i += 8) {
        const quint32 a =
            bigEndian ? qFromBigEndian<quint32>(data + i) : qFromLittleEndian<quint32>(data + i);
        const quint32 b = bigEndian ? qFromBigEndian<quint32>(data + i + 4)
                                    : qFromLittleEndian<quint32>(data + i + 4);
        sum.first += a + sum.second;
        sum.second += b + sum.first;
    }
    return sum;
}

constexpr qsizetype kLogHeaderSize = 32;
constexpr qsizetype kFrameHeaderSize = 24;
constexpr quint32 kLogMagic = 0x377f0682;
constexpr quint32 kLogVersion = 3007000;

// One frame of the log and what the engine checks of it.
struct LogFrame
{
    const QByteArray& log;
    qsizetype offset;
    qsizetype pageSize;
    bool bigEndian;

    quint32 page() const { return bigEndianAt(log, offset); }
    bool commits() const { return bigEndianAt(log, offset + 4) != 0; }
    bool saltsMatch() const { return log.mid(offset + 8, 8) == log.mid(16, 8); }
    LogChecksum stored() const
    {
        return {bigEndianAt(log, offset + 16), bigEndianAt(log, offset + 20)};
    }
    // Whether the frame carries on a log whose checksum stood at before.
    bool follows(LogChecksum before) const
    {
        LogChecksum sum = addToChecksum(before, log.constData() + offset, 8, bigEndian);
        sum = addToChecksum(sum, log.constData() + offset + kFrameHeaderSize, pageSize, bigEndian);
        return page() != 0 && saltsMatch() && sum == stored();
    }
};

Status damagedLog()
{
    return Status::failure(
        tr("The write-ahead log beside the address book (dbVesk.mdb-wal) is damaged: opening "
           "the address book would silently drop contacts saved after the damage. Nothing was "
           "written. Keep a copy of the whole folder before anything else."));
}

Status damagedJournal()
{
    return Status::failure(
        tr("The rollback journal beside the address book (dbVesk.mdb-journal) is damaged: "
           "opening the address book would leave an interrupted change half undone. Nothing "
           "was written. Keep a copy of the whole folder before anything else."));
}

} // namespace

Status checkWriteAheadLog(const QByteArray& log)
{
    if (log.size() < kLogHeaderSize) {
        return Status::success();
    }
    const quint32 magic = bigEndianAt(log, 0);
    quint32 pageSize = bigEndianAt(log, 8);
    pageSize = pageSize == 1 ? 65536 : pageSize;
    const bool bigEndian = (magic & 1) != 0;
    const bool headerValid = (magic & ~1u) == kLogMagic && bigEndianAt(log, 4) == kLogVersion &&
                             isPowerOfTwoBetween(pageSize, 512, 65536) &&
                             addToChecksum({}, log.constData(), 24, bigEndian) ==
                                 LogChecksum{bigEndianAt(log, 24), bigEndianAt(log, 28)};
    if (!headerValid) {
        // The engine ignores a log whose header fails; frames behind it would be lost.
        return log.size() > kLogHeaderSize ? damagedLog() : Status::success();
    }
    const qsizetype frameSize = kFrameHeaderSize + pageSize;
    LogChecksum running{bigEndianAt(log, 24), bigEndianAt(log, 28)};
    bool broken = false;
    LogChecksum previousStored = running;
    for (qsizetype offset = kLogHeaderSize; offset + frameSize <= log.size(); offset += frameSize) {
        const LogFrame frame{log, offset, pageSize, bigEndian};
        if (!broken) {
            broken = !frame.follows(running);
            running = frame.stored();
        } else if (frame.commits() && frame.follows(previousStored)) {
            // A whole, committed transaction after the frame the engine stops at.
            return damagedLog();
        }
        previousStored = frame.stored();
    }
    return Status::success();
}

namespace {

constexpr char kJournalMagic[] = "\xd9\xd5\x05\xf9\x20\xa1\x63\xd7";
constexpr qsizetype kJournalHeaderSize = 28;

quint32 journalChecksum(const char* page, quint32 pageSize, quint32 nonce)
{
    quint32 sum = nonce;
    for (qint64 i = static_cast<qint64>(pageSize) - 200; i > 0; i -= 200) {
        sum += static_cast<unsigned char>(page[i]);
    }
    return sum;
}

} // namespace

Status checkRollbackJournal(const QByteArray& journal)
{
    // The engine writes the magic number only once the records are on disk,
    // and before it touches the database; without it there is nothing to undo.
    if (journal.size() < kJournalHeaderSize || journal.first(8).count('\0') == 8) {
        return Status::success();
    }
    if (journal.first(8) != QByteArrayView(kJournalMagic, 8)) {
        return damagedJournal(); // neither blank nor a journal the engine would read
    }
    qsizetype header = 0;
    while (header + kJournalHeaderSize <= journal.size() &&
           journal.sliced(header, 8) == QByteArrayView(kJournalMagic, 8)) {
        const quint32 records = bigEndianAt(journal, header + 8);
        const quint32 nonce = bigEndianAt(journal, header + 12);
        const quint32 sectorSize = bigEndianAt(journal, header + 20);
        const quint32 pageSize = bigEndianAt(journal, header + 24);
        if (!isPowerOfTwoBetween(sectorSize, 32, 65536) ||
            !isPowerOfTwoBetween(pageSize, 512, 65536)) {
            return damagedJournal();
        }
        const qsizetype recordSize = 8 + static_cast<qsizetype>(pageSize);
        qsizetype offset = header + sectorSize;
        // All ones: the count was never written; the engine plays what is there.
        const qint64 count = records == 0xffffffffu ? (journal.size() - offset) / recordSize
                                                    : static_cast<qint64>(records);
        for (qint64 r = 0; r < count; ++r, offset += recordSize) {
            if (offset + recordSize > journal.size() || bigEndianAt(journal, offset) == 0 ||
                journalChecksum(journal.constData() + offset + 4, pageSize, nonce) !=
                    bigEndianAt(journal, offset + 4 + pageSize)) {
                return damagedJournal();
            }
        }
        if (count == 0) {
            break;
        }
        header = (offset + sectorSize - 1) / sectorSize * sectorSize;
    }
    return Status::success();
}

Status checkJournalsBeside(const QString& databasePath)
{
    const auto readIfThere = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    constexpr int kLooks = 20;
    constexpr int kPauseMs = 100;
    Status verdict = Status::success();
    for (int look = 0; look < kLooks; ++look) {
        verdict = checkWriteAheadLog(readIfThere(databasePath + QStringLiteral("-wal")));
        if (verdict.ok()) {
            verdict = checkRollbackJournal(readIfThere(databasePath + QStringLiteral("-journal")));
        }
        if (verdict.ok()) {
            break;
        }
        QThread::msleep(kPauseMs);
    }
    return verdict;
}

} // namespace norvane
