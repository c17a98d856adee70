#include "exchange/csv.h"

#include "exchange/text_decoding.h"

#include <QCoreApplication>
#include <algorithm>
#include <array>
#include <iterator>

namespace norvane {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("Csv", text);
}

const QByteArray kByteOrderMark("\xEF\xBB\xBF");

// Where a record's reading stands: inside a quoted field or not, and whether
// the field read so far is empty (only there does a quote open a field; a
// quote after other text, as in 24" or O"Neil, is a character of the field,
// as spreadsheets read it).
struct FieldState
{
    bool quoted = false;
    bool fieldEmpty = true;
};

// Reads the bytes of a record, or of one of its lines, from the state
// before them: each byte of a field's text goes to addByte, each separator
// to endField. Joining a record's lines and splitting it into fields both
// read it here, so that they agree on which quote opens a field.
template <class AddByte, class EndField>
void readFields(QByteArrayView bytes, char separator, FieldState& state, AddByte addByte,
                EndField endField)
{
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (state.quoted && c == '"' && i + 1 < bytes.size() && bytes[i + 1] == '"') {
            ++i; // a doubled quote inside quotes is one quote of the text
        } else if (state.quoted && c == '"') {
            state.quoted = false;
            continue;
        } else if (!state.quoted && c == '"' && state.fieldEmpty) {
            state.quoted = true;
            continue;
        } else if (!state.quoted && c == separator) {
            endField();
            state.fieldEmpty = true;
            continue;
        }
        addByte(c);
        state.fieldEmpty = false;
    }
}

// The record's fields. A desktop mail program writes its CSV in the Windows
// code page, and a spreadsheet on the Macintosh in its own, not UTF-8: a
// field that is not UTF-8 is read in the western code page given, as a vCard
// value without a character set is, and never loses its letters.
// A U+FEFF at a field's start is text too (only the file's first bytes can
// be a byte-order mark, and those were taken off already).
QStringList splitRecord(const QByteArray& record, char separator, WesternCodePage western)
{
    QStringList fields;
    QByteArray field;
    FieldState state;
    readFields(
        record, separator, state, [&field](char c) { field += c; },
        [&] {
            fields.append(decodeUnlabelled(field, western));
            field.clear();
        });
    fields.append(decodeUnlabelled(field, western));
    return fields;
}

