// WebDAV multistatus answers as servers write them: default and prefixed
// namespaces, properties a server did not find, and answers that are not a
// multistatus at all.
#include "sync/multistatus.h"

#include <QTest>

using namespace norvane;

class MultistatusTest : public QObject
{
    Q_OBJECT

private slots:
    void readsWhatServersWrite_data();
    void readsWhatServersWrite();
};

void MultistatusTest::readsWhatServersWrite_data()
{
    QTest::addColumn<QByteArray>("body");
    // Each resource: href|collection|addressBook|name|etag|principal|home, and
    // its own status when it has one; then the sync token; or the reason.
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("default namespace, a principal")
        << QByteArray("<?xml version='1.0'?><multistatus xmlns=\"DAV:\"><response><href>/</href>"
                      "<propstat><prop><current-user-principal><href>/ann/</href>"
                      "</current-user-principal></prop><status>HTTP/1.1 200 OK</status>"
                      "</propstat></response></multistatus>")
        << QStringList{"/|0|0|||/ann/|"};
    QTest::newRow("prefixes, an address book beside a collection, a home set")
        << QByteArray("<ns0:multistatus xmlns:ns0=\"DAV:\" xmlns:ns1=\"urn:ietf:params:xml:ns:"
                      "carddav\"><ns0:response><ns0:href>/u/c/</ns0:href><ns0:propstat>"
                      "<ns0:status>HTTP/1.1 200 OK</ns0:status><ns0:prop><ns0:resourcetype>"
                      "<ns0:collection /></ns0:resourcetype><ns1:addressbook-home-set>"
                      "<ns0:href>/u/c/</ns0:href></ns1:addressbook-home-set></ns0:prop>"
                      "</ns0:propstat></ns0:response><ns0:response><ns0:href>/u/c/book/"
                      "</ns0:href><ns0:propstat><ns0:status>HTTP/1.1 200 OK</ns0:status>"
                      "<ns0:prop><ns0:resourcetype><ns0:collection /><ns1:addressbook />"
                      "</ns0:resourcetype><ns0:displayname> Friends </ns0:displayname>"
                      "<ns0:getetag>\"e1\"</ns0:getetag></ns0:prop></ns0:propstat>"
                      "</ns0:response></ns0:multistatus>")
        << QStringList{"/u/c/|1|0||||/u/c/", "/u/c/book/|1|1|Friends|\"e1\"||"};
    QTest::newRow("a property the server did not find counts for nothing")
        << QByteArray("<d:multistatus xmlns:d=\"DAV:\"><d:response><d:href>/a.vcf</d:href>"
                      "<d:propstat><d:prop><d:getetag>\"x\"</d:getetag></d:prop>"
                      "<d:status>HTTP/1.1 200 OK</d:status></d:propstat><d:propstat><d:prop>"
                      "<d:displayname>wrong</d:displayname></d:prop><d:status>HTTP/1.1 404 "
                      "Not Found</d:status></d:propstat></d:response></d:multistatus>")
        << QStringList{"/a.vcf|0|0||\"x\"||"};
    QTest::newRow("an element of another namespace with the same name is not it")
        << QByteArray("<d:multistatus xmlns:d=\"DAV:\" xmlns:o=\"other:\"><d:response><d:href>/x/"
                      "</d:href><d:propstat><d:prop><d:resourcetype><o:addressbook/>"
                      "</d:resourcetype></d:prop><d:status>HTTP/1.1 200 OK</d:status>"
                      "</d:propstat></d:response></d:multistatus>")
        << QStringList{"/x/|0|0||||"};
    QTest::newRow("a sync-collection answer: a removed member, percent-encoded, and the token")
        << QByteArray("<d:multistatus xmlns:d=\"DAV:\"><d:response><d:href>/b/a%20b.vcf</d:href>"
                      "<d:status>HTTP/1.1 404 Not Found</d:status></d:response><d:response>"
                      "<d:href>http://h/b/c.vcf</d:href><d:propstat><d:prop><d:getetag>\"2\""
                      "</d:getetag></d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat>"
                      "</d:response><d:sync-token>http://h/sync/7</d:sync-token>"
                      "</d:multistatus>")
        << QStringList{"/b/a%20b.vcf|0|0|||||404", "http://h/b/c.vcf|0|0||\"2\"||",
                       "token http://h/sync/7"};
    QTest::newRow("an HTML error page")
        << QByteArray("<html><body>Bad gateway</body></html>")
        << QStringList{"the server's answer is not a WebDAV multistatus"};
    QTest::newRow("a multistatus cut short")
        << QByteArray("<d:multistatus xmlns:d=\"DAV:\"><d:response><d:href>/a")
        << QStringList{"the server's answer is broken XML: Premature end of document."};
    QTest::newRow("nothing at all")
        << QByteArray() << QStringList{"the server's answer is not a WebDAV multistatus"};
}

void MultistatusTest::readsWhatServersWrite()
{
    QFETCH(QByteArray, body);
    QFETCH(QStringList, expected);
    QString reason;
    QString token;
    const std::optional<QList<DavResource>> resources = parseMultistatus(body, reason, &token);
    QStringList seen;
    if (!resources) {
        seen.append(reason);
    }
    for (const DavResource& r : resources.value_or(QList<DavResource>())) {
        QStringList fields{r.href,
                           QString::number(r.collection),
                           QString::number(r.addressBook),
                           r.displayName,
                           r.etag,
                           r.principal,
                           r.homeSet};
        if (r.status) {
            fields.append(QString::number(r.status));
        }
        seen.append(fields.join(u'|'));
    }
    if (!token.isEmpty()) {
        seen.append(QStringLiteral("token ") + token);
    }
    QCOMPARE(seen, expected);
}

QTEST_GUILESS_MAIN(MultistatusTest)
#include "tst_multistatus.moc"
