// Import and export through real encrypted books: the vCard dialects met in
// the wild and bad input, round trips through every format, what a card
// holds beyond the six columns, and the one transaction an import is.
#include "contacts/photo_store.h"
#include "data/connection_text.h"
#include "data/database.h"
#include "exchange/book_exchange.h"
#include "exchange/card_mapping.h"
#include "exchange/sip_hash.h"
#include "exchange/vcard.h"
#include "support/test_folder.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QStringEncoder>
#include <QTest>

using namespace norvane;
using namespace norvane::testing;

namespace {

std::unique_ptr<Database> openBook(const TestFolder& folder)
{
    QString reason;
    auto db = Database::open(folder.databasePath(), databasePassword(), reason);
    if (!db) {
        qWarning("%s", qPrintable(reason));
    }
    return db;
}

// Imports the bytes as one file of the folder.
ImportReport importBytes(const TestFolder& folder, const QByteArray& bytes, bool* ok = nullptr)
{
    const QString file = QDir(folder.path()).filePath(QStringLiteral("input"));
    writeFile(file, bytes);
    ImportReport report;
    const auto db = openBook(folder);
    const Status imported =
        importFiles(*db, QDir(folder.path()).filePath(QStringLiteral("IMG")), {file}, report);
    if (ok) {
        *ok = imported.ok();
    }
    return report;
}

QByteArray exportBook(const TestFolder& folder, ExportFormat format,
                      std::optional<qint64> onlyId = std::nullopt)
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    const auto db = openBook(folder);
    const Status written = exportContacts(*db, QDir(folder.path()).filePath(QStringLiteral("IMG")),
                                          format, out, onlyId);
    return written.ok() ? out.data() : QByteArray("export failed: ") + written.reason().toUtf8();
}

// The five texts of each contact, "|" between them.
QStringList texts(const QList<Contact>& contacts)
{
    QStringList rows;
    for (const Contact& c : contacts) {
        rows.append(QStringList{c.name, c.address, c.contact, c.email, c.company}.join(u'|'));
    }
    return rows;
}

// The distinct UID lines of exported cards.
QSet<QByteArray> uidLines(const QByteArray& cards)
{
    QSet<QByteArray> uids;
    for (const QByteArray& line : cards.split('\n')) {
        if (line.startsWith("UID:")) {
            uids.insert(line);
        }
    }
    return uids;
}

QByteArray pngBase64Folded()
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    const QByteArray base64 = png.toBase64();
    QByteArray folded;
    for (qsizetype at = 0; at < base64.size(); at += 60) {
        folded += (at ? "\r\n " : "") + base64.mid(at, 60);
    }
    return folded;
}

} // namespace

class ExchangeTest : public QObject
{
    Q_OBJECT

private slots:
    void importsWhatProgramsWrite_data();
    void importsWhatProgramsWrite();
    void roundTripsThroughEveryFormat_data();
    void roundTripsThroughEveryFormat();
    void exportsWhatNorvaneDoesNotShow_data();
    void exportsWhatNorvaneDoesNotShow();
    void reimportChangesNothingAndARemovalTakesTheCard();
    void takesTwoCardsOfOneUidAsTwoContacts();
    void readsEachColumnByNameWhateverTheTablesOrder_data();
    void readsEachColumnByNameWhateverTheTablesOrder();
    void importsNothingIntoATableNotKeyedByItsId();
    void aFailedImportWritesNothing_data();
    void aFailedImportWritesNothing();
    void writesAPlainContactAsTheFullMappingDoes_data();
    void writesAPlainContactAsTheFullMappingDoes();
    void derivesTheStructuredNameAsPeopleWriteIt_data();
    void derivesTheStructuredNameAsPeopleWriteIt();
    void exportsABrokenTextAsItReads();
    void hashesAsTheSipHashReference_data();
    void hashesAsTheSipHashReference();
    void keepsEachContactsUidFromOneExportToTheNext();
    void keepsTheTextOfEveryCardItCouldNotWriteAlike();
    void storesACardsPhotoUnderANameEverySystemReads_data();
    void storesACardsPhotoUnderANameEverySystemReads();
    void neverExportsOverTheBookOrItsPhotos_data();
    void neverExportsOverTheBookOrItsPhotos();
    void namesEveryPhotoAnExportLeavesOut_data();
    void namesEveryPhotoAnExportLeavesOut();
    void keepsACardsPhotoUnlessTakenAwayHere_data();
    void keepsACardsPhotoUnlessTakenAwayHere();
};

