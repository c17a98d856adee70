#include "exchange/vcard.h"

#include "data/ascii.h"
#include "data/contact_sql.h"
#include "data/sse2.h"
#include "exchange/text_decoding.h"

#include <QCoreApplication>
#include <QStringDecoder>
#include <QVarLengthArray>
#include <algorithm>
#include <array>

namespace norvane {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("VCard", text);
}

const QByteArray kByteOrderMark("\xEF\xBB\xBF");

// QString::fromUtf8() drops a byte-order mark at the start of its bytes. In
// a parameter's value it is a character like any other, which the value kept
// within quotes: kept here too, a value reads the same written either way.
QString utf8KeepingMarks(QByteArrayView bytes)
{
    QString marks;
    while (bytes.startsWith(kByteOrderMark)) {
        marks += QChar(QChar::ByteOrderMark);
        bytes = bytes.sliced(kByteOrderMark.size());
    }
    return marks + QString::fromUtf8(bytes);
}

bool isCardMarker(QByteArrayView line, QByteArrayView marker)
{
    // Most lines are longer than a marker and have no blanks around them.
    if (line.size() > marker.size() && !isAsciiBlank(line.front()) && !isAsciiBlank(line.back())) {
        return false;
    }
    const QByteArrayView trimmed = line.trimmed();
    return trimmed.size() == marker.size() && trimmed.compare(marker, Qt::CaseInsensitive) == 0;
}

// Whether a line holds only blanks (or nothing); looked at without a copy.
bool isBlank(QByteArrayView line)
{
    return line.trimmed().isEmpty();
}

// Splits at the separator where it stands outside double quotes; the parts
// are views into the text.
QVarLengthArray<QByteArrayView, 8> splitOutsideQuotes(QByteArrayView text, char separator)
{
    QVarLengthArray<QByteArrayView, 8> parts;
    bool quoted = false;
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '"') {
            quoted = !quoted;
        } else if (text[i] == separator && !quoted) {
            parts.append(text.sliced(from, i - from));
            from = i + 1;
        }
    }
    parts.append(text.sliced(from));
    return parts;
}

// The first colon outside quotes from a place in the line on, given whether
// a quote is open there; -1 when there is none, quoted then telling whether
// one is open at the line's end.
qsizetype colonOutsideQuotes(QByteArrayView line, qsizetype from, bool& quoted)
{
    // Most lines have no quote before their first colon.
    const QByteArrayView rest = line.sliced(from);
    const auto* colon = static_cast<const char*>(
        quoted || rest.isEmpty()
            ? nullptr
            : std::memchr(rest.data(), ':', static_cast<std::size_t>(rest.size())));
    if (colon && !std::memchr(rest.data(), '"', static_cast<std::size_t>(colon - rest.data()))) {
        return from + (colon - rest.data());
    }
    for (qsizetype i = from; i < line.size(); ++i) {
        if (line[i] == '"') {
            quoted = !quoted;
        } else if (line[i] == ':' && !quoted) {
            return i;
        }
    }
    return -1;
}

qsizetype colonOutsideQuotes(QByteArrayView line)
{
    bool quoted = false;
    return colonOutsideQuotes(line, 0, quoted);
}

// Names of groups, properties and parameters: letters, digits and dashes.
bool isName(QStringView name)
{
    return !name.isEmpty() && std::all_of(name.begin(), name.end(), [](QChar c) {
        return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
               c == u'-' || c == u'_';
    });
}

