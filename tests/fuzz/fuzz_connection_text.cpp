// The connection-text parser on any text: no crash, and a text it accepts
// names a provider it knows and a data source.
#include "data/connection_text.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    norvane::ConnectionParts parts;
    if (norvane::parseConnectionText(text, parts).ok()) {
        if (parts.dataSource.isEmpty() ||
            parts.provider.compare(norvane::kProvider, Qt::CaseInsensitive) != 0) {
            std::abort();
        }
        norvane::dataSourcePath(parts.dataSource);
    }
    // What the builder makes, the parser reads back.
    norvane::ConnectionParts round;
    if (!text.contains(QLatin1Char('\\')) &&
        (!norvane::parseConnectionText(norvane::buildConnectionText(text), round).ok() ||
         norvane::dataSourcePath(round.dataSource) != text + QStringLiteral("/dbVesk.mdb") ||
         round.password != norvane::databasePassword())) {
        std::abort();
    }
    return 0;
}