void ExchangeTest::importsWhatProgramsWrite_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("photo");
    QTest::addColumn<QString>("problem");
    const QString none;

    QTest::newRow("phone 2.1, quoted-printable with soft breaks")
        << QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\n"
                      "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=C3=96zt=C3=BCrk;Ay=\r\n"
                      "=C5=9Fe;;;\r\n"
                      "TEL;CELL:0212-555-0101\r\nTEL;CELL;PREF:+90 532 111 22 33\r\nEND:VCARD\r\n")
        << QStringList{QString::fromUtf8("Ayşe Öztürk||+90 532 111 22 33\n0212-555-0101||")}
        << false << none;
    // The colon that ends the head comes in a folded line, after a line
    // ending in "=" inside a quoted parameter.
    QTest::newRow("2.1, quoted-printable whose head is folded within quotes")
        << QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\nFN;X-A=\"x=\r\n"
                      " :y\";CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Ann=\r\n"
                      "=C3=A9 Lee\r\nTEL:1\r\nEND:VCARD\r\n")
        << QStringList{QString::fromUtf8("Anné Lee||1||")} << false << none;
    // A group lists its members; taken in as a contact, its removal would
    // reach the group wherever it is synced.
    QTest::newRow("4.0 group card beside a contact")
        << QByteArray("BEGIN:VCARD\r\nVERSION:4.0\r\nKIND:group\r\nFN:Family\r\n"
                      "MEMBER:urn:uuid:a1\r\nEND:VCARD\r\n"
                      "BEGIN:VCARD\r\nVERSION:4.0\r\nKIND:individual\r\nUID:urn:uuid:a1\r\n"
                      "FN:Ann\r\nTEL:1\r\nEND:VCARD\r\n")
        << QStringList{"Ann||1||"} << false << "input:1: a group of contacts, not a contact";
    QTest::newRow("3.0 group card, as a phone maker's address book writes it")
        << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Work\r\nFN:Work\r\n"
                      "X-ADDRESSBOOKSERVER-KIND:Group\r\nX-ADDRESSBOOKSERVER-MEMBER:urn:uuid:a1\r\n"
                      "END:VCARD\r\n")
        << QStringList{} << false << "input:1: a group of contacts, not a contact";
    QTest::newRow("phone 2.1, an e-mail only")
        << QByteArray("BEGIN:VCARD\nVERSION:2.1\nEMAIL;INTERNET:only@example.org\nEND:VCARD\n")
        << QStringList{"only@example.org|||only@example.org|"} << false << none;
    QTest::newRow("phone 2.1, a name of one letter repeated")
        << QByteArray("BEGIN:VCARD\nVERSION:2.1\nN:;AAAA;;;\nTEL:5\nEND:VCARD\n")
        << QStringList{"AAAA||5||"} << false << none;
    QTest::newRow("phone maker 3.0, groups, labels, a folded photo")
        << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lee;Ann;;;\r\nFN:Ann Lee\r\n"
                      "item1.TEL;type=CELL;type=VOICE;type=pref:+44 7700 900123\r\n"
                      "item1.X-ABLabel:_$!<Mobile>!$_\r\n"
                      "item2.EMAIL;type=INTERNET:ann@example.com\r\nitem2.X-ABLabel:work\r\n"
                      "PHOTO;ENCODING=b;TYPE=PNG:" +
                      pngBase64Folded() + "\r\nEND:VCARD\r\n")
        << QStringList{"Ann Lee||+44 7700 900123|ann@example.com|"} << true << none;
    QTest::newRow("desktop mail 2.1, windows-1252 and ISO-8859-1")
        << QByteArray(
               "BEGIN:VCARD\r\nVERSION:2.1\r\nFN;CHARSET=windows-1252:Jos\xe9 M\xfcller \x80\r\n"
               "ADR;HOME;CHARSET=ISO-8859-1:;;Stra\xdf"
               "e 1;K\xf6ln;;50667;Germany\r\n"
               "END:VCARD\r\n")
        << QStringList{QString::fromUtf8("José Müller €|Straße 1, Köln, 50667, Germany|||")}
        << false << none;
    QTest::newRow("2.1 labelled UTF-8 and ASCII, written in windows-1252")
        << QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=UTF-8:M\xfcller;J\xfcrgen\r\n"
                      "ADR;CHARSET=US-ASCII:;;Stra\xdf"
                      "e 1;K\xf6ln\r\nORG;CHARSET=US-ASCII:Caf\xc3\xa9\r\nTEL:1\r\nEND:VCARD\r\n")
        << QStringList{QString::fromUtf8("Jürgen Müller|Straße 1, Köln|1||Café")} << false << none;
    QTest::newRow("2.1 labelled UTF-8, a windows-1252 letter last, plain and quoted-printable")
        << QByteArray(
               "BEGIN:VCARD\r\nVERSION:2.1\r\nFN;CHARSET=UTF-8:Ren\xe9\r\n"
               "ORG;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Caf=E9\r\nTEL:1\r\nEND:VCARD\r\n")
        << QStringList{QString::fromUtf8("René||1||Café")} << false << none;
    QTest::newRow("web mail 3.0, several cards in one file")
        << QByteArray("BEGIN:VCARD\nVERSION:3.0\nFN:One\nEND:VCARD\n"
                      "BEGIN:VCARD\nVERSION:3.0\nFN:Two\nORG:Acme Ltd;Sales\nEND:VCARD\n")
        << QStringList{"One||||", "Two||||Acme Ltd, Sales"} << false << none;
    QTest::newRow("desktop address book 3.0, type lists and X- properties")
        << QByteArray("BEGIN:VCARD\nVERSION:3.0\nFN:Bo Ek\nTEL;TYPE=HOME,VOICE:555-1000\n"
                      "TEL;TYPE=work;TYPE=pref:555-2000\nX-ABUID:12AB\nEND:VCARD\n")
        << QStringList{"Bo Ek||555-2000\n555-1000||"} << false << none;
    QTest::newRow("4.0, PREF=1 wins over PREF=2")
        << QByteArray("BEGIN:VCARD\nVERSION:4.0\nFN:Cy\nEMAIL;PREF=2:b@example.org\n"
                      "EMAIL;PREF=1:a@example.org\nEND:VCARD\n")
        << QStringList{"Cy|||a@example.org|"} << false << none;
    QTest::newRow("lower-case names, byte-order mark, LF only")
        << QByteArray("\xEF\xBB\xBF"
                      "begin:vcard\nversion:3.0\nfn:Di\ntel:123\nend:vcard\n")
        << QStringList{"Di||123||"} << false << none;
    QTest::newRow("files joined, each with its byte-order mark")
        << QByteArray("\xEF\xBB\xBF"
                      "BEGIN:VCARD\nFN:One\nEND:VCARD\n\xEF\xBB\xBF\n\xEF\xBB\xBF"
                      "BEGIN:VCARD\nFN:Two\nEND:VCARD\n")
        << QStringList{"One||||", "Two||||"} << false << none;
    QTest::newRow("the example of RFC 6350")
        << QByteArray("BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Simon Perreault\r\n"
                      "N:Perreault;Simon;;;ing. jr,M.Sc.\r\nBDAY:--0203\r\n"
                      "ORG;TYPE=work:Viagenie\r\n"
                      "ADR;TYPE=work:;Suite D2-630;2875 Laurier;\r\n Quebec;QC;G1V 2M2;Canada\r\n"
                      "TEL;VALUE=uri;TYPE=\"work,voice\";PREF=1:tel:+1-418-656-9254;ext=102\r\n"
                      "TEL;VALUE=uri;TYPE=\"work,cell,voice,video,text\":tel:+1-418-262-6501\r\n"
                      "EMAIL;TYPE=work:simon.perreault@viagenie.ca\r\n"
                      "GEO;TYPE=work:geo:46.772673,-71.282945\r\nEND:VCARD\r\n")
        << QStringList{"Simon Perreault|Suite D2-630, 2875 Laurier, Quebec, QC, G1V 2M2, "
                       "Canada|+1-418-656-9254;ext=102\n+1-418-262-6501|"
                       "simon.perreault@viagenie.ca|Viagenie"}
        << false << none;
    // An address given only as its label, lines escaped as RFC 6350's
    // example and RFC 6868 write them; a number as a URI with an escape.
    QTest::newRow("4.0 address in its label alone, number as a tel: URI")
        << QByteArray("BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Lab One\r\n"
                      "ADR;LABEL=\"Flat 2, 1 Main St\\nAny Town\\n\":;;;;;;\r\n"
                      "TEL;VALUE=uri:tel:+44%20131%20555\r\nEND:VCARD\r\n"
                      "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Lab Two\r\n"
                      "ADR;TYPE=home;LABEL=\"The ^'Old^' Mill^n^^2 Lane\":;;;;;;\r\n"
                      "TEL;VALUE=text:tel:%20 as typed\r\nEND:VCARD\r\n")
        << QStringList{"Lab One|Flat 2, 1 Main St\nAny Town|+44 131 555||",
                       "Lab Two|The \"Old\" Mill\n^2 Lane|tel:%20 as typed||"}
        << false << none;
    QTest::newRow("the example of RFC 2426")
        << QByteArray("BEGIN:vCard\r\nVERSION:3.0\r\nFN:Frank Dawson\r\n"
                      "ORG:Lotus Development Corporation\r\n"
                      "ADR;TYPE=WORK,POSTAL,PARCEL:;;6544 Battleford Drive\r\n"
                      " ;Raleigh;NC;27613-3502;U.S.A.\r\n"
                      "TEL;TYPE=VOICE,MSG,WORK:+1-919-676-9515\r\n"
                      "EMAIL;TYPE=INTERNET:fdawson@earthlink.net\r\n"
                      "EMAIL;TYPE=INTERNET,PREF:Frank_Dawson@Lotus.com\r\nEND:vCard\r\n")
        << QStringList{"Frank Dawson|6544 Battleford Drive, Raleigh, NC, 27613-3502, "
                       "U.S.A.|+1-919-676-9515|Frank_Dawson@Lotus.com|Lotus Development "
                       "Corporation"}
        << false << none;
    QTest::newRow("CSV, Norvane's own, quoted commas, quotes and line breaks")
        << QByteArray("\xEF\xBB\xBFName,Address,Contact,Email,Company,Photo\r\n"
                      "\"Lee, Ann\",\"1 \"\"Mill\"\" Lane\",\"1\r\n2\",a@b.c,,\r\n")
        << QStringList{"Lee, Ann|1 \"Mill\" Lane|1\r\n2|a@b.c|"} << false << none;
    QTest::newRow("CSV, a quoted field over three lines, then one that never ends")
        << QByteArray("Name,Address,Contact,Email,Company,Photo\n"
                      "Ann,\"1 \"\"A\"\"\nB \"\"C\"\"\nD\",5,,,\n\"Bo,2,6,,,\n")
        << QStringList{"Ann|1 \"A\"\nB \"C\"\nD|5||"} << false
        << "input:5: a quoted field that never ends";
    QTest::newRow("CSV, a quote after other text is a character of the field")
        << QByteArray("Name,Address,Contact,Email,Company,Photo\n"
                      "Bo,24\" Rd,6,,,\nO\"Neil,3 Rd,7,,,\nCy,\"5 \"\"A\"\" St\",8,,,\n")
        << QStringList{"Bo|24\" Rd|6||", "O\"Neil|3 Rd|7||", "Cy|5 \"A\" St|8||"} << false << none;
    QTest::newRow("CSV, rows of empty fields, as spreadsheets save them")
        << QByteArray(";;;;;\nName;Address;Contact;Email;Company;Photo\n;;;;;\n"
                      "Al;1 Rd;5;;;\n ; ;;;;\n\"\";;;;;\n\n")
        << QStringList{"Al|1 Rd|5||"} << false << none;
    QTest::newRow("CSV files joined, each with its header and byte-order mark")
        << QByteArray("\xEF\xBB\xBFName,Address,Contact,Email,Company,Photo\nAl,,5,,,\n"
                      "\xEF\xBB\xBFName,Address,Contact,Email,Company,Photo\nBo,,6,,,\n")
        << QStringList{"Al||5||", "Bo||6||"} << false << none;
    QTest::newRow("CSV, a web mail export")
        << QByteArray("Name,Given Name,Family Name,E-mail 1 - Value,Phone 1 - Value,"
                      "Organization 1 - Name,Address 1 - Formatted\n"
                      ",Eva,Berg,eva@example.org ::: e@example.org,1 ::: 2,Berg AB,\"Gata 1\n"
                      "Lund\"\n")
        << QStringList{"Eva Berg|Gata 1, Lund|1\n2|eva@example.org|Berg AB"} << false << none;
    QTest::newRow("CSV, the web mail service's current export, without e-mails")
        << QByteArray("First Name,Middle Name,Last Name,Phonetic First Name,Name Prefix,Nickname,"
                      "Organization Name,Organization Title,Labels,Phone 1 - Label,"
                      "Phone 1 - Value,Address 1 - Label,Address 1 - Formatted\n"
                      "Eva,Maj,Berg,,,,Berg AB,CEO,* myContacts,Mobile,+46 70 ::: +46 8,Home,"
                      "\"Gata 1\nLund\"\n")
        << QStringList{"Eva Maj Berg|Gata 1, Lund|+46 70\n+46 8||Berg AB"} << false << none;
    QTest::newRow("CSV, the web mail export's fifth number and second e-mail")
        << QByteArray("Name,E-mail 1 - Value,E-mail 2 - Value,Phone 1 - Value,Phone 5 - Value\n"
                      "Al,,al@example.org,1,5 ::: 1\n")
        << QStringList{"Al||1\n5|al@example.org|"} << false << none;
    QTest::newRow("CSV, a desktop mail export's primary, second and car numbers")
        << QByteArray("First Name,Last Name,E-mail Address,E-mail 2 Address,Primary Phone,"
                      "Mobile Phone,Home Phone 2,Car Phone,Company\n"
                      "Jo,Dee,,jo2@example.org,07700,07700,0131 2,0777,Dee Ltd\n")
        << QStringList{"Jo Dee||07700\n0131 2\n0777|jo2@example.org|Dee Ltd"} << false << none;
    QTest::newRow("CSV, a desktop mail export")
        << QByteArray("First Name,Middle Name,Last Name,E-mail Address,Mobile Phone,Home Phone,"
                      "Company,Business Street,Business City\nJo,,Dee,jo@example.org,07700,0131,"
                      "Dee Ltd,1 High St,Leith\n")
        << QStringList{"Jo Dee|1 High St, Leith|07700\n0131|jo@example.org|Dee Ltd"} << false
        << none;
    QTest::newRow("CSV, a desktop mail export's street lines, PO box and other address")
        << QByteArray("First Name,Last Name,E-mail Address,Home Street,Home Street 2,Home Street 3,"
                      "Home Address PO Box,Home City,Home Country/Region,Other Street,Other City\n"
                      "Jo,Dee,,Flat 2,1 High St,Rear,PO 9,Leith,UK,,\n"
                      "Al,Bo,,,,,,,,3 Low Rd,Ayr\n")
        << QStringList{"Jo Dee|Flat 2, 1 High St, Rear, PO 9, Leith, UK|||",
                       "Al Bo|3 Low Rd, Ayr|||"}
        << false << none;
    // Older versions end each line with a comma; a record without a display
    // name is named by its first and last names.
    QTest::newRow("CSV, a mail client's export")
        << QByteArray("First Name,Last Name,Display Name,Nickname,Primary Email,Secondary Email,"
                      "Screen Name,Work Phone,Home Phone,Fax Number,Pager Number,Mobile Number,"
                      "Home Address,Home Address 2,Home City,Home State,Home ZipCode,Home Country,"
                      "Work Address,Work Address 2,Work City,Work State,Work ZipCode,Work Country,"
                      "Job Title,Department,Organization,Notes,\n"
                      "Jo,Dee,\"Dee, Jo\",,,jo2@example.org,,0131 2,,0131 9,,07700,,,,,,,"
                      "1 High St,Unit 4,Leith,,EH6,UK,,,Dee Ltd,,\n"
                      "Al,Bo,,,al@example.org,,,,0141,,,,3 Low Rd,,Ayr,,,,,,,,,,,,,met,\n")
        << QStringList{"Dee, Jo|1 High St, Unit 4, Leith, EH6, UK|07700\n0131 2|jo2@example.org|"
                       "Dee Ltd",
                       "Al Bo|3 Low Rd, Ayr|0141|al@example.org|"}
        << false << none;
    QTest::newRow("CSV, a web mail export's address in parts")
        << QByteArray("Name,E-mail 1 - Value,Address 1 - Formatted,Address 1 - Street,"
                      "Address 1 - Extended Address,Address 1 - PO Box,Address 1 - City\n"
                      "Eva,,,Gata 1,Lgh 4,Box 7,Lund\n")
        << QStringList{"Eva|Box 7, Lgh 4, Gata 1, Lund|||"} << false << none;
    QTest::newRow("CSV, a desktop mail export in the Windows code page")
        << QByteArray("First Name,Middle Name,Last Name,E-mail Address,Mobile Phone,Home Phone,"
                      "Company,Business Street,Business City\nJ\xfcrgen,,M\xfcller,j@example.org,"
                      "0170,,Caf\xe9 \x80 GmbH,Stra\xdf"
                      "e 1,K\xf6ln\n")
        << QStringList{QString::fromUtf8("Jürgen Müller|Straße 1, Köln|0170|j@example.org|"
                                         "Café € GmbH")}
        << false << none;
    QTest::newRow("CSV, UTF-8 fields beside Windows code page ones")
        << QByteArray("Name,Address,Contact,Email,Company,Photo\r\nZo\xc3\xab,Stra\xdf"
                      "e 2,1,,,\r\n")
        << QStringList{QString::fromUtf8("Zoë|Straße 2|1||")} << false << none;
    // Some Windows programs save their cards and CSV as UTF-16.
    const QString sixteen = QString::fromUtf8("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ünal 😀 Özer\r\n"
                                              "TEL:+90 555\r\nEND:VCARD\r\n");
    QStringEncoder littleEndian(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    QTest::newRow("vCard in UTF-16, little-endian")
        << QByteArray(littleEndian.encode(sixteen))
        << QStringList{QString::fromUtf8("Ünal 😀 Özer||+90 555||")} << false << none;
    QStringEncoder bigEndian(QStringConverter::Utf16BE, QStringConverter::Flag::WriteBom);
    QTest::newRow("CSV in UTF-16, big-endian")
        << QByteArray(bigEndian.encode(QString::fromUtf8("Name,Address,Contact,Email,Company,"
                                                         "Photo\r\nZoë,Gata 1,2,,,\r\n")))
        << QStringList{QString::fromUtf8("Zoë|Gata 1|2||")} << false << none;
    QTest::newRow("tab-separated, as a spreadsheet saves Unicode Text")
        << QByteArray(QStringEncoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom)
                          .encode(QString::fromUtf8(
                              "Name\tAddress\tContact\tEmail\tCompany\tPhoto\r\nZoë\t\"1 St, "
                              "Lund\nBox 2\"\t2; 3\ta@b.se\t\t\r\n")))
        << QStringList{QString::fromUtf8("Zoë|1 St, Lund\nBox 2|2; 3|a@b.se|")} << false << none;
    QTest::newRow("CSV with lines ending in CR alone")
        << QByteArray("Name,Address,Contact,Email,Company,Photo\rAnn,\"1 St\r2 St\",555,,,\r"
                      "Bo,,556,,,\r")
        << QStringList{"Ann|1 St\n2 St|555||", "Bo||556||"} << false << none;
    QTest::newRow("CSV of a Macintosh spreadsheet: CR alone, Mac Roman")
        << QByteArray("Name,Address,Contact,Email,Company,Photo\rZo\x91 L\x8e,Caf\x8e 1,5,,,\r")
        << QStringList{QString::fromUtf8("Zoë Lé|Café 1|5||")} << false << none;
    QTest::newRow("vCard with lines ending in CR alone")
        << QByteArray("BEGIN:VCARD\rVERSION:3.0\rFN:Cy\rTEL:7\rEND:VCARD\r")
        << QStringList{"Cy||7||"} << false << none;
    QTest::newRow("vCard whose line ends were converted twice (CR CR LF)")
        << QByteArray("BEGIN:VCARD\r\r\nVERSION:3.0\r\r\nFN:Ann Lee\r\r\nTEL:555\r\r\n"
                      "ORG:Acme\r\r\n  Ltd\r\r\nEND:VCARD\r\r\n")
        << QStringList{"Ann Lee||555||Acme Ltd"} << false << none;
    // The copy is made a megabyte at a time: the CR CR ending the number
    // end the first megabyte, its LF begins the second.
    const QByteArray head("BEGIN:VCARD\r\r\nVERSION:3.0\r\r\nFN:Ann\r\r\nNOTE:");
    const QByteArray tail("\r\r\nTEL:1");
    QTest::newRow("CR CR LF split between two blocks of the copy")
        << head + QByteArray((1 << 20) - head.size() - tail.size() - 2, 'x') + tail +
               "\r\r\nEND:VCARD\r\r\n"
        << QStringList{"Ann||1||"} << false << none;
    QTest::newRow("UTF-16 cut off in a letter")
        << QByteArray("\xFF\xFE"
                      "B\0E\0G\0",
                      7)
        << QStringList{} << false << "input:1: it starts as UTF-16 text but is not UTF-16";

    QTest::newRow("neither vCard nor CSV") << QByteArray("hello world\n") << QStringList{} << false
                                           << "input:1: neither a vCard nor a CSV file";
    QTest::newRow("random bytes") << QByteArray("\x01\x9f\xff\x00\x13\xc3\n\x80", 8)
                                  << QStringList{} << false << "neither a vCard nor a CSV";
    QTest::newRow("binary with a comma in its first line, as an encrypted book")
        << QByteArray("\x8c,\x00\x1b\xe4;\x07\n\x80", 8) << QStringList{} << false
        << "input:1: neither a vCard nor a CSV file";
    QTest::newRow("a CSV header nobody writes")
        << QByteArray("Foo,Bar\n1,2\n") << QStringList{} << false
        << "input:1: a CSV header Norvane does not know; it knows: Norvane's own";
    QTest::newRow("CSV made by hand: some of Norvane's columns, in another order")
        << QByteArray("email , NAME,Contact,\nal@x.org,Al,5,\nbo@x.org, Bo ,,\n")
        << QStringList{"Al||5|al@x.org|", " Bo |||bo@x.org|"} << false << none;
    QTest::newRow("CSV made by hand with the names in everyday use")
        << QByteArray("Full Name,Phone,E-mail Address,Organisation,Postal Address\n"
                      "Al,5,al@x.org,Co,1 Rd\nBo,,,,\n")
        << QStringList{"Al|1 Rd|5|al@x.org|Co", "Bo||||"} << false << none;
    QTest::newRow("CSV made by hand with the name in parts")
        << QByteArray("Surname,First Name,Telephone Number,Email,Middle Name\n"
                      "Lee,Ann,5,ann@x.org,Mary\nStone,Bo,6,,\n,,7,,\n")
        << QStringList{"Ann Mary Lee||5|ann@x.org|", "Bo Stone||6||", "7||7||"} << false << none;
    QTest::newRow("CSV made by hand: a name whole and in parts")
        << QByteArray("Name,First Name,Phone\nAl Lee,Al,5\n") << QStringList{} << false
        << "input:1: a CSV header Norvane does not know";
    QTest::newRow("CSV made by hand with the address in parts")
        << QByteArray(
               "Contact Name,Postcode,City,Street,Country\nAl,EH1 1AA,Leith,\"1 Shore\nFlat 2\","
               "UK\nBo,,Ayr,,\nCy,,,,\n")
        << QStringList{"Al|1 Shore, Flat 2, Leith, EH1 1AA, UK|||", "Bo|Ayr|||", "Cy||||"} << false
        << none;
    QTest::newRow("CSV made by hand with several columns of numbers")
        << QByteArray("Name,Mobile,Home Phone,Company Name,Work Phone\nAl,5,6,Co,\nBo,,7,,7\n")
        << QStringList{"Al||5\n6||Co", "Bo||7||"} << false << none;
    QTest::newRow("CSV made by hand: one column under two of its names")
        << QByteArray("Name,E-mail,Email Address\nAl,a@x.org,b@x.org\n") << QStringList{} << false
        << "input:1: a CSV header Norvane does not know";
    // Any other column, or one named twice, would be left out unseen.
    QTest::newRow("CSV made by hand: a column Norvane has no place for")
        << QByteArray("Name,Contact,Notes\nAl,5,met in Lund\n") << QStringList{} << false
        << "input:1: a CSV header Norvane does not know: it has no place for \"Notes\" (";
    QTest::newRow("CSV made by hand: many columns Norvane has no place for")
        << QByteArray("A,B,First Name,C,D,E,F,G\n1,2,Al,3,4,5,6,7\n") << QStringList{} << false
        << "no place for \"A\", \"B\", \"C\", \"D\", \"E\" and 2 more (";
    QTest::newRow("CSV made by hand: a column named twice")
        << QByteArray("Name,Contact,name\nAl,5,Bo\n") << QStringList{} << false
        << "input:1: a CSV header Norvane does not know";
    QTest::newRow("CSV made by hand: nothing to know a contact by")
        << QByteArray("Address,Company\n1 Rd,Co\n") << QStringList{} << false
        << "input:1: a CSV header Norvane does not know";
    QTest::newRow("CSV separated by semicolons, as many spreadsheets save it")
        << QByteArray("Name;Address;Contact;Email;Company;Photo\r\n"
                      "Ann Lee;\"1 Mill Lane; Leeds\";0113;;;\r\nBo;2 St, Leith;556;;;\r\n")
        << QStringList{"Ann Lee|1 Mill Lane; Leeds|0113||", "Bo|2 St, Leith|556||"} << false
        << none;
    QTest::newRow("CSV whose first line names its separator, files joined")
        << QByteArray("\xEF\xBB\xBFsep=;\r\nName;Contact;Address\r\nAl;5;1 Rd, Lund\r\n"
                      "\xEF\xBB\xBFSEP=;\r\nName;Contact;Address\r\nBo;6;\r\n")
        << QStringList{"Al|1 Rd, Lund|5||", "Bo||6||"} << false << none;
    QTest::newRow("CSV, a comma outside quotes, then a record short of fields")
        << QByteArray("Name,Address,Contact,Email,Company,Photo\n"
                      "Ann Lee,1 Mill Lane, Leeds,0113 555,ann@x.org,,\nBo,2 St,555\n")
        << QStringList{"Bo|2 St|555||"} << false
        << "input:2: 7 fields where the header names 6; a comma outside quotes?";
    QTest::newRow("no END:VCARD, then a good card")
        << QByteArray("BEGIN:VCARD\nFN:Lost\nBEGIN:VCARD\nFN:Kept\nEND:VCARD\n")
        << QStringList{"Kept||||"} << false << "input:1: a card without END:VCARD";
    QTest::newRow("a broken BEGIN line in a card, then a good card")
        << QByteArray("BEGIN:VCARD\nFN:Lost\nBEGIN\r\r:VCARD\nEND:VCARD\n"
                      "BEGIN:VCARD\nFN:Kept\nEND:VCARD\n")
        << QStringList{"Kept||||"} << false << "input:3: a broken BEGIN line";
    QTest::newRow("names and an address in base64, as some phones write them")
        << QByteArray("BEGIN:VCARD\nVERSION:2.1\nN;CHARSET=UTF-8;ENCODING=BASE64:TMOpZTtab8Or\n"
                      "FN;CHARSET=UTF-8;BASE64:Wm/DqyBMw6ll\nTEL;CELL:555\nEND:VCARD\n"
                      "BEGIN:VCARD\nVERSION:3.0\nFN;ENCODING=b:Qm8gw4Zr\nTEL:556\n"
                      "ADR;ENCODING=B:OzsxIE3DuGxsZSBWZWo7w4VyaHVzOzs7\nEND:VCARD\n")
        << QStringList{QString::fromUtf8("Zoë Lée||555||"),
                       QString::fromUtf8("Bo Æk|1 Mølle Vej, Århus|556||")}
        << false << none;
    QTest::newRow("broken base64 in a name")
        << QByteArray("BEGIN:VCARD\nVERSION:3.0\nFN;ENCODING=b:Qm8g*\nEND:VCARD\n") << QStringList{}
        << false << "input:3: a broken base64 value in FN";
    QTest::newRow("broken quoted-printable")
        << QByteArray("BEGIN:VCARD\nVERSION:2.1\nFN;ENCODING=QUOTED-PRINTABLE:A=ZZ\nEND:VCARD\n")
        << QStringList{} << false << "input:3: a broken quoted-printable value in FN";
    QTest::newRow("a value broken in its character set")
        << QByteArray("BEGIN:VCARD\nVERSION:2.1\nFN;CHARSET=Shift_JIS:A\x81 B\nTEL:3\nEND:VCARD\n")
        << QStringList{} << false << "input:3: a value in FN that is not Shift_JIS text";
    QTest::newRow("a value cut off inside a character")
        << QByteArray("BEGIN:VCARD\nVERSION:2.1\nFN;CHARSET=Shift_JIS:A\x81\nTEL:3\nEND:VCARD\n")
        << QStringList{} << false << "input:3: a value in FN that is not Shift_JIS text";
    QTest::newRow("a value cut off inside a UTF-16 code unit")
        << QByteArrayLiteral(
               "BEGIN:VCARD\nVERSION:2.1\nFN;CHARSET=UTF-16LE:A\0B\nTEL:3\nEND:VCARD\n")
        << QStringList{} << false << "input:3: a value in FN that is not UTF-16LE text";
    QTest::newRow("unknown charset")
        << QByteArray("BEGIN:VCARD\nVERSION:2.1\nFN;CHARSET=x-none:A\nEND:VCARD\n") << QStringList{}
        << false << "input:3: the unknown character set x-none";
    QTest::newRow("a photo that is not a picture")
        << QByteArray("BEGIN:VCARD\nVERSION:3.0\nFN:Ed\nPHOTO;ENCODING=b:aGVsbG8=\nEND:VCARD\n")
        << QStringList{"Ed||||"} << false << "input:1: its PHOTO is not a picture";
    QTest::newRow("a card with nothing to name it by")
        << QByteArray("BEGIN:VCARD\nVERSION:3.0\nNOTE:x\nEND:VCARD\n") << QStringList{} << false
        << "input:1: a card without a name, e-mail or number";
    QTest::newRow("a 50 MB line") << QByteArray("BEGIN:VCARD\nVERSION:3.0\nFN:" +
                                                QByteArray(50 * 1024 * 1024, 'a') +
                                                "\nEND:VCARD\nBEGIN:VCARD\nFN:After\nEND:VCARD\n")
                                  << QStringList{"After||||"} << false
                                  << "input:3: a line longer than 32 MB";
    // A long line alone is skipped; a quote left open is not guessed past.
    const QByteArray header("Name,Address,Contact,Email,Company,Photo\n");
    QTest::newRow("CSV, a 40 MB line, then a good record")
        << header + QByteArray(40 * 1024 * 1024, 'a') + "\nAl,1 Rd,5,,,\n"
        << QStringList{"Al|1 Rd|5||"} << false << "input:2: a record longer than 32 MB";
    QByteArray openQuote = header + "\"Bo,2 Rd,6,,,\n";
    while (openQuote.size() <= 33 * 1024 * 1024) {
        openQuote += "Cy Lee,3 Long Street,7,cy@example.org,Lee Ltd,\n";
    }
    QTest::newRow("CSV, a quote that does not close within 32 MB")
        << openQuote << QStringList{} << false << "input:2: a quoted field longer than 32 MB";
}

