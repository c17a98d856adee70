#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <utility>

namespace norvane {

// The outcome of an operation that can fail: success, or a reason a user can
// read. A write that found its row changed or gone under it says so, and so
// does an open whose key did not fit, and a contact table Norvane does not
// change, so that the window can tell the user what happened, ask for a
// passphrase, or refuse before anything is typed, rather than only that it
// failed.
class Status
{
public:
    enum class Failure { General, ChangedElsewhere, Gone, WrongKey, TableNotChanged };

    static Status success() { return Status(); }
    static Status failure(QString reason, Failure kind = Failure::General)
    {
        return Status(std::move(reason), kind);
    }

    bool ok() const { return m_reason.isNull(); }
    const QString& reason() const { return m_reason; }
    Failure kind() const { return m_kind; }

private:
    Status() = default;
    Status(QString reason, Failure kind)
        : m_reason(reason.isNull() ? QStringLiteral("") : reason), m_kind(kind)
    {
    }

    QString m_reason;
    Failure m_kind = Failure::General;
};

// A reason as said within a sentence of its own caller: without the full
// stop a reason that stands alone ends with.
inline QString withinSentence(QString reason)
{
    if (reason.endsWith(u'.')) {
        reason.chop(1);
    }
    return reason;
}

// The first lines of a list that can run to thousands (cards refused one by
// one), then how many more there are, so that a box showing it stays readable.
inline QString firstLinesOf(const QStringList& lines, qsizetype most)
{
    if (lines.size() <= most) {
        return lines.join(u'\n');
    }
    const auto more = static_cast<int>(lines.size() - most);
    return (lines.first(most) +
            QStringList{QCoreApplication::translate("Status", "... and %n more.", "", more)})
        .join(u'\n');
}

// The failure of an action on a contact that is no longer stored: another
// program removed it since it was read.
inline Status contactGone()
{
    return Status::failure(
        QCoreApplication::translate("norvane::Status", "The contact is no longer in the database."),
        Status::Failure::Gone);
}

} // namespace norvane