char upperAscii(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The names nearly every card holds, in upper case: a property of one of
// them shares its text instead of holding a copy of its own.
const QString* commonName(QByteArrayView name)
{
    static const QString kCommon[] = {
        QStringLiteral("VERSION"), QStringLiteral("FN"),    QStringLiteral("N"),
        QStringLiteral("TEL"),     QStringLiteral("EMAIL"), QStringLiteral("ADR"),
        QStringLiteral("ORG"),     QStringLiteral("UID"),   QStringLiteral("REV"),
        QStringLiteral("PRODID"),  QStringLiteral("PHOTO"), QStringLiteral("NOTE"),
        QStringLiteral("BDAY"),    QStringLiteral("TITLE"), QStringLiteral("URL"),
    };
    for (const QString& common : kCommon) {
        if (common.size() == name.size() &&
            std::equal(name.begin(), name.end(), common.cbegin(),
                       [](char c, QChar upper) { return upperAscii(c) == upper; })) {
            return &common;
        }
    }
    return nullptr;
}

// The parameter names (in upper case) and values most cards hold, shared
// like the common property names.
const QString* commonParameter(QByteArrayView text, bool isName)
{
    static const QString kNames[] = {QStringLiteral("TYPE"), QStringLiteral("VALUE"),
                                     QStringLiteral("PREF")};
    static const QString kValues[] = {
        QStringLiteral("text"),    QStringLiteral("uri"),      QStringLiteral("pref"),
        QStringLiteral("HOME"),    QStringLiteral("WORK"),     QStringLiteral("CELL"),
        QStringLiteral("VOICE"),   QStringLiteral("INTERNET"), QStringLiteral("home"),
        QStringLiteral("work"),    QStringLiteral("cell"),     QStringLiteral("voice"),
        QStringLiteral("internet")};
    const auto same = [&](const QString& common) {
        return common.size() == text.size() &&
               std::equal(text.begin(), text.end(), common.cbegin(), [&](char c, QChar known) {
                   return (isName ? upperAscii(c) : c) == known;
               });
    };
    const auto* begin = isName ? std::begin(kNames) : std::begin(kValues);
    const auto* end = isName ? std::end(kNames) : std::end(kValues);
    const auto* found = std::find_if(begin, end, same);
    return found == end ? nullptr : found;
}

// A property name in upper case: ASCII directly, anything else as Qt's
// upper case of its Latin-1 reading (which isName then refuses).
QString upperCaseName(QByteArrayView name)
{
    if (const QString* common = commonName(name)) {
        return *common;
    }
    QString upper(name.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (c & 0x80) {
            return QString::fromLatin1(name).toUpper();
        }
        upper[i] = QLatin1Char(upperAscii(c));
    }
    return upper;
}

// Whether the parameters of a content line's head (its name and parameters,
// without the colon) say that its value is quoted-printable:
// ENCODING=QUOTED-PRINTABLE, or the bare 2.1 parameter.
bool headSaysQuotedPrintable(QByteArrayView before)
{
    const auto head = splitOutsideQuotes(before, ';');
    for (qsizetype i = 1; i < head.size(); ++i) { // none without parameters
        const QByteArray param = head[i].trimmed().toByteArray().toUpper();
        if (param == "QUOTED-PRINTABLE" || param == "ENCODING=QUOTED-PRINTABLE") {
            return true;
        }
    }
    return false;
}

// Whether a content line that grows at its end while it is unfolded is
// quoted-printable. Each byte of its head is looked at once and the answer is
// kept once the head is whole: a line joined from thousands of short lines
// ending in "=" would otherwise have its head searched again for each.
class QuotedPrintableHead
{
public:
    bool of(QByteArrayView line)
    {
        if (!m_answer) {
            // A soft break's "=" may have been taken off since.
            const qsizetype colon =
                colonOutsideQuotes(line, std::min(m_scanned, line.size()), m_quoted);
            m_scanned = line.size();
            if (colon >= 0) {
                m_answer = colon > 0 && headSaysQuotedPrintable(line.first(colon));
            }
        }
        return m_answer.value_or(false);
    }

private:
    std::optional<bool> m_answer; // none until the colon that ends the head is read
    qsizetype m_scanned = 0;
    bool m_quoted = false;
};

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

// Quoted-printable: "=XX" is a byte; soft line breaks were joined already.
bool decodeQuotedPrintable(QByteArrayView in, QByteArray& out)
{
    out.clear();
    out.reserve(in.size());
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in[i] != '=') {
            out.append(in[i]);
            continue;
        }
        if (i + 1 == in.size()) {
            break; // a soft line break at the very end of the value
        }
        if (i + 2 >= in.size()) {
            return false;
        }
        const int high = hexDigit(in[i + 1]);
        const int low = hexDigit(in[i + 2]);
        if (high < 0 || low < 0) {
            return false;
        }
        out.append(static_cast<char>(high * 16 + low));
        i += 2;
    }
    return true;
}

QString unescape(QStringView value)
{
    qsizetype backslash = value.indexOf(u'\\');
    if (backslash < 0) {
        return value.toString();
    }
    QString text;
    text.reserve(value.size());
    qsizetype from = 0;
    for (; backslash >= 0 && backslash + 1 < value.size(); backslash = value.indexOf(u'\\', from)) {
        text.append(value.sliced(from, backslash - from));
        const QChar next = value[backslash + 1];
        if (next == u'n' || next == u'N') {
            text.append(u'\n');
        } else if (next == u',' || next == u';' || next == u'\\') {
            text.append(next);
        } else {
            // Not an escape (a Windows path in an old card): kept as written.
            text.append(value.sliced(backslash, 2));
        }
        from = backslash + 2;
    }
    text.append(value.sliced(from)); // a backslash at the very end stays
    return text;
}

} // namespace

QStringList VCardProperty::param(const QString& wanted) const
{
    QStringList values;
    for (const auto& [name, value] : params) {
        if (name == wanted) {
            values += value.split(QLatin1Char(','), Qt::SkipEmptyParts);
        }
    }
    return values;
}