void ExchangeTest::importsWhatProgramsWrite()
{
    QFETCH(QByteArray, input);
    QFETCH(QStringList, expected);
    QFETCH(bool, photo);
    QFETCH(QString, problem);
    TestFolder folder;
    bool ok = false;
    const ImportReport report = importBytes(folder, input, &ok);
    QVERIFY(ok);
    const QList<Contact> stored = folder.stored();
    QCOMPARE(texts(stored), expected);
    QCOMPARE(report.imported, expected.size());
    // A problem that neither refused a card nor let one in refused the file.
    QCOMPARE(report.refusedFiles,
             !problem.isEmpty() && expected.isEmpty() && report.skipped == 0 ? 1 : 0);
    if (problem.isEmpty()) {
        QCOMPARE(report.problems, QStringList());
    } else {
        QCOMPARE(report.problems.size(), 1);
        QVERIFY2(report.problems[0].contains(problem), qPrintable(report.problems[0]));
    }
    for (const Contact& c : stored) {
        QCOMPARE(!c.profile.isEmpty(), photo);
        if (photo) {
            QVERIFY(!QImage(folder.photoPath(c.profile)).isNull());
        }
    }
}

void ExchangeTest::roundTripsThroughEveryFormat_data()
{
    QTest::addColumn<int>("format");
    QTest::newRow("vCard 4") << static_cast<int>(ExportFormat::VCard4);
    QTest::newRow("vCard 3") << static_cast<int>(ExportFormat::VCard3);
    QTest::newRow("CSV") << static_cast<int>(ExportFormat::Csv);
}

