#include "sync/discovery.h"

#include "sync/multistatus.h"

#include <QCoreApplication>
#include <algorithm>

namespace norvane {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("DavClient", text);
}

constexpr QByteArrayView kWhatItIs = "<d:resourcetype/><d:displayname/>"
                                     "<d:current-user-principal/><c:addressbook-home-set/>";

// The resources of a PROPFIND; nullopt with a reason when it failed.
std::optional<QList<DavResource>> ask(DavClient& client, const QUrl& url, int depth,
                                      QByteArrayView properties, QString& reason)
{
    return multistatusOf(client.propfind(url, depth, properties.toByteArray()),
                         tr("finding the address book"), url, reason);
}

// The collection's own entry of a listing (its href is the URL's path).
const DavResource* itself(const QList<DavResource>& resources, const QUrl& url)
{
    const auto same = [&](const DavResource& r) {
        return url.resolved(QUrl(r.href)).path() == url.path() ||
               url.resolved(QUrl(r.href)).path() + u'/' == url.path();
    };
    const auto found = std::find_if(resources.cbegin(), resources.cend(), same);
    return found != resources.cend() ? &*found : (resources.size() == 1 ? &resources[0] : nullptr);
}

// Lists a collection that is an address book: its name and its cards.
std::optional<FoundAddressBook> describe(DavClient& client, const QUrl& url, QString& reason)
{
    const auto listing = ask(client, url, 1, "<d:resourcetype/><d:displayname/>", reason);
    if (!listing) {
        return std::nullopt;
    }
    FoundAddressBook book{url, {}, 0};
    for (const DavResource& resource : *listing) {
        if (&resource == itself(*listing, url)) {
            book.name = resource.displayName;
        } else if (!resource.collection) {
            ++book.cards;
        }
    }
    return book;
}

QUrl withSlash(QUrl url)
{
    if (!url.path().endsWith(u'/')) {
        url.setPath(url.path() + u'/');
    }
    return url;
}

} // namespace

std::optional<FoundAddressBook> findAddressBook(DavClient& client, const QUrl& given,
                                                QString& reason)
{
    QUrl url = withSlash(given.adjusted(QUrl::RemoveUserInfo));
    if (!client.mayConnect(url, reason)) {
        return std::nullopt;
    }
    // A server root names no user: RFC 6764 points from it to the context path.
    if (url.path() == u"/") {
        const QUrl wellKnown = url.resolved(QUrl(QStringLiteral("/.well-known/carddav")));
        const DavReply reply = client.send("GET", wellKnown);
        if (reply.status >= 300 && reply.status < 400 && reply.location.isValid() &&
            client.mayConnect(reply.location, reason)) {
            url = withSlash(reply.location);
        }
    }
    auto here = ask(client, url, 0, kWhatItIs, reason);
    if (!here) {
        return std::nullopt;
    }
    const DavResource* self = itself(*here, url);
    if (self && self->addressBook) {
        return describe(client, url, reason);
    }
    QString home = self ? self->homeSet : QString();
    if (home.isEmpty() && self && !self->principal.isEmpty()) {
        const QUrl principal = url.resolved(QUrl(self->principal));
        const auto asked = ask(client, principal, 0, kWhatItIs, reason);
        if (!asked) {
            return std::nullopt;
        }
        const DavResource* user = itself(*asked, principal);
        home = user ? user->homeSet : QString();
        url = principal;
    }
    // Without a home, the URL given may hold the address books itself.
    const QUrl homeUrl = home.isEmpty() ? url : withSlash(url.resolved(QUrl(home)));
    const auto listing = ask(client, homeUrl, 1, "<d:resourcetype/><d:displayname/>", reason);
    if (!listing) {
        return std::nullopt;
    }
    QList<QUrl> books;
    for (const DavResource& resource : *listing) {
        if (resource.addressBook) {
            books.append(withSlash(homeUrl.resolved(QUrl(resource.href))));
        }
    }
    if (books.isEmpty()) {
        reason = tr("%1 holds no address book for this user").arg(homeUrl.toDisplayString());
        return std::nullopt;
    }
    std::sort(books.begin(), books.end(),
              [](const QUrl& a, const QUrl& b) { return a.path() < b.path(); });
    return describe(client, books.first(), reason);
}

} // namespace norvane