QString VCardProperty::paramText(const QString& wanted) const
{
    const auto found = std::find_if(params.cbegin(), params.cend(),
                                    [&wanted](const auto& param) { return param.first == wanted; });
    return found != params.cend() ? found->second : QString();
}

int VCardProperty::preference() const
{
    // Read where the parameters stand, without lists: it is asked for every
    // number, e-mail and address of every card.
    constexpr int kNotPreferred = 101;
    int rank = kNotPreferred;
    for (const auto& [name, values] : params) {
        const bool isType = name == u"TYPE";
        if (!isType && name != u"PREF") {
            continue;
        }
        for (const QStringView value : QStringView(values).tokenize(u',', Qt::SkipEmptyParts)) {
            if (!isType) {
                bool number = false;
                const int given = value.toInt(&number);
                rank = std::min(rank, number ? std::clamp(given, 1, 100) : 1);
            } else if (value.compare(u"pref", Qt::CaseInsensitive) == 0) {
                rank = std::min(rank, 1);
            }
        }
    }
    return rank;
}

QString VCardProperty::text() const
{
    // Most values hold no escape: then the text is the value itself, shared.
    return value.contains(u'\\') ? unescape(value) : value;
}

namespace {

// A structured value's parts as written, split at each ';' not escaped.
QVarLengthArray<QStringView, 8> escapedComponents(QStringView value)
{
    QVarLengthArray<QStringView, 8> parts;
    qsizetype from = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == u'\\') {
            ++i;
        } else if (value[i] == u';') {
            parts.append(value.sliced(from, i - from));
            from = i + 1;
        }
    }
    parts.append(value.sliced(from));
    return parts;
}

// Whether an ENCODING parameter says base64: "b" in 3.0, "BASE64" in 2.1.
bool isBase64(const QString& encoding)
{
    return encoding.compare(u"BASE64", Qt::CaseInsensitive) == 0 ||
           encoding.compare(u"b", Qt::CaseInsensitive) == 0;
}

// The bytes of a base64 value, the blanks that unfolding left passed over;
// nullopt when it is not base64.
std::optional<QByteArray> decodeBase64(QByteArray encoded)
{
    encoded.replace(' ', QByteArray()).replace('\t', QByteArray());
    auto result =
        QByteArray::fromBase64Encoding(std::move(encoded), QByteArray::AbortOnBase64DecodingErrors);
    return result ? std::optional<QByteArray>(std::move(result.decoded)) : std::nullopt;
}

} // namespace

QStringList VCardProperty::components() const
{
    QStringList parts;
    parts.reserve(7); // an address has seven
    for (const QStringView part : escapedComponents(value)) {
        parts.append(unescape(part));
    }
    return parts;
}

QString VCardProperty::joinedComponents(QStringView separator) const
{
    QString joined;
    int joinedParts = 0;
    for (const QStringView written : escapedComponents(value)) {
        const bool plain = !written.contains(u'\\');
        const QString part = plain ? QString() : unescape(written);
        const QStringView text = plain ? written : QStringView(part);
        if (text.trimmed().isEmpty()) {
            continue;
        }
        if (joinedParts++ > 0) {
            joined += separator;
            joined += text;
        } else if (plain && text.size() == value.size()) {
            joined = value; // the whole value: shared, not copied
        } else {
            joined = plain ? text.toString() : part;
        }
    }
    return joined;
}

bool VCardProperty::isInlineBinary() const
{
    if (value.startsWith(QLatin1String("data:"), Qt::CaseInsensitive)) {
        return true;
    }
    const QStringList encodings = param(QStringLiteral("ENCODING"));
    return std::any_of(encodings.cbegin(), encodings.cend(), isBase64);
}

QByteArray VCardProperty::binary() const
{
    if (!isInlineBinary()) {
        return {};
    }
    QString encoded = value;
    if (encoded.startsWith(QLatin1String("data:"), Qt::CaseInsensitive)) {
        const qsizetype comma = encoded.indexOf(QLatin1Char(','));
        if (comma < 0 ||
            !encoded.left(comma).endsWith(QLatin1String(";base64"), Qt::CaseInsensitive)) {
            return {};
        }
        encoded = encoded.mid(comma + 1);
    }
    return decodeBase64(encoded.toLatin1()).value_or(QByteArray());
}

const VCardProperty* VCard::first(const QString& name) const
{
    for (const VCardProperty& property : properties) {
        if (property.name == name) {
            return &property;
        }
    }
    return nullptr;
}

const VCardProperty* VCard::preferred(const QString& name) const
{
    const VCardProperty* found = nullptr;
    for (const VCardProperty& property : properties) {
        if (property.name == name && (!found || property.preference() < found->preference())) {
            found = &property;
        }
    }
    return found;
}