// Texts that escaping, folding and quoting could spoil, and a photo.
void ExchangeTest::roundTripsThroughEveryFormat()
{
    QFETCH(int, format);
    TestFolder from;
    from.writePicture(from.photoPath(QStringLiteral("ann.png")));
    const QList<Contact> contacts = {
        contact(QStringLiteral("Ann Lee"), QStringLiteral("+44 7700 900123\n0131 496 0000"),
                QStringLiteral("1 Mill Lane, Leith; EH6"), QStringLiteral("ann@example.com"),
                QStringLiteral("Lee, Ltd \\ Sons"), QStringLiteral("ann.png")),
        contact(QString::fromUtf8("Zoë \"Z\" Ægir, 王小明 😀"), QStringLiteral("5"),
                QString(200, QChar(u'é')), {}, QStringLiteral(" spaced ")),
        contact(QStringLiteral("a:b;c,d"), QStringLiteral("07700"), {},
                QStringLiteral("x@example.org"), QStringLiteral("Line one\nLine two")),
    };
    from.add(contacts);
    const QByteArray exported = exportBook(from, static_cast<ExportFormat>(format));
    QVERIFY2(!exported.startsWith("export failed"), exported.constData());
    TestFolder into;
    bool ok = false;
    const ImportReport report = importBytes(into, exported, &ok);
    QVERIFY(ok);
    QCOMPARE(report.problems, QStringList());
    const QList<Contact> back = into.stored();
    QCOMPARE(texts(back), texts(from.stored()));
    if (format != static_cast<int>(ExportFormat::Csv)) {
        QCOMPARE(back[0].profile, QStringLiteral("ann.png"));
        QCOMPARE(readFile(into.photoPath(QStringLiteral("ann.png"))),
                 readFile(from.photoPath(QStringLiteral("ann.png"))));
        for (const QByteArray& line : exported.split('\n')) {
            QVERIFY2(line.size() <= 76, line.constData()); // 75 octets and the CR
        }
    }
}

