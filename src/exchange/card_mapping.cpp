#include "exchange/card_mapping.h"

#include "data/ascii.h"

#include <QCoreApplication>
#include <QUrl>
#include <algorithm>
#include <iterator>

namespace norvane {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("CardMapping", text);
}

// The parts that hold more than blanks, joined; each kept as written, so
// that a value Norvane wrote as one part comes back exactly.
QString joinNonEmpty(const QStringList& parts, const QString& separator)
{
    QString joined; // a single part is shared, not copied
    for (const QString& part : parts) {
        if (QStringView(part).trimmed().isEmpty()) {
            continue;
        }
        if (!joined.isEmpty()) {
            joined += separator;
        }
        joined += part;
    }
    return joined;
}

// A 4.0 number may be written as a "tel:" URI; the number is what follows,
// with what the URI percent-encodes (a space) decoded. One marked as text
// (as Norvane writes numbers) is taken as written.
QString numberText(const VCardProperty& tel)
{
    QString text = tel.text();
    const QStringList kind = tel.param(QStringLiteral("VALUE"));
    const bool asText = kind.size() == 1 && kind.first().compare(u"text", Qt::CaseInsensitive) == 0;
    if (!asText && text.startsWith(QLatin1String("tel:"), Qt::CaseInsensitive)) {
        text = QUrl::fromPercentEncoding(QStringView(text).sliced(4).toUtf8());
    }
    return text;
}

// An address's LABEL parameter, its lines on lines of their own: written
// with RFC 6868's carets (^n a line break, ^' a quote, ^^ a caret), or with
// "\n" as RFC 6350's own example writes it.
QString labelParamText(QString label)
{
    // No double quote can stand in a parameter's value; one written there
    // all the same is read as the single quote a card written again holds,
    // so that the address reads back the same.
    label.replace(u'"', u'\'');
    QString text;
    text.reserve(label.size());
    for (qsizetype i = 0; i < label.size(); ++i) {
        const QChar next = i + 1 < label.size() ? label[i + 1] : QChar();
        if (label[i] == u'^' && (next == u'n' || next == u'\'' || next == u'^')) {
            text += next == u'n' ? QChar(u'\n') : next == u'\'' ? QChar(u'"') : next;
            ++i;
        } else if (label[i] == u'\\' && (next == u'n' || next == u'N')) {
            text += u'\n';
            ++i;
        } else {
            text += label[i];
        }
    }
    return text.trimmed();
}

QString nameOf(const VCard& card)
{
    if (const VCardProperty* fn = card.first(QStringLiteral("FN"))) {
        if (const QString name = fn->text(); !name.trimmed().isEmpty()) {
            return name;
        }
    }
    if (const VCardProperty* n = card.first(QStringLiteral("N"))) {
        // Family; Given; Additional; Prefixes; Suffixes, in reading order.
        const QStringList parts = n->components();
        const QString name = joinNonEmpty(
            {parts.value(3), parts.value(1), parts.value(2), parts.value(0), parts.value(4)},
            QStringLiteral(" "));
        if (!name.isEmpty()) {
            return name;
        }
    }
    if (const VCardProperty* org = card.first(QStringLiteral("ORG"))) {
        if (const QString name = org->joinedComponents(u", "); !name.isEmpty()) {
            return name;
        }
    }
    if (const VCardProperty* email = card.preferred(QStringLiteral("EMAIL"))) {
        if (!email->text().trimmed().isEmpty()) {
            return email->text().trimmed();
        }
    }
    if (const VCardProperty* tel = card.preferred(QStringLiteral("TEL"))) {
        return numberText(*tel).trimmed();
    }
    return {};
}

QString numbersOf(const VCard& card)
{
    QList<const VCardProperty*> tels = card.all(QStringLiteral("TEL"));
    std::stable_sort(tels.begin(), tels.end(), [](const VCardProperty* a, const VCardProperty* b) {
        return a->preference() < b->preference();
    });
    // One per line, as the window's number field writes them.
    QString numbers; // a single number is shared, not copied
    for (const VCardProperty* tel : tels) {
        if (const QString number = numberText(*tel); !QStringView(number).trimmed().isEmpty()) {
            if (!numbers.isEmpty()) {
                numbers += QLatin1Char('\n');
            }
            numbers += number;
        }
    }
    return numbers;
}

