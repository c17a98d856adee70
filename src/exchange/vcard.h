#pragma once

#include "exchange/line_reading.h"

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QString>
#include <QStringConverter>
#include <QStringList>
#include <optional>
#include <string>

namespace norvane {

// One content line of a card, its value already decoded from
// quoted-printable and its character set: "item1.TEL;TYPE=cell:+44 7700".
struct VCardProperty
{
    QString group; // "item1", or empty
    QString name;  // upper case: "TEL"
    QList<std::pair<QString, QString>>
        params;    // names upper case; a bare 2.1 "HOME" is ("TYPE", "HOME")
    QString value; // as written, escapes kept

    // The values of a parameter, split at commas ("TYPE=HOME,VOICE").
    QStringList param(const QString& name) const;
    // The first value of a parameter whose value is one text (an address's
    // LABEL), as written: commas, backslashes and carets kept.
    QString paramText(const QString& name) const;
    // How much the card prefers it: a 4.0 PREF value (1 is most), 1 for a
    // 3.0 TYPE=pref or a bare 2.1 PREF, 101 when not preferred at all.
    int preference() const;
    // The value unescaped (\n, \, \; \\) as one text.
    QString text() const;
    // The value split at unescaped ';' into unescaped parts (N, ADR, ORG).
    QStringList components() const;
    // Those parts that hold more than blanks, joined; a value of one plain
    // part is the value itself, shared.
    QString joinedComponents(QStringView separator) const;
    // Whether the value is inline binary (base64, or a data: URI).
    bool isInlineBinary() const;
    // The bytes of an inline binary value; empty when it does not decode.
    QByteArray binary() const;
};

struct VCard
{
    QList<VCardProperty> properties;
    int line = 0; // where BEGIN:VCARD stands in its file

    const VCardProperty* first(const QString& name) const;
    // The most preferred property of that name; of equals, the first.
    const VCardProperty* preferred(const QString& name) const;
    QList<const VCardProperty*> all(const QString& name) const;
    QString version() const;
};

// Reads the cards of a vCard file (2.1, 3.0 or 4.0) one at a time, holding
// only the card being read. A card it cannot read is refused with its line
// and reason, and reading goes on with the next card.
class VCardReader
{
public:
    explicit VCardReader(QIODevice& device);

    // The next card, or nullopt at the end of the file or for a refused card
    // (then error() says why and errorLine() where; atEnd() tells them apart).
    std::optional<VCard> next();
    bool atEnd() const { return m_atEnd; }
    QString error() const { return m_error; }
    int errorLine() const { return m_errorLine; }

    // The bytes of the card next() returned last, from BEGIN:VCARD to
    // END:VCARD with their line ends, exactly as read; empty when the card
    // was longer than kLongestKeptCard. Valid until the next call of next().
    QByteArrayView cardBytes() const { return QByteArrayView(m_cardBytes); }

    // The longest content line read, once unfolded; longer ones refuse their card.
    static constexpr qsizetype kLongestLine = 32 * 1024 * 1024;
    // The longest card whose bytes cardBytes() keeps (a card with a photo is
    // longer, and its bytes are not asked for).
    static constexpr qsizetype kLongestKeptCard = 64 * 1024;

private:
    // Lines are read into buffers that keep their room from line to line
    // (they are swapped, never copied), so that reading allocates nothing
    // once the longest line has been seen.
    struct Line
    {
        // Swaps the buffers themselves, not copies of them.
        void swap(Line& other) noexcept
        {
            bytes.swap(other.bytes);
            raw.swap(other.raw);
            std::swap(number, other.number);
            std::swap(tooLong, other.tooLong);
            std::swap(rawKept, other.rawKept);
        }

        std::string bytes; // without its line end
        std::string raw;   // as read, line ends included; empty when too long to keep
        int number = 0;
        bool tooLong = false;
        bool rawKept = true;
    };
    bool readPhysical(Line& line);
    bool readLogical(Line& line);
    void keepCardBytes(const Line& line);
    // Makes the line the next one readLogical() gives.
    void giveBack(Line& line);
    std::optional<VCard> refuse(int line, const QString& reason);

    LineReader m_lines;
    Line m_line;    // the content line being looked at
    Line m_pending; // the physical line read ahead while unfolding
    Line m_unread;  // a content line given back, read again next
    bool m_hasPending = false;
    bool m_hasUnread = false;
    std::string m_cardBytes;     // of the card being read, as read so far
    bool m_cardBytesKept = true; // false once it grew beyond kLongestKeptCard
    int m_lineNumber = 0;
    bool m_atEnd = false;
    bool m_firstLine = true;
    QString m_error;
    int m_errorLine = 0;
};

// Parses one unfolded content line into a new property; false with a reason
// when it is broken.
bool parseContentLine(QByteArrayView line, VCardProperty& property, QString& reason);

// Writes a card: lines folded at 75 octets, UTF-8, CR LF.
QByteArray writeVCard(const VCard& card);
// The same, appended to what the buffer holds.
void appendVCard(QByteArray& out, const VCard& card);

// Writes content lines straight into a buffer: UTF-8, folded at 75 octets,
// CR LF. A line is begun, given its parameters, then its value in pieces,
// and ended.
class ContentLineWriter
{
public:
    explicit ContentLineWriter(QByteArray& out) : m_out(out) {}

    ContentLineWriter& begin(QStringView group, QStringView name);
    ContentLineWriter& parameter(const QString& name, const QString& value);
    // A piece of the value as it is written.
    ContentLineWriter& raw(QStringView value);
    void end();

private:
    void startValue();

    QByteArray& m_out;
    qsizetype m_start = 0;
    bool m_inValue = false;
};

// The same rules, written through a pointer into room made ahead: the cards
// Norvane makes itself are written this way, a whole book of them at a time.
// The buffer holds what was written once the writer is gone.
class CardBytesWriter
{
public:
    // room: about how many bytes the card takes (more is made when needed).
    CardBytesWriter(QByteArray& out, qsizetype room);
    ~CardBytesWriter();
    CardBytesWriter(const CardBytesWriter&) = delete;
    CardBytesWriter& operator=(const CardBytesWriter&) = delete;

    // A line that needs no folding, its CR LF included ("BEGIN:VCARD\r\n").
    void line(QByteArrayView whole);
    CardBytesWriter& begin(QByteArrayView name);
    CardBytesWriter& parameter(const QString& name, const QString& value);
    CardBytesWriter& raw(QByteArrayView utf8);
    CardBytesWriter& raw(QStringView text);
    CardBytesWriter& escaped(QByteArrayView utf8);
    void end();

private:
    // Makes sure that size more bytes fit.
    void makeRoom(qsizetype size)
    {
        if (m_end - m_to < size) {
            grow(size);
        }
    }
    void grow(qsizetype size);
    void startValue();

    QByteArray& m_out;
    char* m_to = nullptr;
    char* m_end = nullptr;
    char* m_lineStart = nullptr;
    bool m_inValue = false;
};

// Escapes a text for a property value (\\ \, \; \n).
QString escapeValue(const QString& text);

// Whether the device's first line (after a byte-order mark) begins a vCard.
bool looksLikeVCard(const QByteArray& firstLine);

} // namespace norvane