// A card with properties the six columns do not hold, edited in Norvane,
// exports with all of them and with the edit.
void ExchangeTest::exportsWhatNorvaneDoesNotShow_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QList<QByteArray>>("kept");
    QTest::newRow("3.0, the company changed here")
        << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:card-1\r\nFN:Gus Ek\r\nN:Ek;Gus;;;\r\n"
                      "EMAIL;TYPE=work:gus@work.example\r\nEMAIL;TYPE=home:gus@home.example\r\n"
                      "BDAY:1980-02-03\r\nNOTE:Met at the fair\\, 2019\r\n"
                      "X-CUSTOM;X-P=1:kept\r\nORG:Old Co\r\nEND:VCARD\r\n")
        << QList<QByteArray>{"UID:card-1\r\n",
                             "N:Ek;Gus;;;\r\n",
                             "EMAIL;TYPE=work:gus@work.example\r\n",
                             "EMAIL;TYPE=home:gus@home.example\r\n",
                             "BDAY:1980-02-03\r\n",
                             "NOTE:Met at the fair\\, 2019\r\n",
                             "X-CUSTOM;X-P=1:kept\r\n",
                             "ORG:New Co\r\n",
                             "PRODID:",
                             "REV:"};
    // Decoded, "=0D=0A" is a line break within the value, never the end of one.
    QTest::newRow("2.1, quoted-printable line breaks")
        << QByteArray(
               "BEGIN:VCARD\r\nVERSION:2.1\r\nUID:card-2\r\nN:Ek;Gus;;;\r\n"
               "ADR;HOME;ENCODING=QUOTED-PRINTABLE:;;Main St 1=0D=0AFlat 2;Town;;123;Land\r\n"
               "NOTE;QUOTED-PRINTABLE:one=0Atwo=0Dthree=0D=0A\r\nEND:VCARD\r\n")
        << QList<QByteArray>{"ADR;TYPE=HOME:;;Main St 1\\nFlat 2;Town;;123;Land\r\n",
                             "NOTE:one\\ntwo\\nthree\\n\r\n", "ORG:New Co\r\n"};
}

void ExchangeTest::exportsWhatNorvaneDoesNotShow()
{
    QFETCH(QByteArray, input);
    QFETCH(QList<QByteArray>, kept);
    TestFolder folder;
    importBytes(folder, input);
    const auto db = openBook(folder);
    QVERIFY(db->execute("UPDATE tblYou SET COMPANY = 'New Co'").ok());
    for (const ExportFormat format : {ExportFormat::VCard4, ExportFormat::VCard3}) {
        const QByteArray card = exportBook(folder, format);
        for (const QByteArray& text : kept) {
            QVERIFY2(card.contains(text), text + "\n" + card);
        }
        QVERIFY(!card.contains("Old Co"));
        QVERIFY(card.contains(format == ExportFormat::VCard4 ? "VERSION:4.0" : "VERSION:3.0"));
    }
}

void ExchangeTest::reimportChangesNothingAndARemovalTakesTheCard()
{
    TestFolder folder;
    const QByteArray file = "BEGIN:VCARD\nVERSION:3.0\nUID:u1\nFN:Hal\nEND:VCARD\n"
                            "BEGIN:VCARD\nVERSION:3.0\nFN:Ida\nTEL:1\nEND:VCARD\n";
    ImportReport first = importBytes(folder, file);
    QCOMPARE(first.imported, 2);
    const QList<Contact> before = folder.stored();
    const ImportReport again = importBytes(folder, file);
    QCOMPARE(again.imported, 0);
    QCOMPARE(again.updated, 0);
    QCOMPARE(again.skipped, 2);
    QCOMPARE(folder.stored(), before);
    // A card whose UID the book knows updates its contact.
    const ImportReport changed =
        importBytes(folder, "BEGIN:VCARD\nVERSION:3.0\nUID:u1\nFN:Hal Two\nEND:VCARD\n");
    QCOMPARE(changed.updated, 1);
    QCOMPARE(folder.stored()[0].name, QStringLiteral("Hal Two"));
    QCOMPARE(folder.stored()[0].id, before[0].id);
    const auto db = openBook(folder);
    QVERIFY(db->execute("DELETE FROM tblYou WHERE NAME = 'Ida'").ok());
    QString reason;
    Statement cards = db->prepare("SELECT count(*) FROM tblCard", reason);
    bool done = false;
    QVERIFY(cards.next(done));
    QCOMPARE(cards.integer(0), 1);
}

// Some programs give two contacts one UID: the second card is a contact of
// its own, never written over the first, and importing the file again
// changes nothing. A card of a UID the book held updates its contact once.
void ExchangeTest::takesTwoCardsOfOneUidAsTwoContacts()
{
    TestFolder folder;
    const QByteArray twoOfOneUid = "BEGIN:VCARD\nVERSION:3.0\nUID:u1\nFN:Ann\nTEL:1\nEND:VCARD\n"
                                   "BEGIN:VCARD\nVERSION:3.0\nUID:u1\nFN:Bob\nTEL:2\nEND:VCARD\n";
    const ImportReport first = importBytes(folder, twoOfOneUid);
    QCOMPARE(first.imported, 2);
    QCOMPARE(texts(folder.stored()), QStringList({"Ann||1||", "Bob||2||"}));
    const ImportReport again = importBytes(folder, twoOfOneUid);
    QCOMPARE(again.skipped, 2);
    QCOMPARE(texts(folder.stored()), QStringList({"Ann||1||", "Bob||2||"}));
    const ImportReport edited =
        importBytes(folder, "BEGIN:VCARD\nVERSION:3.0\nUID:u1\nFN:Ann Lee\nTEL:1\nEND:VCARD\n"
                            "BEGIN:VCARD\nVERSION:3.0\nUID:u1\nFN:Cy\nTEL:3\nEND:VCARD\n");
    QCOMPARE(edited.updated, 1);
    QCOMPARE(edited.imported, 1);
    QCOMPARE(texts(folder.stored()), QStringList({"Ann Lee||1||", "Bob||2||", "Cy||3||"}));
    QCOMPARE(uidLines(exportBook(folder, ExportFormat::VCard4)).size(), 3);
}