QList<const VCardProperty*> VCard::all(const QString& name) const
{
    QList<const VCardProperty*> found;
    for (const VCardProperty& property : properties) {
        if (property.name == name) {
            found.append(&property);
        }
    }
    return found;
}

QString VCard::version() const
{
    const VCardProperty* version = first(QStringLiteral("VERSION"));
    return version ? version->value.trimmed() : QString();
}

namespace {

// Whether a value in UTF-16 or UTF-32 ends inside a code unit, which Qt's
// decoders turn into a replacement character without reporting an error.
bool cutInsideCodeUnit(QByteArrayView bytes, const char* charset)
{
    const QByteArrayView name(charset);
    const qsizetype unit = name.startsWith("UTF-16") ? 2 : name.startsWith("UTF-32") ? 4 : 1;
    return bytes.size() % unit != 0;
}

// A value's bytes as text in its character set; unlabelled bytes are read
// as UTF-8, or else as the Windows code page.
bool decodeText(QByteArrayView bytes, const QString& charset, VCardProperty& property,
                QString& reason)
{
    if (charset.isEmpty()) {
        property.value = decodeUnlabelled(bytes);
        return true;
    }
    // Stateless: a value cut off inside a character is an error, where a
    // decoder keeping state would hold the cut bytes back for more input and
    // drop them unseen (the last letter of "Jos\xE9" labelled UTF-8).
    QStringDecoder decoder(charset.toLatin1().constData(), QStringDecoder::Flag::Stateless);
    if (!decoder.isValid()) {
        reason = tr("the unknown character set %1").arg(charset);
        return false;
    }
    property.value = decoder.decode(bytes);
    if (!decoder.hasError() && !cutInsideCodeUnit(bytes, decoder.name())) {
        return true;
    }
    // Many programs label text in the Windows code page as UTF-8 or ASCII:
    // read it as an unlabelled value is. Text broken in another character
    // set refuses the card rather than lose its letters.
    const QByteArray labelled = QByteArray(decoder.name()).toUpper();
    if (labelled == "UTF-8" || labelled == "US-ASCII") {
        property.value = decodeUnlabelled(bytes);
        return true;
    }
    reason = tr("a value in %1 that is not %2 text").arg(property.name, charset);
    return false;
}

// Whether a value in base64 is text that Norvane reads (some phones write
// names and numbers with non-ASCII letters so in 2.1). The value of any other
// property (a photo, a key, another program's picture) stays as it came.
bool readsBase64AsText(const QString& name)
{
    static const QStringList names{QStringLiteral("FN"),    QStringLiteral("N"),
                                   QStringLiteral("ORG"),   QStringLiteral("TEL"),
                                   QStringLiteral("EMAIL"), QStringLiteral("ADR"),
                                   QStringLiteral("LABEL")};
    return names.contains(name);
}

// A value decoded from its transfer encoding, quoted-printable or base64.
bool decodeTransfer(QByteArrayView bytes, const QString& encoding, QByteArray& decoded)
{
    if (!isBase64(encoding)) {
        return decodeQuotedPrintable(bytes, decoded);
    }
    std::optional<QByteArray> base64 = decodeBase64(bytes.toByteArray());
    decoded = base64.value_or(QByteArray());
    return base64.has_value();
}

// CR LF, CR or LF each become the escape "\n".
void escapeLineBreaks(QString& value)
{
    if (value.contains(u'\r') || value.contains(u'\n')) {
        value.replace(QLatin1String("\r\n"), QLatin1String("\\n"))
            .replace(u'\r', QLatin1String("\\n"))
            .replace(u'\n', QLatin1String("\\n"));
    }
}

} // namespace

