#pragma once

#include <QString>
#include <utility>

namespace norvane {

// The outcome of an operation that can fail: success, or a reason a user can read.
class Status
{
public:
    static Status success() { return Status(); }
    static Status failure(QString reason) { return Status(std::move(reason)); }

    bool ok() const { return m_reason.isNull(); }
    const QString& reason() const { return m_reason; }

private:
    Status() = default;
    explicit Status(QString reason) : m_reason(reason.isNull() ? QStringLiteral("") : reason) {}

    QString m_reason;
};

} // namespace norvane