void ExchangeTest::readsEachColumnByNameWhateverTheTablesOrder_data()
{
    roundTripsThroughEveryFormat_data();
}

// A table made by another program, its columns in another order and one of
// its own among them: an export gives each value under its own name, and
// importing that export again finds every contact already there.
void ExchangeTest::readsEachColumnByNameWhateverTheTablesOrder()
{
    QFETCH(int, format);
    TestFolder from;
    from.replaceContactTable("NOTES TEXT, Profile TEXT, COMPANY TEXT, email TEXT, CONTACT TEXT, "
                             "ADDRESS TEXT, NAME TEXT, ID INTEGER PRIMARY KEY");
    from.add({contact(QStringLiteral("Ann Lee"), QStringLiteral("0131 496 0000"),
                      QStringLiteral("1 Mill Lane"), QStringLiteral("ann@example.com"),
                      QStringLiteral("Lee Ltd")),
              contact(QStringLiteral("Bob Ray"), QStringLiteral("222"))});
    const QByteArray exported = exportBook(from, static_cast<ExportFormat>(format));
    TestFolder into;
    bool ok = false;
    importBytes(into, exported, &ok);
    QVERIFY(ok);
    QCOMPARE(texts(into.stored()), texts(from.stored()));
    const ImportReport again = importBytes(from, exported, &ok);
    QVERIFY(ok);
    QCOMPARE(again.imported + again.updated, 0);
    QCOMPARE(again.skipped, 2);
}

// Two contacts of one ID and one without: an import would reach them by
// ID, so it writes nothing; an export gives each card a UID of its own.
void ExchangeTest::importsNothingIntoATableNotKeyedByItsId()
{
    TestFolder folder;
    folder.replaceContactTable(kColumnsWithoutIdKey);
    folder.execute("INSERT INTO tblYou (ID, NAME, CONTACT) VALUES (1, 'Ann', '1'), "
                   "(1, 'Bob', '2'), (NULL, 'Cy', '3')");
    const QList<Contact> before = folder.stored();
    const QString file = QDir(folder.path()).filePath(QStringLiteral("dee.vcf"));
    writeFile(file, "BEGIN:VCARD\nVERSION:3.0\nFN:Dee\nTEL:4\nEND:VCARD\n");
    ImportReport report;
    const Status imported = importFiles(*openBook(folder), folder.photoPath({}), {file}, report);
    QVERIFY(!imported.ok());
    QVERIFY2(imported.reason().contains(QLatin1String("is not its INTEGER PRIMARY KEY")),
             qPrintable(imported.reason()));
    QCOMPARE(folder.stored(), before);
    QCOMPARE(uidLines(exportBook(folder, ExportFormat::VCard4)).size(), 3);
    // The ID of the selected contact names two, or none (Cy's is NULL, shown
    // as 0): no contact goes out alone.
    const QByteArray shared = exportBook(folder, ExportFormat::VCard4, 1);
    QVERIFY2(shared.startsWith("export failed") && shared.contains("2 contacts"),
             shared.constData());
    const QByteArray missing = exportBook(folder, ExportFormat::VCard4, 0);
    QVERIFY2(missing.startsWith("export failed") && missing.contains("its ID is missing"),
             missing.constData());
}

void ExchangeTest::aFailedImportWritesNothing_data()
{
    QTest::addColumn<bool>("cancel");
    QTest::newRow("the store refuses a card in the middle") << false;
    QTest::newRow("the user cancels in the middle") << true;
}

// No contact and no photo file stays, whatever stopped the import.
void ExchangeTest::aFailedImportWritesNothing()
{
    QFETCH(bool, cancel);
    TestFolder folder;
    {
        const auto db = openBook(folder);
        QVERIFY(db->execute("CREATE TRIGGER refuse BEFORE INSERT ON tblYou WHEN new.NAME = 'Boom' "
                            "BEGIN SELECT RAISE(ABORT, 'refused by the store'); END;")
                    .ok());
    }
    const QString file = QDir(folder.path()).filePath(QStringLiteral("input"));
    writeFile(file, "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:First\r\nPHOTO;ENCODING=b;TYPE=PNG:" +
                        pngBase64Folded() + "\r\nEND:VCARD\r\nBEGIN:VCARD\r\nFN:" +
                        (cancel ? "Second" : "Boom") + "\r\nEND:VCARD\r\n");
    int calls = 0;
    ImportReport report;
    const Status imported =
        importFiles(*openBook(folder), folder.photoPath(QString()), {file}, report,
                    [&](qint64, qint64) { return !cancel || ++calls < 2; });
    QVERIFY(!imported.ok());
    QCOMPARE(report.cancelled, cancel);
    QCOMPARE(report.imported, 0);
    QCOMPARE(folder.stored(), QList<Contact>());
    QCOMPARE(QDir(folder.photoPath(QString())).entryList(QDir::Files), QStringList());
}

void ExchangeTest::writesAPlainContactAsTheFullMappingDoes_data()
{
    QTest::addColumn<Contact>("contact");
    QTest::newRow("every column") << contact(
        QStringLiteral("Ann Lee"), QStringLiteral("+44 7700"), QStringLiteral("1 Mill Lane, Leith"),
        QStringLiteral("ann@example.com"), QStringLiteral("Lee Ltd"), QStringLiteral("a.png"));
    QTest::newRow("a name only, of one word") << contact(QStringLiteral("Cher"), {});
    QTest::newRow("numbers with CR LF, lone CR and blank lines")
        << contact(QStringLiteral("  Bo   Di  Ek "), QStringLiteral("1\r\n\r\n 2 \r3\n  \n4"));
    QTest::newRow("escaped, non-ASCII and folded")
        << contact(QString::fromUtf8("Zoë \\ \"Z\", Ægir; 王小明 😀"), QStringLiteral("5;6"),
                   QString(80, QChar(u'é')) + QStringLiteral("\nline, two"),
                   QStringLiteral("a,b@example.org"), QStringLiteral("Co; \\ Ltd\r\nUnit"));
    QTest::newRow("blanks other than spaces, in ASCII and beyond")
        << contact(QStringLiteral("\tAl\v\f Bo\r\nCy "), QStringLiteral("1\n\t\n\u3000\n\u00a0 2"));
    QTest::newRow("a name of non-ASCII blanks")
        << contact(QString::fromUtf8("\u3000Ann\u00a0\u2028Lee\u3000"), {});
}

// The export writes a contact without a stored card straight into bytes;
// those bytes are the card the full mapping builds from an empty one.
void ExchangeTest::writesAPlainContactAsTheFullMappingDoes()
{
    QFETCH(Contact, contact);
    const EmbeddedPhoto png{QByteArray(100, 'x'), QStringLiteral("PNG")};
    for (const VCardVersion version : {VCardVersion::V4, VCardVersion::V3}) {
        for (const std::optional<EmbeddedPhoto>& photo :
             {std::optional<EmbeddedPhoto>(), std::optional<EmbeddedPhoto>(png)}) {
            const QString uid = QStringLiteral("urn:uuid:1;2");
            const QString rev = QStringLiteral("20261207T120000Z");
            QByteArray direct;
            appendContactCard(direct, ContactUtf8(contact), uid.toUtf8(), photo, version, rev);
            QCOMPARE(direct, writeVCard(cardForExport(VCard(), contact, uid, photo, version, rev)));
        }
    }
}

void ExchangeTest::derivesTheStructuredNameAsPeopleWriteIt_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("n"); // the N property's value
    QTest::newRow("given family") << "Ann Marie Lee" << QByteArray("Lee;Ann Marie;;;");
    QTest::newRow("family, given") << " Lee ,  Ann Marie" << QByteArray("Lee;Ann Marie;;;");
    QTest::newRow("family of several words, given")
        << "van der Berg, Jan" << QByteArray("van der Berg;Jan;;;");
    QTest::newRow("given family, suffix")
        << "Martin Luther King, Jr." << QByteArray("King;Martin Luther;;;Jr.");
    QTest::newRow("suffix in capitals without its dots")
        << "Ann Lee, PHD" << QByteArray("Lee;Ann;;;PHD");
    QTest::newRow("a company's form") << "Acme, Inc." << QByteArray("Acme;;;;Inc.");
    QTest::newRow("a suffix without a comma") << "John Smith III" << QByteArray("Smith;John;;;III");
    QTest::newRow("a suffix alone") << "Jr." << QByteArray("Jr.;;;;");
    QTest::newRow("non-ASCII family, given")
        << QString::fromUtf8("Öztürk, Ayşe") << QByteArray("Öztürk;Ayşe;;;");
    QTest::newRow("two commas: the last word")
        << "Lee, Ann, Bo" << QByteArray("Bo;Lee\\, Ann\\,;;;");
    QTest::newRow("a comma at the end") << "Lee," << QByteArray("Lee\\,;;;;");
    QTest::newRow("a comma at the start") << ", Ann" << QByteArray("Ann;\\,;;;");
    QTest::newRow("one word") << "Cher" << QByteArray("Cher;;;;");
}

