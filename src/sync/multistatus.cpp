#include "sync/multistatus.h"

#include <QCoreApplication>
#include <QXmlStreamReader>

namespace norvane {

namespace {

constexpr QStringView kDav = u"DAV:";
constexpr QStringView kCardDav = u"urn:ietf:params:xml:ns:carddav";

bool is(const QXmlStreamReader& xml, QStringView space, QStringView name)
{
    return xml.namespaceUri() == space && xml.name() == name;
}

// The first <href> inside the element being read, which is then read whole.
QString hrefInside(QXmlStreamReader& xml)
{
    QString href;
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            ++depth;
            if (href.isEmpty() && is(xml, kDav, u"href")) {
                href = xml.readElementText().trimmed();
                --depth;
            }
        } else if (xml.isEndElement()) {
            --depth;
        }
    }
    return href;
}

// Reads one <propstat>; only the properties of a 2xx one count.
void readPropstat(QXmlStreamReader& xml, DavResource& resource)
{
    DavResource found;
    bool ok = true;
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement()) {
            --depth;
            continue;
        }
        if (!xml.isStartElement()) {
            continue;
        }
        ++depth;
        if (is(xml, kDav, u"status")) {
            const QString status = xml.readElementText();
            ok = status.section(u' ', 1, 1).startsWith(u'2');
            --depth;
        } else if (is(xml, kDav, u"collection")) {
            found.collection = true;
        } else if (is(xml, kCardDav, u"addressbook")) {
            found.addressBook = true;
        } else if (is(xml, kDav, u"displayname")) {
            found.displayName = xml.readElementText().trimmed();
            --depth;
        } else if (is(xml, kDav, u"getetag")) {
            found.etag = xml.readElementText().trimmed();
            --depth;
        } else if (is(xml, kDav, u"current-user-principal")) {
            found.principal = hrefInside(xml);
            --depth;
        } else if (is(xml, kCardDav, u"addressbook-home-set")) {
            found.homeSet = hrefInside(xml);
            --depth;
        } else if (is(xml, kCardDav, u"address-data")) {
            found.card = xml.readElementText().toUtf8();
            --depth;
        }
    }
    if (ok) {
        resource.collection = resource.collection || found.collection;
        resource.addressBook = resource.addressBook || found.addressBook;
        for (auto [into, from] : {std::pair{&resource.displayName, &found.displayName},
                                  std::pair{&resource.etag, &found.etag},
                                  std::pair{&resource.principal, &found.principal},
                                  std::pair{&resource.homeSet, &found.homeSet}}) {
            if (into->isEmpty()) {
                *into = *from;
            }
        }
        if (resource.card.isEmpty()) {
            resource.card = found.card;
        }
    }
}

DavResource readResponse(QXmlStreamReader& xml)
{
    DavResource resource;
    while (xml.readNextStartElement()) {
        if (is(xml, kDav, u"href") && resource.href.isEmpty()) {
            resource.href = xml.readElementText().trimmed();
        } else if (is(xml, kDav, u"status")) {
            resource.status = xml.readElementText().section(u' ', 1, 1).toInt();
        } else if (is(xml, kDav, u"propstat")) {
            readPropstat(xml, resource);
        } else {
            xml.skipCurrentElement();
        }
    }
    return resource;
}

} // namespace

std::optional<QList<DavResource>> parseMultistatus(const QByteArray& body, QString& reason,
                                                   QString* syncToken)
{
    QXmlStreamReader xml(body);
    QList<DavResource> resources;
    if (!xml.readNextStartElement() || !is(xml, kDav, u"multistatus")) {
        reason = QCoreApplication::translate("DavClient", "the server's answer is not a WebDAV "
                                                          "multistatus");
        return std::nullopt;
    }
    while (xml.readNextStartElement()) {
        if (is(xml, kDav, u"response")) {
            resources.append(readResponse(xml));
        } else if (is(xml, kDav, u"sync-token") && syncToken) {
            *syncToken = xml.readElementText().trimmed();
        } else {
            xml.skipCurrentElement();
        }
    }
    if (xml.hasError()) {
        reason = QCoreApplication::translate("DavClient", "the server's answer is broken XML: %1")
                     .arg(xml.errorString());
        return std::nullopt;
    }
    return resources;
}

std::optional<QList<DavResource>> multistatusOf(const DavReply& reply, const QString& what,
                                                const QUrl& url, QString& reason,
                                                QString* syncToken)
{
    if (reply.status != 207) {
        reason = refusalText(what, url, reply);
        return std::nullopt;
    }
    std::optional<QList<DavResource>> resources = parseMultistatus(reply.body, reason, syncToken);
    if (!resources) {
        reason = QStringLiteral("%1: %2").arg(what, reason);
    }
    return resources;
}

} // namespace norvane