// Line breaks as the window writes them; a card's CR LF or lone CR (which
// escaping cannot keep apart) becomes one.
QString withLfBreaks(QString text)
{
    if (!text.contains(u'\r')) {
        return text;
    }
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
}

QString addressOf(const VCard& card)
{
    if (const VCardProperty* adr = card.preferred(QStringLiteral("ADR"))) {
        // PO box, extended, street, locality, region, postal code, country.
        const QString address = adr->joinedComponents(u", ");
        if (!address.isEmpty()) {
            return address;
        }
        if (const QString label = labelParamText(adr->paramText(QStringLiteral("LABEL")));
            !label.isEmpty()) {
            return label;
        }
    }
    if (const VCardProperty* label = card.preferred(QStringLiteral("LABEL"))) {
        return label->text().trimmed();
    }
    return {};
}

} // namespace

namespace {
std::optional<CardContact> mappedTexts(const VCard& card, QString& reason);
} // namespace

std::optional<CardContact> contactFromCard(const VCard& card, QString& reason)
{
    std::optional<CardContact> mapped = mappedTexts(card, reason);
    if (mapped) {
        for (int column = 1; column < kContactColumnCount; ++column) {
            QString& text = mapped->contact.text(static_cast<ContactColumn>(column));
            if (text.contains(u'\r')) {
                text = withLfBreaks(text);
            }
        }
    }
    return mapped;
}