// Other programs show and sort by the structured name; both ways of writing
// a card derive the same one.
void ExchangeTest::derivesTheStructuredNameAsPeopleWriteIt()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, n);
    const Contact person = contact(name, QStringLiteral("1"));
    const QString uid = QStringLiteral("urn:uuid:1");
    const QString rev = QStringLiteral("20261207T120000Z");
    QByteArray direct;
    appendContactCard(direct, ContactUtf8(person), uid.toUtf8(), std::nullopt, VCardVersion::V3,
                      rev);
    QVERIFY2(direct.contains("\r\nN:" + n + "\r\n"), direct);
    QCOMPARE(direct,
             writeVCard(cardForExport(VCard(), person, uid, std::nullopt, VCardVersion::V3, rev)));
}

// A book written by another program may hold bytes that are not UTF-8, or
// a byte-order mark; the card holds the texts as Norvane reads and shows
// them.
void ExchangeTest::exportsABrokenTextAsItReads()
{
    TestFolder folder;
    folder.add({contact(QStringLiteral("Ann"), QStringLiteral("1"))});
    folder.execute("UPDATE tblYou SET NAME = CAST(X'416EFF6E' AS TEXT), "
                   "COMPANY = CAST(X'C3A92C80' AS TEXT), "
                   "EMAIL = CAST(X'EFBBBF61406221' AS TEXT)");
    const QByteArray card = exportBook(folder, ExportFormat::VCard4);
    QVERIFY2(card.contains("\r\nFN:An\xEF\xBF\xBDn\r\nN:An\xEF\xBF\xBDn;;;;\r\n"), card);
    QVERIFY2(card.contains("\r\nORG:\xC3\xA9\\,\xEF\xBF\xBD\r\n"), card);
    QVERIFY2(card.contains("\r\nEMAIL:a@b!\r\n"), card); // the window drops the mark too
}

void ExchangeTest::hashesAsTheSipHashReference_data()
{
    // The reference vectors: key 00 01 .. 0f, message 00 01 .. (length - 1).
    QTest::addColumn<int>("length");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("empty") << 0 << QByteArray("a3817f04ba25a8e66df67214c7550293");
    QTest::newRow("7 bytes") << 7 << QByteArray("a1f1ebbed8dbc153c0b84aa61ff08239");
    QTest::newRow("8 bytes") << 8 << QByteArray("3b62a9ba6258f5610f83e264f31497b4");
    QTest::newRow("15 bytes") << 15 << QByteArray("5493e99933b0a8117e08ec0f97cfc3d9");
    QTest::newRow("16 bytes") << 16 << QByteArray("6ee2a4ca67b054bbfd3315bf85230577");
    QTest::newRow("63 bytes") << 63 << QByteArray("5150d1772f50834a503e069a973fbd7c");
}

// Contacts and UIDs are told apart on import by this hash; added at once or
// in two pieces cut anywhere, a message hashes alike.
void ExchangeTest::hashesAsTheSipHashReference()
{
    QFETCH(int, length);
    QFETCH(QByteArray, expected);
    QByteArray message;
    for (int i = 0; i < length; ++i) {
        message.append(static_cast<char>(i));
    }
    for (int cut = 0; cut <= length; ++cut) {
        SipHash128 hash(0x0706050403020100ULL, 0x0f0e0d0c0b0a0908ULL);
        hash.add(QByteArrayView(message).first(cut));
        hash.add(QByteArrayView(message).sliced(cut));
        const std::array<char, 16> result = hash.result();
        QCOMPARE(QByteArray(result.data(), result.size()).toHex(), expected);
    }
}

// A contact's UID is given at its first export and kept in the book, the
// card table made for it when the book has none.
void ExchangeTest::keepsEachContactsUidFromOneExportToTheNext()
{
    TestFolder folder;
    folder.add({contact(QStringLiteral("Ann"), QStringLiteral("1")),
                contact(QStringLiteral("Bo"), QStringLiteral("2"))});
    const auto uids = [&](ExportFormat format) {
        QByteArrayList found;
        for (const QByteArray& line : exportBook(folder, format).split('\n')) {
            if (line.startsWith("UID:")) {
                found.append(line.trimmed());
            }
        }
        return found;
    };
    const QByteArrayList first = uids(ExportFormat::VCard4);
    QCOMPARE(first.size(), 2);
    QVERIFY(first[0] != first[1]);
    QCOMPARE(uids(ExportFormat::VCard3), first);
    folder.add({contact(QStringLiteral("Cy"), QStringLiteral("3"))});
    const QByteArrayList later = uids(ExportFormat::VCard4);
    QCOMPARE(later.mid(0, 2), first);
    QCOMPARE(later.size(), 3);
    QCOMPARE(uids(ExportFormat::VCard4), later);
    // A card whose contact is gone goes with no other contact; a contact
    // whose card is gone gets a new UID.
    folder.execute("INSERT INTO tblCard (ID, UID) SELECT MIN(ID) - 1, 'orphan' FROM tblYou;"
                   "DELETE FROM tblCard WHERE ID = (SELECT MAX(ID) FROM tblYou)");
    const QByteArrayList mended = uids(ExportFormat::VCard4);
    QCOMPARE(mended.size(), 3);
    QCOMPARE(mended.mid(0, 2), first);
    QVERIFY(mended[2] != later[2] && !mended.contains("UID:orphan"));
}

// A card Norvane wrote itself is made again from the columns, so only its
// UID is kept, also when another program changed only its line ends; any
// other card keeps its text, and each exports as Norvane wrote it or as it came.
void ExchangeTest::keepsTheTextOfEveryCardItCouldNotWriteAlike()
{
    TestFolder from;
    from.add({contact(QStringLiteral("Ann Lee"), QStringLiteral("1\n2"),
                      QStringLiteral("1 Mill Lane, Leith"), QStringLiteral("ann@example.com"),
                      QStringLiteral("Lee; Ltd")),
              contact(QString::fromUtf8("Zoë Ægir"), QStringLiteral("3"))});
    for (const ExportFormat format : {ExportFormat::VCard4, ExportFormat::VCard3}) {
        const QByteArray own = exportBook(from, format);
        QByteArray other = own;
        other.replace("FN:Ann Lee\r\n", "FN:Ann Lee\r\nBDAY:1980-02-03\r\n");
        const QByteArray ownWithLf = QByteArray(own).replace("\r\n", "\n");
        const std::tuple<QByteArray, int, QByteArray> cases[] = {
            {own, 0, own}, {ownWithLf, 0, own}, {other, 1, other}};
        for (const auto& [cards, keptTexts, exported] : cases) {
            TestFolder into;
            QCOMPARE(importBytes(into, cards).imported, 2);
            const auto db = openBook(into);
            QString reason;
            Statement kept = db->prepare("SELECT count(VCARD) FROM tblCard", reason);
            bool done = false;
            QVERIFY(kept.next(done));
            QCOMPARE(kept.integer(0), keptTexts);
            const auto withoutRevision = [](const QByteArray& text) {
                QByteArrayList lines = text.split('\n');
                lines.removeIf([](const QByteArray& line) { return line.startsWith("REV:"); });
                return lines;
            };
            QCOMPARE(withoutRevision(exportBook(into, format)), withoutRevision(exported));
        }
    }
}

void ExchangeTest::storesACardsPhotoUnderANameEverySystemReads_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("photoName");
    QTest::addColumn<QString>("stored");
    QTest::newRow("the name it was exported under") << "Ann"
                                                    << "ann 2.png"
                                                    << "ann 2.png";
    QTest::newRow("no name given") << "Ann" << QString() << "Ann.png";
    QTest::newRow("a parent folder") << "Ann"
                                     << "../ann.png"
                                     << "Ann.png";
    QTest::newRow("a folder") << "Ann"
                              << "sub/ann.png"
                              << "Ann.png";
    QTest::newRow("an absolute path") << "Ann"
                                      << "/tmp/ann.png"
                                      << "Ann.png";
    QTest::newRow("a Windows folder") << "Ann"
                                      << "..\\ann.png"
                                      << "Ann.png";
    QTest::newRow("a drive or a stream") << "Ann"
                                         << "c:ann.png"
                                         << "Ann.png";
    QTest::newRow("hidden") << "Ann"
                            << ".ann.png"
                            << "Ann.png";
    QTest::newRow("a trailing dot") << "Ann"
                                    << "ann.png."
                                    << "Ann.png";
    QTest::newRow("a character Windows refuses") << "Ann"
                                                 << "ann?.png"
                                                 << "Ann.png";
    QTest::newRow("a device") << "Ann"
                              << "CON.png"
                              << "Ann.png";
    QTest::newRow("a device, a longer name") << "Ann"
                                             << "lpt1.photo.png"
                                             << "Ann.png";
    QTest::newRow("not a device") << "Ann"
                                  << "console.png"
                                  << "console.png";
    QTest::newRow("a contact named as a device") << "Con"
                                                 << "../x.png"
                                                 << "Con_.png";
}

