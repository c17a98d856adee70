// The vCard reader over any bytes: no crash; every card it accepts reads
// back with the same properties once written as a book keeps it, and with
// the same six values once written as Norvane exports it.
#include "exchange/card_mapping.h"
#include "exchange/vcard.h"

#include <QBuffer>
#include <algorithm>
#include <cstdlib>

using namespace norvane;

namespace {

std::optional<VCard> readBackCard(const QByteArray& written)
{
    QByteArray copy = written;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    VCardReader reader(buffer);
    return reader.next();
}

std::optional<CardContact> readBack(const QByteArray& written)
{
    const std::optional<VCard> card = readBackCard(written);
    QString reason;
    return card ? contactFromCard(*card, reason) : std::nullopt;
}

// A parameter value cannot hold a double quote: the writer puts a single one
// in its place.
bool sameParameters(const VCardProperty& read, const VCardProperty& back)
{
    return std::equal(read.params.cbegin(), read.params.cend(), back.params.cbegin(),
                      back.params.cend(), [](const auto& a, const auto& b) {
                          return a.first == b.first &&
                                 QString(a.second).replace(u'"', u'\'') == b.second;
                      });
}

bool sameProperties(const VCard& read, const VCard& back)
{
    return std::equal(read.properties.cbegin(), read.properties.cend(), back.properties.cbegin(),
                      back.properties.cend(), [](const VCardProperty& a, const VCardProperty& b) {
                          return a.group == b.group && a.name == b.name && a.value == b.value &&
                                 sameParameters(a, b);
                      });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    VCardReader reader(buffer);
    for (int cards = 0; cards < 1000; ++cards) {
        const std::optional<VCard> card = reader.next();
        if (!card) {
            if (reader.atEnd()) {
                break;
            }
            continue;
        }
        const std::optional<VCard> kept = readBackCard(writeVCard(*card));
        if (!kept || !sameProperties(*card, *kept)) {
            std::abort();
        }
        QString reason;
        const std::optional<CardContact> mapped = contactFromCard(*card, reason);
        if (!mapped) {
            continue;
        }
        for (const VCardVersion version : {VCardVersion::V3, VCardVersion::V4}) {
            const std::optional<CardContact> back = readBack(
                writeVCard(cardForExport(*card, mapped->contact, QStringLiteral("u"), std::nullopt,
                                         version, QStringLiteral("19700101T000000Z"))));
            if (!back || back->contact != mapped->contact) {
                std::abort();
            }
        }
    }
    return 0;
}
