// The vCard reader over any bytes: no crash, and every card it accepts
// comes back with the same six values once written as Norvane exports it.
#include "exchange/card_mapping.h"
#include "exchange/vcard.h"

#include <QBuffer>
#include <cstdlib>

using namespace norvane;

namespace {

std::optional<CardContact> readBack(const QByteArray& written)
{
    QByteArray copy = written;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    VCardReader reader(buffer);
    const std::optional<VCard> card = reader.next();
    QString reason;
    return card ? contactFromCard(*card, reason) : std::nullopt;
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