bool parseContentLine(QByteArrayView line, VCardProperty& property, QString& reason)
{
    const qsizetype colon = colonOutsideQuotes(line);
    if (colon <= 0) {
        reason = tr("a line that is not \"NAME:value\"");
        return false;
    }
    // The name and the parameters are looked at where they stand.
    const QByteArrayView before(line.constData(), colon);
    const auto head = splitOutsideQuotes(before, ';');
    const QByteArrayView name = head[0].trimmed();
    qsizetype dot = name.size() - 1; // a group before the name ends with a dot
    while (dot >= 0 && name[dot] != '.') {
        --dot;
    }
    if (dot >= 0) {
        property.group = QString::fromLatin1(name.first(dot));
    }
    property.name = upperCaseName(name.sliced(dot + 1));
    if (!isName(property.name) || (!property.group.isEmpty() && !isName(property.group))) {
        reason = tr("a line whose property name is not a name");
        return false;
    }
    // Such a line is not the marker that opens or closes a card (blanks
    // within it): kept, it would be written back as one.
    if (property.name == u"BEGIN" || property.name == u"END") {
        reason = tr("a broken %1 line").arg(property.name);
        return false;
    }
    QString encoding;
    QString charset;
    for (qsizetype i = 1; i < head.size(); ++i) { // none without parameters
        const qsizetype equals = head[i].indexOf('=');
        const QByteArrayView keyBytes = head[i].first(std::max<qsizetype>(equals, 0));
        const QByteArrayView valueBytes = head[i].sliced(equals + 1);
        const QString* commonKey = commonParameter(keyBytes.trimmed(), true);
        const QString* commonValue = commonParameter(valueBytes.trimmed(), false);
        QString key = commonKey ? *commonKey : QString::fromLatin1(keyBytes).trimmed().toUpper();
        QString value = commonValue ? *commonValue : utf8KeepingMarks(valueBytes).trimmed();
        if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"')) {
            value = value.mid(1, value.size() - 2);
        }
        if (key.isEmpty()) {
            // A bare 2.1 parameter: an encoding, or a type ("HOME", "PREF").
            const QString upper = value.toUpper();
            key = upper == u"QUOTED-PRINTABLE" || upper == u"BASE64" || upper == u"8BIT" ||
                          upper == u"7BIT"
                      ? QStringLiteral("ENCODING")
                      : QStringLiteral("TYPE");
        }
        if (!isName(key)) {
            continue; // a broken parameter says nothing that could be kept
        }
        if (key == u"ENCODING" && (value.compare(u"QUOTED-PRINTABLE", Qt::CaseInsensitive) == 0 ||
                                   (isBase64(value) && readsBase64AsText(property.name)))) {
            encoding = value;
            continue; // the value is stored decoded
        }
        if (key == u"CHARSET") {
            charset = value;
            continue;
        }
        property.params.append({key, value});
    }
    QByteArrayView bytes = QByteArrayView(line).sliced(colon + 1);
    QByteArray decoded;
    if (!encoding.isEmpty()) {
        if (!decodeTransfer(bytes, encoding, decoded)) {
            reason = isBase64(encoding)
                         ? tr("a broken base64 value in %1").arg(property.name)
                         : tr("a broken quoted-printable value in %1").arg(property.name);
            return false;
        }
        bytes = decoded;
    }
    if (!decodeText(bytes, charset, property, reason)) {
        return false;
    }
    if (!encoding.isEmpty()) {
        // A decoded line break ("=0D=0A", or one in base64) is written "\n"
        // like any other value's: left raw, a card written from this one
        // would break there.
        escapeLineBreaks(property.value);
    }
    return true;
}

VCardReader::VCardReader(QIODevice& device) : m_lines(device) {}

bool VCardReader::readPhysical(Line& line)
{
    line.raw.clear();
    line.tooLong = false;
    if (!m_lines.appendLine(line.raw, kLongestLine, line.tooLong)) {
        return false;
    }
    line.number = ++m_lineNumber;
    // One line end, CR LF or LF: a CR before it belongs to the value (an
    // import reads a file whose line ends were converted twice, CR CR LF,
    // through a copy with CR LF).
    QByteArrayView bytes(line.raw);
    if (bytes.endsWith('\n')) {
        bytes.chop(bytes.endsWith("\r\n") ? 2 : 1);
    }
    if (m_firstLine) {
        m_firstLine = false;
        if (bytes.startsWith(kByteOrderMark)) {
            bytes = bytes.sliced(kByteOrderMark.size());
        }
    }
    line.bytes.assign(bytes.data(), static_cast<std::size_t>(bytes.size()));
    line.rawKept = line.raw.size() <= kLongestKeptCard && !line.tooLong;
    if (!line.rawKept) {
        line.raw.clear();
    }
    return true;
}

// One content line: folded lines (starting with a space or tab) joined, and
// the soft line breaks of a quoted-printable value ("=" at the end).
bool VCardReader::readLogical(Line& line)
{
    if (m_hasUnread) {
        line.swap(m_unread);
        m_hasUnread = false;
        return true;
    }
    if (m_hasPending) {
        line.swap(m_pending);
        m_hasPending = false;
    } else if (!readPhysical(line)) {
        return false;
    }
    QuotedPrintableHead head;
    while (readPhysical(m_pending)) {
        const std::string& next = m_pending.bytes;
        const bool folded = !next.empty() && (next[0] == ' ' || next[0] == '\t');
        // A soft break joins the next line whole; folding drops its first blank.
        const bool softBreak =
            !line.bytes.empty() && line.bytes.back() == '=' && head.of(QByteArrayView(line.bytes));
        if (!folded && !softBreak) {
            m_hasPending = true;
            break;
        }
        if (softBreak) {
            line.bytes.pop_back();
        }
        line.bytes.append(next, softBreak ? 0 : 1);
        line.tooLong = line.tooLong || m_pending.tooLong || line.bytes.size() > kLongestLine;
        if (line.tooLong) {
            line.bytes.clear();
            head = {};
        }
        line.rawKept = line.rawKept && m_pending.rawKept &&
                       line.raw.size() + m_pending.raw.size() <= kLongestKeptCard;
        if (line.rawKept) {
            line.raw.append(m_pending.raw);
        } else {
            line.raw.clear();
        }
    }
    return true;
}

