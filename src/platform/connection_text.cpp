#include "platform/connection_text.h"

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

QString buildConnectionText(const QString& applicationFolder)
{
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + applicationFolder +
           QStringLiteral("\\dbVesk.mdb;Jet OLEDB:database password=") + databasePassword();
}

Status parseConnectionText(const QString& text, ConnectionParts& parts)
{
    parts = {};
    if (text.isEmpty()) {
        return Status::failure(tr("The connection text is empty."));
    }
    QString* current = nullptr;
    for (const QString& segment : text.split(QLatin1Char(';'))) {
        int keyLength = 0;
        if (QString* value = valueFor(segment, parts, keyLength)) {
            current = value;
            *current = segment.mid(keyLength);
        } else if (current) {
            *current += QLatin1Char(';') + segment;
        } else {
            return Status::failure(tr("The connection text starts with an unknown setting."));
        }
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
