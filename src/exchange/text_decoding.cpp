#include "exchange/text_decoding.h"

#include "data/ascii.h"

#include <QStringDecoder>

namespace norvane {

QString decodeUnlabelled(QByteArrayView bytes, WesternCodePage western)
{
    if (bytes.isEmpty()) {
        return QString::fromLatin1(bytes);
    }
    // Plain ASCII, as most values are, is widened as it is checked.
    QString ascii(bytes.size(), Qt::Uninitialized);
    if (widenLeadingAscii(bytes.data(), bytes.size(), reinterpret_cast<char16_t*>(ascii.data())) ==
        bytes.size()) {
        return ascii;
    }
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) {
        return text;
    }
    QStringDecoder codePage(western == WesternCodePage::Macintosh ? "macintosh" : "windows-1252");
    return codePage.isValid() ? codePage.decode(bytes) : QString::fromLatin1(bytes);
}

} // namespace norvane