void VCardReader::keepCardBytes(const Line& line)
{
    m_cardBytesKept =
        m_cardBytesKept && line.rawKept && m_cardBytes.size() + line.raw.size() <= kLongestKeptCard;
    if (m_cardBytesKept) {
        m_cardBytes.append(line.raw);
    } else {
        m_cardBytes.clear();
    }
}

std::optional<VCard> VCardReader::refuse(int line, const QString& reason)
{
    m_error = reason;
    m_errorLine = line;
    return std::nullopt;
}

std::optional<VCard> VCardReader::next()
{
    m_error.clear();
    m_cardBytes.clear();
    m_cardBytesKept = true;
    Line& line = m_line;
    // Up to BEGIN:VCARD; text outside a card is refused once for each run of it.
    int strayLine = 0;
    while (true) {
        if (!readLogical(line)) {
            m_atEnd = strayLine == 0;
            return strayLine ? refuse(strayLine, tr("text outside a card")) : std::nullopt;
        }
        // In files joined into one (cat a.vcf b.vcf), the byte-order mark
        // each began with stands before the BEGIN line of its first card.
        QByteArrayView outside(line.bytes);
        if (outside.startsWith(kByteOrderMark)) {
            outside = outside.sliced(kByteOrderMark.size());
        }
        if (line.tooLong || !isBlank(outside)) {
            if (!line.tooLong && isCardMarker(outside, "BEGIN:VCARD")) {
                break;
            }
            strayLine = strayLine ? strayLine : line.number;
        }
    }
    if (strayLine) {
        giveBack(line);
        return refuse(strayLine, tr("text outside a card"));
    }
    keepCardBytes(line);
    VCard card;
    card.line = line.number;
    card.properties.reserve(16); // most cards hold fewer, and growing costs more than the room
    QString broken;
    int brokenLine = 0;
    while (true) {
        if (!readLogical(line)) {
            return refuse(card.line, tr("a card without END:VCARD"));
        }
        if (line.tooLong) {
            if (broken.isEmpty()) {
                broken = tr("a line longer than %1 MB").arg(kLongestLine / (1024 * 1024));
                brokenLine = line.number;
            }
            continue;
        }
        if (isCardMarker(QByteArrayView(line.bytes), "BEGIN:VCARD")) {
            // The card before never ended; this line starts the next one.
            giveBack(line);
            return refuse(card.line, tr("a card without END:VCARD"));
        }
        keepCardBytes(line);
        if (isBlank(QByteArrayView(line.bytes))) {
            continue;
        }
        if (isCardMarker(QByteArrayView(line.bytes), "END:VCARD")) {
            break;
        }
        QString reason;
        if (!parseContentLine(QByteArrayView(line.bytes), card.properties.emplace_back(), reason)) {
            card.properties.removeLast();
            if (broken.isEmpty()) {
                broken = reason;
                brokenLine = line.number;
            }
        }
    }
    if (!broken.isEmpty()) {
        return refuse(brokenLine, broken);
    }
    return card;
}

void VCardReader::giveBack(Line& line)
{
    m_unread.swap(line);
    m_hasUnread = true;
}

namespace {

bool isEscapedInValue(QChar c)
{
    return c == u'\\' || c == u',' || c == u';' || c == u'\r' || c == u'\n';
}

// The bytes a value escapes, looked up rather than compared one by one.
constexpr std::array<bool, 256> kEscapedBytes = [] {
    std::array<bool, 256> escaped{};
    for (const char c : {'\\', ',', ';', '\r', '\n'}) {
        escaped[static_cast<unsigned char>(c)] = true;
    }
    return escaped;
}();

bool isEscapedByte(char c)
{
    return kEscapedBytes[static_cast<unsigned char>(c)];
}

// Where the first byte at or after from stands that a value escapes; the
// size when there is none. Sixteen bytes at a time where the processor has
// SSE2: most texts hold no escape at all.
qsizetype nextEscape(QByteArrayView utf8, qsizetype from)
{
#ifdef NORVANE_HAS_SSE2
    for (; from + 16 <= utf8.size(); from += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(utf8.data() + from));
        __m128i found = _mm_setzero_si128();
        for (const char escaped : {'\\', ',', ';', '\r', '\n'}) {
            found = _mm_or_si128(found, _mm_cmpeq_epi8(bytes, _mm_set1_epi8(escaped)));
        }
        if (_mm_movemask_epi8(found) != 0) {
            break; // the byte-by-byte loop finds which
        }
    }
#endif
    while (from < utf8.size() && !isEscapedByte(utf8[from])) {
        ++from;
    }
    return from;
}