bool isGroupCard(const VCard& card)
{
    for (const char* kind : {"KIND", "X-ADDRESSBOOKSERVER-KIND"}) {
        const VCardProperty* property = card.first(QLatin1String(kind));
        if (property && property->text().trimmed().compare(u"group", Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

namespace {

std::optional<CardContact> mappedTexts(const VCard& card, QString& reason)
{
    CardContact mapped;
    mapped.contact.name = nameOf(card);
    if (mapped.contact.name.isEmpty()) {
        reason = tr("a card without a name, e-mail or number");
        return std::nullopt;
    }
    mapped.contact.contact = numbersOf(card);
    mapped.contact.address = addressOf(card);
    if (const VCardProperty* email = card.preferred(QStringLiteral("EMAIL"))) {
        mapped.contact.email = email->text();
    }
    if (const VCardProperty* org = card.first(QStringLiteral("ORG"))) {
        mapped.contact.company = org->joinedComponents(u", ");
    }
    if (const VCardProperty* photo = card.preferred(QStringLiteral("PHOTO"))) {
        mapped.photo = photo->binary();
    }
    if (const VCardProperty* name = card.first(QStringLiteral("X-NORVANE-PHOTO"))) {
        mapped.photoName = name->text();
    }
    if (const VCardProperty* uid = card.first(QStringLiteral("UID"))) {
        mapped.uid = uid->text().trimmed();
    }
    return mapped;
}

} // namespace

namespace {
constexpr QStringView kProductId = u"-//Norvane//Norvane address book//EN";
} // namespace

QString revisionText(const QDateTime& time)
{
    return time.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
}

namespace {

// Whether an ASCII name's words already stand one space apart.
bool isSimplified(QByteArrayView name)
{
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (isAsciiBlank(name[i]) &&
            (name[i] != ' ' || i == 0 || i + 1 == name.size() || name[i + 1] == ' ')) {
            return false;
        }
    }
    return true;
}

// Whether words after a name's comma, or its last word, are a generational
// or academic suffix ("Jr.", "III", "PhD") or a company's legal form
// ("Inc.", "Ltd"), rather than a given or family name.
bool isNameSuffix(QByteArrayView words)
{
    // Read in lower case without its dots, in place: the export asks it of
    // every name.
    char letters[8];
    qsizetype size = 0;
    for (const char c : words) {
        if (c == '.') {
            continue;
        }
        if (size == std::ssize(letters)) {
            return false;
        }
        letters[size++] = asciiLower(c);
    }
    const QByteArrayView key(letters, size);
    static const QByteArrayView kSuffixes[] = {"jr",  "sr",  "ii",   "iii",  "iv",  "phd", "md",
                                               "esq", "jd",  "dds",  "mba",  "cpa", "inc", "ltd",
                                               "llc", "plc", "corp", "gmbh", "ag"};
    return std::find(std::begin(kSuffixes), std::end(kSuffixes), key) != std::end(kSuffixes);
}

// A name in UTF-8 read as family, given and suffix, its words one space
// apart: "Ann Lee" and "Lee, Ann" are family "Lee", given "Ann"; "Martin
// King, Jr." and "Martin King Jr." have the suffix "Jr.". Without a single
// comma between words, the family name is the last word but a suffix.
class NameWords
{
public:
    explicit NameWords(QByteArrayView name)
    {
        if (!isAscii(name)) {
            m_simplified = textFromUtf8(name).simplified().toUtf8();
            split(m_simplified);
        } else if (isSimplified(name)) {
            split(name); // most names: nothing to make
        } else {
            m_simplified.reserve(name.size());
            bool blank = false;
            for (const char c : name) {
                if (isAsciiBlank(c)) {
                    blank = !m_simplified.isEmpty();
                } else {
                    if (blank) {
                        m_simplified += ' ';
                        blank = false;
                    }
                    m_simplified += c;
                }
            }
            split(m_simplified);
        }
    }
    QByteArrayView family() const { return m_family; }
    QByteArrayView given() const { return m_given; }
    QByteArrayView suffix() const { return m_suffix; }

private:
    // Reads the words, one space apart, into the three parts.
    void split(QByteArrayView words)
    {
        const qsizetype comma = words.indexOf(',');
        if (comma > 0 && comma + 1 < words.size() && words.lastIndexOf(',') == comma) {
            const QByteArrayView before = words.first(comma).trimmed();
            const QByteArrayView after = words.sliced(comma + 1).trimmed();
            if (!before.isEmpty() && !after.isEmpty()) {
                if (!isNameSuffix(after)) {
                    m_family = before;
                    m_given = after;
                    return;
                }
                m_suffix = after;
                words = before;
            }
        }
        qsizetype lastSpace = words.lastIndexOf(' ');
        if (m_suffix.isEmpty() && lastSpace > 0 && isNameSuffix(words.sliced(lastSpace + 1))) {
            m_suffix = words.sliced(lastSpace + 1);
            words = words.first(lastSpace);
            lastSpace = words.lastIndexOf(' ');
        }
        m_family = words.sliced(lastSpace + 1);
        m_given = words.first(std::max<qsizetype>(lastSpace, 0));
    }

    QByteArray m_simplified; // when the name itself is not
    QByteArrayView m_family;
    QByteArrayView m_given;
    QByteArrayView m_suffix;
};

} // namespace

QStringList derivedNameParts(const QString& name)
{
    const QByteArray utf8 = name.toUtf8();
    const NameWords words(utf8);
    return {QString::fromUtf8(words.family()), QString::fromUtf8(words.given()),
            QString::fromUtf8(words.suffix())};
}

namespace {

VCardProperty property(const QString& name, const QString& value,
                       QList<std::pair<QString, QString>> params = {})
{
    VCardProperty made;
    made.name = name;
    made.value = value;
    made.params = std::move(params);
    return made;
}

// A PHOTO property holding the picture, in the version's own form.
VCardProperty photoProperty(const EmbeddedPhoto& photo, VCardVersion version)
{
    const QString base64 = QString::fromLatin1(photo.bytes.toBase64());
    return version == VCardVersion::V4
               ? property(
                     QStringLiteral("PHOTO"),
                     QStringLiteral("data:image/%1;base64,%2").arg(photo.type.toLower(), base64))
               : property(QStringLiteral("PHOTO"), base64,
                          {{"ENCODING", "b"}, {"TYPE", photo.type}});
}

// A stored card's inline photo, kept, in the version's own form: a 3.0
// photo inside a 4.0 card is read by lenient readers only. As it came when
// the card gives no picture type ("TYPE=JPEG", "image/jpeg") or its bytes
// do not decode.
VCardProperty keptPhoto(const VCardProperty& stored, VCardVersion version)
{
    QString type = stored.param(QStringLiteral("TYPE")).value(0);
    if (stored.value.startsWith(QLatin1String("data:"), Qt::CaseInsensitive)) {
        type = stored.value.mid(5, stored.value.indexOf(u';') - 5);
    }
    if (type.startsWith(QLatin1String("image/"), Qt::CaseInsensitive)) {
        type = type.mid(6);
    }
    const QByteArray bytes = stored.binary();
    const bool plainType = !type.isEmpty() && std::all_of(type.cbegin(), type.cend(), [](QChar c) {
        return c.isLetterOrNumber() || c == u'-' || c == u'+' || c == u'.';
    });
    if (!plainType || bytes.isEmpty()) {
        return stored;
    }
    return photoProperty(EmbeddedPhoto{bytes, type.toUpper()}, version);
}

// Replaces the properties of that name: at the place of the first of them
// (or at the end), the new ones.
void replaceAll(QList<VCardProperty>& properties, const QString& name,
                const QList<VCardProperty>& replacements)
{
    qsizetype at = -1;
    for (qsizetype i = properties.size() - 1; i >= 0; --i) {
        if (properties[i].name == name) {
            properties.removeAt(i);
            at = i;
        }
    }
    at = at < 0 ? properties.size() : at;
    for (qsizetype i = 0; i < replacements.size(); ++i) {
        properties.insert(at + i, replacements[i]);
    }
}

// Replaces the value of the preferred (or first) property of that name, or
// adds one; an empty value removes it.
void replacePreferred(QList<VCardProperty>& properties, const VCard& stored, const QString& name,
                      const QString& value)
{
    const VCardProperty* preferred = stored.preferred(name);
    qsizetype at = -1;
    for (qsizetype i = 0; preferred && i < properties.size(); ++i) {
        if (properties[i].name == name && properties[i].value == preferred->value &&
            properties[i].params == preferred->params) {
            at = i;
            break;
        }
    }
    if (value.isEmpty()) {
        if (at >= 0) {
            properties.removeAt(at);
        }
    } else if (at >= 0) {
        properties[at].value = value;
    } else {
        properties.append(property(name, value));
    }
}

} // namespace

VCard cardForExport(const VCard& stored, const Contact& contact, const QString& uid,
                    const std::optional<EmbeddedPhoto>& photo, VCardVersion version,
                    const QString& revision, bool keepInlinePhoto)
{
    QString ignored;
    const std::optional<CardContact> before = contactFromCard(stored, ignored);
    const auto unchanged = [&](ContactColumn column) {
        return before && before->contact.text(column) == contact.text(column);
    };
    QList<VCardProperty> properties;
    properties.reserve(stored.properties.size() + 12);
    for (const VCardProperty& p : stored.properties) {
        static const QStringList kRewritten = {QStringLiteral("VERSION"), QStringLiteral("PRODID"),
                                               QStringLiteral("REV"), QStringLiteral("UID"),
                                               QStringLiteral("FN")};
        if (!kRewritten.contains(p.name)) {
            properties.append(p);
        }
    }
    properties.prepend(property(QStringLiteral("FN"), escapeValue(contact.name)));
    if (!stored.first(QStringLiteral("N")) || !unchanged(ContactColumn::Name)) {
        const QStringList parts = derivedNameParts(contact.name);
        replaceAll(properties, QStringLiteral("N"),
                   {property(QStringLiteral("N"),
                             escapeValue(parts[0]) + QLatin1Char(';') + escapeValue(parts[1]) +
                                 QStringLiteral(";;;") + escapeValue(parts[2]))});
    }
    if (!unchanged(ContactColumn::Contact)) {
        QList<VCardProperty> tels;
        const QString numbers = withLfBreaks(contact.contact);
        for (const QStringView number : QStringView(numbers).split(u'\n')) {
            if (!number.trimmed().isEmpty()) {
                tels.append(property(QStringLiteral("TEL"), escapeValue(number.toString()),
                                     version == VCardVersion::V4
                                         ? QList<std::pair<QString, QString>>{{"VALUE", "text"}}
                                         : QList<std::pair<QString, QString>>{}));
            }
        }
        replaceAll(properties, QStringLiteral("TEL"), tels);
    }
    if (!unchanged(ContactColumn::Email)) {
        replacePreferred(properties, stored, QStringLiteral("EMAIL"), escapeValue(contact.email));
    }
    if (!unchanged(ContactColumn::Address)) {
        replacePreferred(properties, stored, QStringLiteral("ADR"),
                         contact.address.isEmpty()
                             ? QString()
                             : QStringLiteral(";;") + escapeValue(contact.address) +
                                   QStringLiteral(";;;;"));
    }
    if (!unchanged(ContactColumn::Company)) {
        replaceAll(properties, QStringLiteral("ORG"),
                   contact.company.isEmpty()
                       ? QList<VCardProperty>{}
                       : QList<VCardProperty>{
                             property(QStringLiteral("ORG"), escapeValue(contact.company))});
    }
    // The photo is the one in the photo folder; a photo given by URL stays
    // when there is none, and so does an inline one the caller keeps.
    QList<VCardProperty> photos;
    for (const VCardProperty& p : stored.properties) {
        if (p.name != u"PHOTO" || photo) {
            continue;
        }
        if (!p.isInlineBinary()) {
            photos.append(p);
        } else if (keepInlinePhoto) {
            photos.append(keptPhoto(p, version));
        }
    }
    if (photo) {
        photos.append(photoProperty(*photo, version));
    }
    replaceAll(properties, QStringLiteral("PHOTO"), photos);
    if (photo || !keepInlinePhoto) {
        replaceAll(properties, QStringLiteral("X-NORVANE-PHOTO"),
                   photo ? QList<VCardProperty>{property(QStringLiteral("X-NORVANE-PHOTO"),
                                                         escapeValue(contact.profile))}
                         : QList<VCardProperty>{});
    }

    VCard card;
    card.properties.reserve(properties.size() + 4);
    card.properties.append(property(QStringLiteral("VERSION"), version == VCardVersion::V4
                                                                   ? QStringLiteral("4.0")
                                                                   : QStringLiteral("3.0")));
    std::move(properties.begin(), properties.end(), std::back_inserter(card.properties));
    card.properties.append(property(QStringLiteral("UID"), escapeValue(uid)));
    card.properties.append(property(QStringLiteral("REV"), revision));
    card.properties.append(property(QStringLiteral("PRODID"), kProductId.toString()));
    return card;
}

namespace {

// Whether a line of the numbers holds nothing but blanks.
bool isBlankLine(QByteArrayView line)
{
    return isAscii(line) ? std::all_of(line.begin(), line.end(), isAsciiBlank)
                         : textFromUtf8(line).trimmed().isEmpty();
}

} // namespace

void appendContactCard(QByteArray& out, const ContactUtf8& texts, QByteArrayView uid,
                       const std::optional<EmbeddedPhoto>& photo, VCardVersion version,
                       const QString& revision)
{
    const auto text = [&](ContactColumn column) { return texts.text(column); };
    const bool v4 = version == VCardVersion::V4;
    CardBytesWriter line(out, 256 + 3 * texts.bytes().size() + 2 * uid.size() +
                                  (photo ? 2 * photo->bytes.size() : 0));
    line.line("BEGIN:VCARD\r\n");
    line.begin("VERSION").raw(v4 ? "4.0" : "3.0").end();
    line.begin("FN").escaped(text(ContactColumn::Name)).end();
    const NameWords name(text(ContactColumn::Name));
    line.begin("N")
        .escaped(name.family())
        .raw(";")
        .escaped(name.given())
        .raw(";;;")
        .escaped(name.suffix())
        .end();
    // One number a line; a line ends at LF, CR LF or a lone CR.
    const QByteArrayView numbers = text(ContactColumn::Contact);
    for (qsizetype from = 0; from <= numbers.size();) {
        qsizetype end = from;
        while (end < numbers.size() && numbers[end] != '\n' && numbers[end] != '\r') {
            ++end;
        }
        const QByteArrayView number = numbers.sliced(from, end - from);
        from =
            end +
            (end + 1 < numbers.size() && numbers[end] == '\r' && numbers[end + 1] == '\n' ? 2 : 1);
        if (!isBlankLine(number)) {
            line.begin(v4 ? "TEL;VALUE=text" : "TEL").escaped(number).end();
        }
    }
    if (!text(ContactColumn::Email).isEmpty()) {
        line.begin("EMAIL").escaped(text(ContactColumn::Email)).end();
    }
    if (!text(ContactColumn::Address).isEmpty()) {
        line.begin("ADR").raw(";;").escaped(text(ContactColumn::Address)).raw(";;;;").end();
    }
    if (!text(ContactColumn::Company).isEmpty()) {
        line.begin("ORG").escaped(text(ContactColumn::Company)).end();
    }
    if (photo) {
        line.begin("PHOTO");
        if (v4) {
            line.raw("data:image/").raw(photo->type.toLower()).raw(";base64,");
        } else {
            line.parameter(QStringLiteral("ENCODING"), QStringLiteral("b"))
                .parameter(QStringLiteral("TYPE"), photo->type);
        }
        line.raw(photo->bytes.toBase64()).end();
        line.begin("X-NORVANE-PHOTO").escaped(text(ContactColumn::Profile)).end();
    }
    line.begin("UID").escaped(uid).end();
    line.begin("REV").raw(revision).end();
    line.begin("PRODID").raw(kProductId).end();
    line.line("END:VCARD\r\n");
}

} // namespace norvane
