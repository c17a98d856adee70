#include "data/connection_text.h"

#include <QCoreApplication>

namespace norvane {

namespace {

const QString kProviderKey = QStringLiteral("Provider");
const QString kDataSourceKey = QStringLiteral("Data Source");
const QString kPasswordKey = QStringLiteral("Jet OLEDB:database password");

QString tr(const char* text)
{
    return QCoreApplication::translate("ConnectionText", text);
}

// The value a segment assigns to one of the known keys, or null.
QString* valueFor(const QString& segment, ConnectionParts& parts, int& keyLength)
{
    const std::pair<const QString*, QString*> keys[] = {{&kProviderKey, &parts.provider},
                                                        {&kDataSourceKey, &parts.dataSource},
                                                        {&kPasswordKey, &parts.password}};
    for (const auto& [key, value] : keys) {
        if (segment.size() > key->size() && segment.at(key->size()) == QLatin1Char('=') &&
            segment.startsWith(*key, Qt::CaseInsensitive)) {
            keyLength = key->size() + 1;
            return value;
        }
    }
    return nullptr;
}

} // namespace

QString databasePassword()
{
    return QStringLiteral("\u00A5\u00B6\u00A2\u00DE\u00BF\u00F0\u00A7");
}

// A value in double quotes, a quote inside it doubled, so that no ';' or
// "key=" that a folder name holds can end it or start another setting.
QString quoted(const QString& value)
{
    QString inner = value;
    inner.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

QString buildConnectionText(const QString& applicationFolder, const QString& password)
{
    const bool plain =
        !password.contains(QLatin1Char(';')) && !password.startsWith(QLatin1Char('"'));
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") +
           quoted(applicationFolder + QStringLiteral("\\dbVesk.mdb")) +
           QStringLiteral(";Jet OLEDB:database password=") + (plain ? password : quoted(password));
}

namespace {

// Reads a quoted value starting at the opening quote; at ends past the
// closing quote. False when the quote is never closed.
bool readQuoted(const QString& text, qsizetype& at, QString& value)
{
    value.clear();
    for (++at; at < text.size(); ++at) {
        if (text.at(at) != QLatin1Char('"')) {
            value += text.at(at);
        } else if (at + 1 < text.size() && text.at(at + 1) == QLatin1Char('"')) {
            value += QLatin1Char('"');
            ++at;
        } else {
            ++at;
            return true;
        }
    }
    return false;
}

} // namespace

Status parseConnectionText(const QString& text, ConnectionParts& parts)
{
    parts = {};
    if (text.isEmpty()) {
        return Status::failure(tr("The connection text is empty."));
    }
    QString* current = nullptr;
    qsizetype at = 0;
    while (at < text.size()) {
        const qsizetype end = text.indexOf(QLatin1Char(';'), at);
        const QString segment = text.mid(at, end < 0 ? -1 : end - at);
        int keyLength = 0;
        if (QString* value = valueFor(segment, parts, keyLength)) {
            current = value;
            const qsizetype valueStart = at + keyLength;
            if (valueStart < text.size() && text.at(valueStart) == QLatin1Char('"')) {
                at = valueStart;
                if (!readQuoted(text, at, *current)) {
                    return Status::failure(tr("A quoted value of the connection text is not "
                                              "closed."));
                }
                if (at < text.size() && text.at(at) != QLatin1Char(';')) {
                    return Status::failure(
                        tr("A quoted value of the connection text is followed by more text."));
                }
                current = nullptr; // a quoted value is whole
                ++at;
                continue;
            }
            *current = segment.mid(keyLength);
        } else if (current) {
            *current += QLatin1Char(';') + segment;
        } else {
            return Status::failure(tr("The connection text starts with an unknown setting."));
        }
        if (end < 0) {
            break;
        }
        at = end + 1;
    }
    if (parts.provider.compare(kProvider, Qt::CaseInsensitive) != 0) {
        return Status::failure(
            tr("The database provider \"%1\" is not supported.").arg(parts.provider));
    }
    if (parts.dataSource.isEmpty()) {
        return Status::failure(tr("The connection text names no database file."));
    }
    return Status::success();
}

QString dataSourcePath(const QString& dataSource)
{
    const qsizetype slash = dataSource.lastIndexOf(QLatin1Char('\\'));
    if (slash < 0) {
        return dataSource;
    }
    return dataSource.left(slash) + QLatin1Char('/') + dataSource.mid(slash + 1);
}

} // namespace norvane