char* writeBytes(char* to, QByteArrayView bytes)
{
    if (!bytes.isEmpty()) {
        std::memcpy(to, bytes.data(), static_cast<std::size_t>(bytes.size()));
    }
    return to + bytes.size();
}

// Writes a text given as UTF-8 escaped for a property value: \\ \, \; and a
// line break as \n (CR LF is one); at most twice its size. Only ASCII is
// escaped, and no byte of a longer UTF-8 sequence is ASCII: the bytes
// between escapes go in as they are.
char* writeEscaped(char* to, QByteArrayView utf8)
{
    qsizetype from = 0;
    for (qsizetype i = nextEscape(utf8, 0); i < utf8.size(); i = nextEscape(utf8, from)) {
        const char c = utf8[i];
        to = writeBytes(to, utf8.sliced(from, i - from));
        *to++ = '\\';
        *to++ = c == '\r' || c == '\n' ? 'n' : c;
        if (c == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') {
            ++i;
        }
        from = i + 1;
    }
    return writeBytes(to, utf8.sliced(from));
}

void appendEscaped(QByteArray& out, QByteArrayView utf8)
{
    const qsizetype start = out.size();
    out.resize(start + 2 * utf8.size());
    out.truncate(writeEscaped(out.data() + start, utf8) - out.constData());
}

} // namespace

QString escapeValue(const QString& text)
{
    if (std::none_of(text.cbegin(), text.cend(), isEscapedInValue)) {
        return text;
    }
    QByteArray escaped;
    appendEscaped(escaped, text.toUtf8());
    return textFromUtf8(escaped);
}

namespace {

constexpr qsizetype kFoldWidth = 75;

// Appends a text as UTF-8.
void appendUtf8(QByteArray& out, QStringView text)
{
    const qsizetype start = out.size();
    out.resize(start + 3 * text.size());
    out.truncate(writeUtf8(out.data() + start, text) - out.constData());
}

bool blankAtAnEnd(const QString& text)
{
    return !text.isEmpty() && (text.front().isSpace() || text.back().isSpace());
}

void appendParameter(QByteArray& out, const QString& name, const QString& value)
{
    out += ';';
    appendUtf8(out, name);
    out += '=';
    // Most values need neither quotes nor a change: written as they are.
    if (std::none_of(value.cbegin(), value.cend(),
                     [](QChar c) { return c == u'"' || c == u':' || c == u';' || c == u','; }) &&
        !blankAtAnEnd(value)) {
        appendUtf8(out, value);
        return;
    }
    QString written = value;
    written.replace(QLatin1Char('"'), QLatin1Char('\''));
    // Reading trims the blanks around a value, but not those within quotes.
    if (written.contains(QLatin1Char(':')) || written.contains(QLatin1Char(';')) ||
        (written.contains(QLatin1Char(',')) && name != u"TYPE") || blankAtAnEnd(written)) {
        written = QLatin1Char('"') + written + QLatin1Char('"');
    }
    appendUtf8(out, written);
}

// Writes a line in pieces of at most 75 octets, never inside a UTF-8
// sequence, each ended by CR LF; each piece after the first starts with a
// space. At most foldedSize() bytes.
char* writeFolded(char* to, QByteArrayView line)
{
    qsizetype from = 0;
    bool firstPiece = true;
    while (from < line.size()) {
        const qsizetype room = firstPiece ? kFoldWidth : kFoldWidth - 1;
        qsizetype end = std::min(line.size(), from + room);
        while (end < line.size() && end > from &&
               (static_cast<unsigned char>(line[end]) & 0xC0) == 0x80) {
            --end;
        }
        if (!firstPiece) {
            *to++ = ' ';
        }
        to = writeBytes(to, line.sliced(from, end - from));
        *to++ = '\r';
        *to++ = '\n';
        from = end;
        firstPiece = false;
    }
    return to;
}

// The most bytes a line of that size takes folded: a piece breaks at least
// every 71 octets (a UTF-8 sequence is four at most), and adds three.
qsizetype foldedSize(qsizetype lineSize)
{
    return lineSize + 3 * (lineSize / (kFoldWidth - 4) + 1);
}

void appendFolded(QByteArray& out, QByteArrayView line)
{
    const qsizetype start = out.size();
    out.resize(start + foldedSize(line.size()));
    out.truncate(writeFolded(out.data() + start, line) - out.constData());
}

} // namespace