int indexOf(const QStringList& header, const char* name)
{
    for (int i = 0; i < header.size(); ++i) {
        if (header[i].trimmed().compare(QLatin1String(name), Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

// Other names a list made by hand gives Norvane's columns, in the order of
// its own header. Some are columns of the mail programs' exports too; those
// exports hold others (Title, Display Name, Phonetic First Name), so they
// are never read as a list.
constexpr std::array<std::array<const char*, 19>, 6> kOwnColumnAliases{{
    {"Full Name", "Contact Name"},
    {"Postal Address", "Street Address", "Street", "Address Line 1", "Address 1"},
    {"Phone", "Phone Number", "Telephone", "Telephone Number", "Tel", "Mobile", "Mobile Phone",
     "Mobile Number", "Cell", "Cell Phone", "Number", "Home Phone", "Work Phone", "Business Phone",
     "Office Phone", "Other Phone", "Landline", "Phone 1", "Phone 2"},
    {"E-mail", "E-mail Address", "Email Address", "Mail"},
    {"Organization", "Organisation", "Company Name"},
    {},
}};

// Whether a trimmed header field is one of the names, in any case.
template <std::size_t N> bool isOneOf(const QString& name, const std::array<const char*, N>& names)
{
    return std::any_of(names.cbegin(), names.cend(), [&](const char* known) {
        return known && name.compare(QLatin1String(known), Qt::CaseInsensitive) == 0;
    });
}

// The index in Norvane's own header of the column a header field names, by
// its own name or another in use for it; -1 for none.
qsizetype ownColumnNamed(const QString& field, const QStringList& own)
{
    const QString name = field.trimmed();
    for (qsizetype column = 0; column < own.size(); ++column) {
        if (name.compare(own[column], Qt::CaseInsensitive) == 0 ||
            isOneOf(name, kOwnColumnAliases[static_cast<std::size_t>(column)])) {
            return column;
        }
    }
    return -1;
}

// A list made by hand may give a name or an address in parts, each in a
// column of its own; these are their names, in the order the parts are read
// (an address's street is its Address column).
using PartColumns = std::array<std::array<const char*, 5>, 5>;
constexpr PartColumns kNamePartColumns{{
    {"First Name", "Given Name", "Forename"},
    {"Middle Name", "Middle Names"},
    {"Last Name", "Family Name", "Surname"},
}};
constexpr PartColumns kAddressPartColumns{{
    {"Address Line 2", "Address 2", "Street 2"},
    {"City", "Town", "Town/City", "Locality"},
    {"County", "State", "Region", "Province"},
    {"Postcode", "Post Code", "Postal Code", "ZIP", "ZIP Code"},
    {"Country"},
}};

// Which of the parts a header field names; -1 for none.
qsizetype partNamed(const QString& field, const PartColumns& parts)
{
    const QString name = field.trimmed();
    for (std::size_t part = 0; part < parts.size(); ++part) {
        if (isOneOf(name, parts[part])) {
            return static_cast<qsizetype>(part);
        }
    }
    return -1;
}

// Where Norvane's own columns lie in a header, by their place in its own
// header (-1 for one left out), the columns of a name or an address given
// in parts, and every column of numbers (a mobile and a home number).
struct HandMadeColumns
{
    QList<int> own;
    QList<int> nameParts;    // in reading order, those there are
    QList<int> addressParts; // the same, after the street (the Address column)
    QList<int> numbers;
};

// The columns of a header that is Norvane's own, with any columns after it,
// or only its names, in any order and some left out (a list made by hand
// with the names the refusal of a header gives, or others in use for them,
// "Phone" say, a name or an address in parts, and numbers in several
// columns, which are read as lines). Nullopt for a header naming another
// column among them, a column other than the numbers twice, or a name both
// whole and in parts, whose values would be left out unseen, or naming
// nothing a contact is known by.
std::optional<HandMadeColumns> handMadeColumns(const QStringList& header)
{
    const QStringList own = norvaneCsvHeader();
    const auto named = [](const QString& field, const QString& name) {
        return field.trimmed().compare(name, Qt::CaseInsensitive) == 0;
    };
    if (header.size() >= own.size() &&
        std::equal(own.cbegin(), own.cend(), header.cbegin(),
                   [&](const QString& name, const QString& field) { return named(field, name); })) {
        return HandMadeColumns{{0, 1, 2, 3, 4, 5}, {}, {}, {}};
    }
    const qsizetype numbers = static_cast<qsizetype>(ContactColumn::Contact) - 1;
    QList<int> fields(own.size(), -1);
    QList<int> nameParts(kNamePartColumns.size(), -1);
    QList<int> addressParts(kAddressPartColumns.size(), -1);
    QList<int> numberFields;
    for (int at = 0; at < header.size(); ++at) {
        if (header[at].trimmed().isEmpty()) {
            continue; // the empty name of a trailing separator
        }
        const qsizetype known = ownColumnNamed(header[at], own);
        const qsizetype namePart = known < 0 ? partNamed(header[at], kNamePartColumns) : -1;
        const qsizetype addressPart =
            known < 0 && namePart < 0 ? partNamed(header[at], kAddressPartColumns) : -1;
        if (known < 0 && namePart < 0 && addressPart < 0) {
            return std::nullopt;
        }
        int& place = known >= 0      ? fields[known]
                     : namePart >= 0 ? nameParts[namePart]
                                     : addressParts[addressPart];
        if (place >= 0 && known != numbers) {
            return std::nullopt;
        }
        place = place >= 0 ? place : at;
        if (known == numbers) {
            numberFields.append(at);
        }
    }
    HandMadeColumns columns{fields, {}, {}, numberFields};
    const auto given = [](int at) { return at >= 0; };
    std::copy_if(nameParts.cbegin(), nameParts.cend(), std::back_inserter(columns.nameParts),
                 given);
    std::copy_if(addressParts.cbegin(), addressParts.cend(),
                 std::back_inserter(columns.addressParts), given);
    const auto at = [&](ContactColumn column) { return fields[static_cast<int>(column) - 1]; };
    const bool whole = at(ContactColumn::Name) >= 0;
    if ((whole && !columns.nameParts.isEmpty()) ||
        (!whole && columns.nameParts.isEmpty() && at(ContactColumn::Contact) < 0 &&
         at(ContactColumn::Email) < 0)) {
        return std::nullopt;
    }
    return columns;
}

// Whether a text begins "sep=", in any case.
bool beginsWithSep(QByteArrayView text)
{
    return text.size() >= 4 && qstrnicmp(text.data(), "sep=", 4) == 0;
}

// The separator a line "sep=;" or "sep=," names, as programs write it first
// for spreadsheets to read (again where files were joined into one). Every
// record is asked, so nothing is copied.
std::optional<char> namedSeparator(QByteArrayView line)
{
    if (line.startsWith(kByteOrderMark)) {
        line = line.sliced(kByteOrderMark.size());
    }
    line = line.trimmed();
    if (line.size() == 5 && beginsWithSep(line) && (line[4] == ';' || line[4] == ',')) {
        return line[4];
    }
    return std::nullopt;
}

// A web mail export puts several values in one field, split by " ::: ".
QStringList valuesOf(const QString& field)
{
    QStringList values;
    for (const QString& value : field.split(QStringLiteral(" ::: "))) {
        if (!value.trimmed().isEmpty()) {
            values.append(value.trimmed());
        }
    }
    return values;
}

} // namespace

CsvReader::CsvReader(QIODevice& device, WesternCodePage western)
    : m_lines(device), m_western(western)
{
}

std::optional<QStringList> CsvReader::next()
{
    m_error.clear();
    while (true) {
        QByteArray record;
        bool tooLong = false;
        bool readAny = false;
        m_recordLine = m_lineNumber + 1;
        // Physical lines are joined while a quoted field is open. Only each
        // new line is read, from where the last one left off: a quote that
        // never closes would otherwise have the record read again for every
        // line after it.
        FieldState state;
        do {
            const qsizetype before = record.size();
            if (!m_lines.appendLine(record, kLongestRecord, tooLong)) {
                break;
            }
            readAny = true;
            ++m_lineNumber;
            if (!tooLong) {
                readFields(
                    QByteArrayView(record).sliced(before), m_separator, state, [](char) {}, [] {});
            }
        } while (!tooLong && state.quoted);
        if (!readAny) {
            m_atEnd = true;
            return std::nullopt;
        }
        if (tooLong && m_lineNumber > m_recordLine) {
            // A quoted field ran on over many lines: a quote that does not
            // close. Where the records start again after it cannot be told,
            // and a line picked up in the middle of the field would be taken
            // in as a contact of its own, so the file is read no further.
            m_error = tr("a quoted field longer than %1 MB; a quote that does not close?")
                          .arg(kLongestRecord / (1024 * 1024));
            m_atEnd = true;
            return std::nullopt;
        }
        if (tooLong) {
            // The rest of the record went with the line that made it too long.
            m_error = tr("a record longer than %1 MB").arg(kLongestRecord / (1024 * 1024));
            return std::nullopt;
        }
        if (state.quoted) {
            m_error = tr("a quoted field that never ends");
            m_atEnd = true;
            return std::nullopt;
        }
        while (record.endsWith('\n') || record.endsWith('\r')) {
            record.chop(1);
        }
        if (const std::optional<char> named = namedSeparator(record)) {
            m_separator = m_first ? *named : m_separator;
            m_first = false;
            continue;
        }
        if (m_first) {
            m_first = false;
            if (record.startsWith(kByteOrderMark)) {
                record.remove(0, kByteOrderMark.size());
            }
            // Spreadsheets in languages whose decimal mark is a comma save
            // CSV with semicolons between the fields; saved as text (in
            // UTF-16, as "Unicode Text"), with tabs.
            if (!record.contains(',') && record.contains(';')) {
                m_separator = ';';
            } else if (!record.contains(',') && record.contains('\t')) {
                m_separator = '\t';
            }
        }
        // A spreadsheet saves the rows it once formatted as separators
        // alone: like an empty line, that is no record.
        QStringList fields = splitRecord(record, m_separator, m_western);
        if (std::any_of(fields.cbegin(), fields.cend(),
                        [](const QString& field) { return !field.trimmed().isEmpty(); })) {
            return fields;
        }
    }
}

namespace {

QByteArray csvField(const QString& text, bool alwaysQuoted)
{
    QByteArray field = text.toUtf8();
    if (alwaysQuoted || field.contains(',') || field.contains('"') || field.contains('\n') ||
        field.contains('\r') || field.startsWith(' ') || field.endsWith(' ')) {
        field.replace("\"", "\"\"");
        field = '"' + field + '"';
    }
    return field;
}

QByteArray csvLine(const QStringList& fields, bool firstQuoted)
{
    QByteArray out;
    for (int i = 0; i < fields.size(); ++i) {
        out += (i ? "," : "") + csvField(fields[i], i == 0 && firstQuoted);
    }
    return out;
}

} // namespace

QByteArray csvRecord(const QStringList& fields)
{
    // A record that would read as the line naming the separator ("sep=," or
    // one a byte-order mark or a tab comes before) gets its first field quoted.
    QByteArray out = csvLine(fields, false);
    if (namedSeparator(out)) {
        out = csvLine(fields, true);
    }
    return out + "\r\n";
}

QStringList norvaneCsvHeader()
{
    return {QStringLiteral("Name"),  QStringLiteral("Address"), QStringLiteral("Contact"),
            QStringLiteral("Email"), QStringLiteral("Company"), QStringLiteral("Photo")};
}

CsvMapping::Source CsvMapping::named(const QStringList& header,
                                     std::initializer_list<const char*> names, Join join,
                                     const char* separator)
{
    Source s;
    for (const char* name : names) {
        if (const int at = indexOf(header, name); at >= 0) {
            s.fields.append(at);
        }
    }
    s.join = join;
    s.separator = QString::fromLatin1(separator);
    return s;
}

// The fields a pattern names numbered 1 to 9 ("Phone %1 - Value").
CsvMapping::Source CsvMapping::numbered(const QStringList& header, const char* pattern, Join join)
{
    Source s;
    for (int n = 1; n <= 9; ++n) {
        const QByteArray name = QString::fromLatin1(pattern).arg(n).toLatin1();
        if (const int at = indexOf(header, name.constData()); at >= 0) {
            s.fields.append(at);
        }
    }
    s.join = join;
    return s;
}

// An address's parts, named by its kind and each part ("Home" " City").
CsvMapping::Source CsvMapping::addressOf(const QStringList& header, const char* kind,
                                         std::initializer_list<const char*> parts)
{
    Source s{{}, Join::Parts, QStringLiteral(", ")};
    for (const char* part : parts) {
        if (const int at = indexOf(header, (QByteArray(kind) + part).constData()); at >= 0) {
            s.fields.append(at);
        }
    }
    return s;
}

void CsvMapping::set(ContactColumn column, std::initializer_list<Source> alternatives)
{
    m_sources[static_cast<std::size_t>(column)] = alternatives;
}

// The web mail service's export, older (Name, Given Name) or current (First
// Name, no Name, and no e-mail columns when nobody has one).
void CsvMapping::mapWebMail(const QStringList& header)
{
    set(ContactColumn::Name,
        {named(header, {"Name"}, Join::Parts, " "),
         named(header, {"Given Name", "Additional Name", "Family Name"}, Join::Parts, " "),
         named(header, {"First Name", "Middle Name", "Last Name"}, Join::Parts, " ")});
    set(ContactColumn::Contact, {numbered(header, "Phone %1 - Value", Join::Lines)});
    set(ContactColumn::Email, {numbered(header, "E-mail %1 - Value", Join::FirstValue)});
    set(ContactColumn::Company, {named(header, {"Organization 1 - Name"}, Join::FirstValue),
                                 named(header, {"Organization Name"}, Join::FirstValue)});
    set(ContactColumn::Address,
        {named(header, {"Address 1 - Formatted"}, Join::Parts, ", "),
         named(header,
               {"Address 1 - PO Box", "Address 1 - Extended Address", "Address 1 - Street",
                "Address 1 - City", "Address 1 - Region", "Address 1 - Postal Code",
                "Address 1 - Country"},
               Join::Parts, ", ")});
}

// The desktop mail program's export.
void CsvMapping::mapDesktopMail(const QStringList& header)
{
    set(ContactColumn::Name,
        {named(header, {"First Name", "Middle Name", "Last Name"}, Join::Parts, " ")});
    set(ContactColumn::Contact,
        {named(header,
               {"Primary Phone", "Mobile Phone", "Business Phone", "Business Phone 2", "Home Phone",
                "Home Phone 2", "Car Phone", "Company Main Phone", "Other Phone"},
               Join::Lines)});
    set(ContactColumn::Email,
        {named(header, {"E-mail Address", "E-mail 2 Address", "E-mail 3 Address"},
               Join::FirstValue)});
    set(ContactColumn::Company, {named(header, {"Company"}, Join::FirstValue)});
    // The first of the three addresses that has a part, every line of its
    // street included.
    const std::initializer_list<const char*> parts = {
        " Street", " Street 2", " Street 3",    " Address PO Box",
        " City",   " State",    " Postal Code", " Country/Region"};
    set(ContactColumn::Address,
        {addressOf(header, "Business", parts), addressOf(header, "Home", parts),
         addressOf(header, "Other", parts)});
}

// The export of the mail client whose address books have a display name
// and a primary e-mail (older versions end every line with a comma).
void CsvMapping::mapMailClient(const QStringList& header)
{
    set(ContactColumn::Name, {named(header, {"Display Name"}, Join::FirstValue),
                              named(header, {"First Name", "Last Name"}, Join::Parts, " "),
                              named(header, {"Nickname"}, Join::FirstValue)});
    set(ContactColumn::Contact,
        {named(header, {"Mobile Number", "Work Phone", "Home Phone"}, Join::Lines)});
    set(ContactColumn::Email,
        {named(header, {"Primary Email", "Secondary Email"}, Join::FirstValue)});
    set(ContactColumn::Company, {named(header, {"Organization"}, Join::FirstValue)});
    const std::initializer_list<const char*> parts = {" Address", " Address 2", " City",
                                                      " State",   " ZipCode",   " Country"};
    set(ContactColumn::Address,
        {addressOf(header, "Home", parts), addressOf(header, "Work", parts)});
}

std::optional<CsvMapping> CsvMapping::forHeader(const QStringList& header)
{
    CsvMapping mapping;
    if (const std::optional<HandMadeColumns> columns = handMadeColumns(header)) {
        for (int column = 1; column < kContactColumnCount; ++column) {
            if (const int field = columns->own.at(column - 1); field >= 0) {
                mapping.m_sources[static_cast<std::size_t>(column)] = {
                    Source{{field}, Join::Verbatim, {}}};
            }
        }
        if (!columns->nameParts.isEmpty()) {
            mapping.set(ContactColumn::Name,
                        {Source{columns->nameParts, Join::Parts, QStringLiteral(" ")}});
        }
        if (!columns->addressParts.isEmpty()) {
            const int street = columns->own.at(static_cast<int>(ContactColumn::Address) - 1);
            QList<int> parts = columns->addressParts;
            if (street >= 0) {
                parts.prepend(street);
            }
            mapping.set(ContactColumn::Address, {Source{parts, Join::Parts, QStringLiteral(", ")}});
        }
        if (columns->numbers.size() > 1) {
            mapping.set(ContactColumn::Contact, {Source{columns->numbers, Join::Lines, {}}});
        }
        return mapping;
    }
    if (indexOf(header, "E-mail 1 - Value") >= 0 || indexOf(header, "Phone 1 - Value") >= 0 ||
        indexOf(header, "Given Name") >= 0) {
        mapping.mapWebMail(header);
        return mapping;
    }
    if (indexOf(header, "First Name") >= 0 && indexOf(header, "E-mail Address") >= 0) {
        mapping.mapDesktopMail(header);
        return mapping;
    }
    if (indexOf(header, "Display Name") >= 0 && indexOf(header, "Primary Email") >= 0) {
        mapping.mapMailClient(header);
        return mapping;
    }
    return std::nullopt;
}

QString CsvMapping::knownHeaders()
{
    return tr("Norvane's own (%1, or some of these in any order, "
              "also named Phone, E-mail, Organization, Full Name or Postal Address, "
              "or the name in First Name, Middle Name and Last Name, "
              "the address in Address, City, County, Postcode and Country); "
              "a web mail export (Name, Given Name, Family Name or First Name, Last Name; "
              "E-mail 1 - Value, Phone 1 - Value, Organization 1 - Name or Organization Name, "
              "Address 1 - Formatted); "
              "a desktop mail export (First Name, Middle Name, Last Name, E-mail Address, "
              "Mobile Phone, Business Phone, Home Phone, Company, Business Street, "
              "Business City, ...); "
              "a mail client's export (First Name, Last Name, Display Name, Primary Email, "
              "Work Phone, Home Phone, Mobile Number, Home Address, Organization, ...)")
        .arg(norvaneCsvHeader().join(QLatin1Char(',')));
}

QStringList CsvMapping::columnsWithoutPlace(const QStringList& header)
{
    const QStringList own = norvaneCsvHeader();
    QStringList without;
    bool anyKnown = false;
    for (const QString& field : header) {
        if (ownColumnNamed(field, own) >= 0 || partNamed(field, kNamePartColumns) >= 0 ||
            partNamed(field, kAddressPartColumns) >= 0) {
            anyKnown = true;
        } else if (!field.trimmed().isEmpty()) {
            without.append(field.trimmed());
        }
    }
    return anyKnown ? without : QStringList();
}

QString CsvMapping::joined(const Source& source, const QStringList& record) const
{
    if (source.join == Join::Verbatim) {
        return record.value(source.fields.value(0, -1));
    }
    QStringList values;
    for (const int field : source.fields) {
        const QString value = record.value(field);
        if (source.join == Join::Parts) {
            // A value over several lines (a formatted address) joins as parts too.
            for (const QString& line : value.split(QLatin1Char('\n'))) {
                if (!line.trimmed().isEmpty()) {
                    values.append(line.trimmed());
                }
            }
        } else {
            values += valuesOf(value);
        }
    }
    if (source.join == Join::FirstValue) {
        return values.value(0);
    }
    if (source.join == Join::Lines) {
        values.removeDuplicates(); // the primary number is also one of the others
    }
    return values.join(source.join == Join::Lines ? QStringLiteral("\n") : source.separator);
}

Contact CsvMapping::contact(const QStringList& record) const
{
    Contact contact;
    for (int column = 1; column < kContactColumnCount; ++column) {
        for (const Source& source : m_sources[static_cast<std::size_t>(column)]) {
            const QString value = joined(source, record);
            if (!value.isEmpty()) {
                contact.text(static_cast<ContactColumn>(column)) = value;
                break;
            }
        }
    }
    return contact;
}

// A header of named fields, split by commas, semicolons or tabs; control
// bytes other than a tab or a CR mean a binary file (a photo, an encrypted
// book), which is none.
bool looksLikeCsv(const QByteArray& firstLine)
{
    const bool binary = std::any_of(firstLine.cbegin(), firstLine.cend(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && c != '\t' && c != '\r') || byte == 0x7F;
    });
    return !binary &&
           (firstLine.contains(',') || firstLine.contains(';') || firstLine.contains('\t'));
}

} // namespace norvane