// A card's inline photo lands in the photo folder under a name that names
// that one file wherever the folder is copied, never outside it.
void ExchangeTest::storesACardsPhotoUnderANameEverySystemReads()
{
    QFETCH(QString, name);
    QFETCH(QString, photoName);
    QFETCH(QString, stored);
    TestFolder folder;
    const QByteArray property =
        photoName.isNull() ? QByteArray() : "X-NORVANE-PHOTO:" + photoName.toUtf8() + "\r\n";
    bool ok = false;
    importBytes(folder,
                "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:" + name.toUtf8() +
                    "\r\nPHOTO;ENCODING=b;TYPE=PNG:" + pngBase64Folded() + "\r\n" + property +
                    "END:VCARD\r\n",
                &ok);
    QVERIFY(ok);
    const QList<Contact> contacts = folder.stored();
    QCOMPARE(contacts.size(), 1);
    QCOMPARE(contacts[0].profile, stored);
    QCOMPARE(QDir(folder.path() + QStringLiteral("/IMG")).entryList(QDir::Files),
             QStringList{stored});
    const QStringList besideTheBook{QStringLiteral("dbVesk.mdb"), QStringLiteral("input")};
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), besideTheBook);
}

void ExchangeTest::neverExportsOverTheBookOrItsPhotos_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("link");
    QTest::addColumn<bool>("written");
    QTest::newRow("the book") << "dbVesk.mdb" << QString() << false;
    QTest::newRow("the book, by another way") << "IMG/../dbVesk.mdb" << QString() << false;
    QTest::newRow("its journal") << "dbVesk.mdb-journal" << QString() << false;
    QTest::newRow("a link to the book") << "dbVesk.mdb"
                                        << "link.vcf" << false;
    QTest::newRow("a photo") << "IMG/ann.png" << QString() << false;
    QTest::newRow("a new file among the photos") << "IMG/all.vcf" << QString() << false;
    QTest::newRow("a link to a photo not there yet") << "IMG/new.png"
                                                     << "link.vcf" << false;
    QTest::newRow("beside the book") << "all.vcf" << QString() << true;
    QTest::newRow("a link beside the book") << "all.vcf"
                                            << "link.vcf" << true;
}

// An export to a file that is the book itself, a file SQLite keeps beside it
// or one in the photo folder is refused, with the book and the photos left
// as they were; it may be named through a link or another path.
void ExchangeTest::neverExportsOverTheBookOrItsPhotos()
{
    QFETCH(QString, target);
    QFETCH(QString, link);
    QFETCH(bool, written);
    TestFolder folder;
    folder.add({contact(QStringLiteral("Ann"), QStringLiteral("1"), {}, {}, {},
                        QStringLiteral("ann.png"))});
    const QString photo = folder.writePicture(folder.photoPath(QStringLiteral("ann.png")));
    const QByteArray photoBytes = readFile(photo);
    const QString targetPath = QDir(folder.path()).filePath(target);
    QString path = targetPath;
    if (!link.isEmpty()) {
        path = QDir(folder.path()).filePath(link);
        QVERIFY(QFile::link(targetPath, path));
    }
    const auto db = openBook(folder);
    const Status exported = exportContactsToFile(
        *db, QDir(folder.path()).filePath(QStringLiteral("IMG")), ExportFormat::VCard4, path);
    QCOMPARE(exported.ok(), written);
    QCOMPARE(readFile(targetPath).startsWith("BEGIN:VCARD"), written);
    QCOMPARE(folder.stored().size(), 1);
    QCOMPARE(readFile(photo), photoBytes);
    QCOMPARE(QDir(folder.path() + QStringLiteral("/IMG")).entryList(QDir::Files),
             QStringList{QStringLiteral("ann.png")});
}

QTEST_GUILESS_MAIN(ExchangeTest)
void ExchangeTest::namesEveryPhotoAnExportLeavesOut_data()
{
    QTest::addColumn<QByteArray>("photo"); // the file's bytes; null: no file
    QTest::addColumn<qint64>("size");      // grown to this size when larger
    QTest::addColumn<QString>("leftOut");  // the reason; empty: the card carries the photo
    QTest::newRow("a picture") << QByteArray() << qint64(0) << QString();
    QTest::newRow("missing from the photo folder")
        << QByteArray() << qint64(-1) << "not in the photo folder";
    QTest::newRow("not a picture") << QByteArray("hello") << qint64(0) << "not a picture";
    QTest::newRow("larger than 16 MB")
        << QByteArray("\x89PNG") << qint64(17 * 1024 * 1024) << "larger than 16 MB";
}

// A card written without the photo its contact names is named, in every
// card format and for one contact as for all; CSV carries the file name only.
void ExchangeTest::namesEveryPhotoAnExportLeavesOut()
{
    QFETCH(QByteArray, photo);
    QFETCH(qint64, size);
    QFETCH(QString, leftOut);
    TestFolder folder;
    const QList<Contact> added = folder.add({contact(QStringLiteral("Ann"), QStringLiteral("1"), {},
                                                     {}, {}, QStringLiteral("ann.png"))});
    const QString path = folder.photoPath(QStringLiteral("ann.png"));
    if (size >= 0 && photo.isNull()) {
        folder.writePicture(path);
    } else if (size >= 0) {
        writeFile(path, photo);
        QVERIFY(QFile::resize(path, std::max<qint64>(size, photo.size())));
    }
    const auto db = openBook(folder);
    const QString photos = QDir(folder.path()).filePath(QStringLiteral("IMG"));
    for (const ExportFormat format :
         {ExportFormat::VCard4, ExportFormat::VCard3, ExportFormat::Csv}) {
        for (const std::optional<qint64> only :
             {std::optional<qint64>(), std::optional(added[0].id)}) {
            QBuffer out;
            out.open(QIODevice::WriteOnly);
            QStringList named;
            QVERIFY(exportContacts(*db, photos, format, out, only, &named).ok());
            const bool carded = format != ExportFormat::Csv;
            QCOMPARE(named, carded && !leftOut.isEmpty()
                                ? QStringList{"Ann: ann.png (" + leftOut + ")"}
                                : QStringList());
            QCOMPARE(out.data().contains("PHOTO"), carded && leftOut.isEmpty());
        }
    }
}

void ExchangeTest::keepsACardsPhotoUnlessTakenAwayHere_data()
{
    QTest::addColumn<QByteArray>("photo"); // the card's PHOTO value, as base64
    QTest::addColumn<QString>("change");   // SQL run on the book after the import
    QTest::addColumn<bool>("kept");        // whether the export carries that photo
    QTest::addColumn<QString>("named");    // the reason it is named for; empty: not named
    const QByteArray png = pngBase64Folded();
    const QByteArray heic = QByteArray("\0\0\0\x18"
                                       "ftypheic",
                                       12)
                                .toBase64();
    QTest::newRow("its photo, unchanged") << png << QString() << true << QString();
    QTest::newRow("a photo Norvane cannot read") << heic << QString() << true << QString();
    QTest::newRow("a photo Norvane cannot read, the contact edited")
        << heic << "UPDATE tblYou SET COMPANY = 'New Co'" << true << QString();
    QTest::newRow("its file gone from the photo folder")
        << png << "UPDATE tblYou SET PROFILE = 'gone.png'" << true
        << "not in the photo folder; the card keeps the photo it came with";
    QTest::newRow("its photo taken away here")
        << png << "UPDATE tblYou SET PROFILE = ''" << false << QString();
}

// A card's inline photo goes with its exports, and so to a CardDAV server,
// unless the contact's photo was taken away here: a photo Norvane cannot
// read, or whose file went missing, is never dropped on the way, and is
// written as the export's version writes a photo.
void ExchangeTest::keepsACardsPhotoUnlessTakenAwayHere()
{
    QFETCH(QByteArray, photo);
    QFETCH(QString, change);
    QFETCH(bool, kept);
    QFETCH(QString, named);
    TestFolder folder;
    importBytes(folder, "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:ann\r\nFN:Ann\r\n"
                        "PHOTO;ENCODING=b;TYPE=PNG:" +
                            photo + "\r\nEND:VCARD\r\n");
    QCOMPARE(folder.stored().size(), 1);
    const auto db = openBook(folder);
    QVERIFY(change.isEmpty() || db->execute(change.toUtf8()).ok());
    const QByteArray bytes = QByteArray::fromBase64(QByteArray(photo).replace("\r\n ", ""));
    for (const ExportFormat format : {ExportFormat::VCard4, ExportFormat::VCard3}) {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QStringList leftOut;
        QVERIFY(exportContacts(*db, QDir(folder.path()).filePath(QStringLiteral("IMG")), format,
                               out, std::nullopt, &leftOut)
                    .ok());
        QByteArray written = out.data();
        QBuffer in(&written);
        in.open(QIODevice::ReadOnly);
        const std::optional<VCard> card = VCardReader(in).next();
        QVERIFY(card);
        const VCardProperty* exported = card->first(QStringLiteral("PHOTO"));
        QCOMPARE(exported && exported->binary() == bytes, kept);
        // In the export's own form: a data: URI in 4.0, base64 in 3.0.
        QVERIFY(!kept || exported->value.startsWith(QLatin1String("data:image/png;base64,")) ==
                             (format == ExportFormat::VCard4));
        QCOMPARE(leftOut,
                 named.isEmpty() ? QStringList() : QStringList{"Ann: gone.png (" + named + ")"});
    }
}

#include "tst_exchange.moc"