ContentLineWriter& ContentLineWriter::begin(QStringView group, QStringView name)
{
    m_start = m_out.size();
    m_inValue = false;
    if (!group.isEmpty()) {
        appendUtf8(m_out, group);
        m_out += '.';
    }
    appendUtf8(m_out, name);
    return *this;
}

ContentLineWriter& ContentLineWriter::parameter(const QString& name, const QString& value)
{
    appendParameter(m_out, name, value);
    return *this;
}

void ContentLineWriter::startValue()
{
    if (!m_inValue) {
        m_out += ':';
        m_inValue = true;
    }
}

ContentLineWriter& ContentLineWriter::raw(QStringView value)
{
    startValue();
    appendUtf8(m_out, value);
    return *this;
}

void ContentLineWriter::end()
{
    startValue();
    if (m_out.size() - m_start <= kFoldWidth) {
        appendBytes(m_out, "\r\n");
        return;
    }
    const QByteArray line = m_out.sliced(m_start);
    m_out.truncate(m_start);
    appendFolded(m_out, line);
}

CardBytesWriter::CardBytesWriter(QByteArray& out, qsizetype room) : m_out(out)
{
    const qsizetype start = m_out.size();
    m_out.resize(start + room);
    m_to = m_out.data() + start;
    m_end = m_out.data() + m_out.size();
    m_lineStart = m_to;
}

CardBytesWriter::~CardBytesWriter()
{
    m_out.truncate(m_to - m_out.constData());
}

void CardBytesWriter::grow(qsizetype size)
{
    const qsizetype at = m_to - m_out.constData();
    const qsizetype lineAt = m_lineStart - m_out.constData();
    m_out.resize(std::max(2 * m_out.size(), at + size));
    m_to = m_out.data() + at;
    m_end = m_out.data() + m_out.size();
    m_lineStart = m_out.data() + lineAt;
}

void CardBytesWriter::line(QByteArrayView whole)
{
    makeRoom(whole.size());
    m_to = writeBytes(m_to, whole);
}

CardBytesWriter& CardBytesWriter::begin(QByteArrayView name)
{
    makeRoom(name.size());
    m_lineStart = m_to;
    m_inValue = false;
    m_to = writeBytes(m_to, name);
    return *this;
}

CardBytesWriter& CardBytesWriter::parameter(const QString& name, const QString& value)
{
    QByteArray written;
    appendParameter(written, name, value);
    makeRoom(written.size());
    m_to = writeBytes(m_to, written);
    return *this;
}

void CardBytesWriter::startValue()
{
    if (!m_inValue) {
        makeRoom(1);
        *m_to++ = ':';
        m_inValue = true;
    }
}

CardBytesWriter& CardBytesWriter::raw(QByteArrayView utf8)
{
    startValue();
    makeRoom(utf8.size());
    m_to = writeBytes(m_to, utf8);
    return *this;
}

CardBytesWriter& CardBytesWriter::raw(QStringView text)
{
    startValue();
    makeRoom(3 * text.size());
    m_to = writeUtf8(m_to, text);
    return *this;
}

CardBytesWriter& CardBytesWriter::escaped(QByteArrayView utf8)
{
    startValue();
    makeRoom(2 * utf8.size());
    m_to = writeEscaped(m_to, utf8);
    return *this;
}

void CardBytesWriter::end()
{
    startValue();
    const qsizetype size = m_to - m_lineStart;
    if (size <= kFoldWidth) {
        line("\r\n");
        return;
    }
    const QByteArray unfolded(m_lineStart, size);
    m_to = m_lineStart;
    makeRoom(foldedSize(size));
    m_to = writeFolded(m_to, unfolded);
}

void appendVCard(QByteArray& out, const VCard& card)
{
    out += "BEGIN:VCARD\r\n";
    ContentLineWriter line(out);
    for (const VCardProperty& property : card.properties) {
        line.begin(property.group, property.name);
        for (const auto& [name, value] : property.params) {
            line.parameter(name, value);
        }
        line.raw(property.value).end();
    }
    out += "END:VCARD\r\n";
}

QByteArray writeVCard(const VCard& card)
{
    QByteArray out;
    out.reserve(64 * (card.properties.size() + 2));
    appendVCard(out, card);
    return out;
}

bool looksLikeVCard(const QByteArray& firstLine)
{
    QByteArray line = firstLine;
    if (line.startsWith(kByteOrderMark)) {
        line.remove(0, kByteOrderMark.size());
    }
    return line.trimmed().toUpper().startsWith("BEGIN:VCARD");
}

} // namespace norvane
