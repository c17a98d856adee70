#pragma once

#include "data/contact.h"
#include "exchange/line_reading.h"
#include "exchange/text_decoding.h"

#include <QByteArray>
#include <QIODevice>
#include <QStringList>
#include <array>
#include <initializer_list>
#include <optional>

namespace norvane {

// Reads RFC 4180 records (fields in double quotes may hold commas, quotes
// doubled, and line breaks) one at a time, in UTF-8 with or without a
// byte-order mark. A header with semicolons and no comma makes the
// semicolon the separator; one with tabs and neither, the tab.
class CsvReader
{
public:
    // A field that is not UTF-8 is read in the western code page.
    explicit CsvReader(QIODevice& device, WesternCodePage western = WesternCodePage::Windows);

    // The next record, or nullopt at the end or on a broken one (then
    // error() says why; atEnd() tells them apart). Empty lines and rows of
    // empty fields are passed over. line() is where the record returned
    // last began.
    std::optional<QStringList> next();
    bool atEnd() const { return m_atEnd; }
    QString error() const { return m_error; }
    int line() const { return m_recordLine; }

    // The longest record read; a longer one is refused and skipped, unless
    // a quoted field made it so long over many lines: that ends the reading.
    static constexpr qsizetype kLongestRecord = 32 * 1024 * 1024;

private:
    LineReader m_lines;
    int m_lineNumber = 0;
    int m_recordLine = 0;
    bool m_atEnd = false;
    bool m_first = true;
    char m_separator = ','; // or ';' or '\t', as the header says
    WesternCodePage m_western;
    QString m_error;
};

// Writes one record, quoting the fields that need it, ending in CR LF.
QByteArray csvRecord(const QStringList& fields);

// The header Norvane writes, and maps back to the six columns.
QStringList norvaneCsvHeader();

// How a CSV's columns make a contact, chosen by its header: Norvane's own,
// or the exports of the common web mail, desktop mail and mail client
// programs.
class CsvMapping
{
public:
    // The mapping for this header, or nullopt when no known layout fits.
    static std::optional<CsvMapping> forHeader(const QStringList& header);
    // The headers recognised, for the message that refuses another one.
    static QString knownHeaders();
    // The columns of a refused header that reads as a list made by hand but
    // for them (a "Notes" beside "Name" and "Phone"); empty for another.
    static QStringList columnsWithoutPlace(const QStringList& header);

    // The six values of a record (the photo as a file name of IMG/, for
    // Norvane's own layout only).
    Contact contact(const QStringList& record) const;

private:
    // How the CSV columns behind a contact column are joined.
    enum class Join {
        Verbatim,   // one column, its value exactly (Norvane's own layout)
        FirstValue, // the first value found
        Lines,      // every value, one per line (numbers)
        Parts,      // the non-empty values joined with the separator
    };
    struct Source
    {
        QList<int> fields;
        Join join = Join::Parts;
        QString separator;
    };
    QString joined(const Source& source, const QStringList& record) const;

    // The fields of a header with these names, in this order.
    static Source named(const QStringList& header, std::initializer_list<const char*> names,
                        Join join, const char* separator = "");
    static Source numbered(const QStringList& header, const char* pattern, Join join);
    static Source addressOf(const QStringList& header, const char* kind,
                            std::initializer_list<const char*> parts);
    void set(ContactColumn column, std::initializer_list<Source> alternatives);
    void mapWebMail(const QStringList& header);
    void mapDesktopMail(const QStringList& header);
    void mapMailClient(const QStringList& header);

    // For each column of Contact, sources tried in order: the first that
    // gives a value makes it.
    std::array<QList<Source>, kContactColumnCount> m_sources;
};

// Whether the first line looks like a CSV header (two or more fields,
// separated by commas, semicolons or tabs).
bool looksLikeCsv(const QByteArray& firstLine);

} // namespace norvane
