#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkAccessManager>
#include <QString>
#include <QUrl>
#include <utility>

namespace norvane {

// What a server said to one request: its HTTP status and body, or, when no
// answer came (offline, refused, timed out, a certificate refused), why not.
struct DavReply
{
    int status = 0; // 0: no answer
    QByteArray body;
    QByteArray etag;
    QUrl location; // of a redirect, resolved, without user and password
    QString failure;
    bool tooLarge = false; // the answer was larger than the client reads

    bool answered() const { return status != 0; }
    bool succeeded() const { return status >= 200 && status < 300; }
};

// How far the client trusts the connection: plain http only to a loopback
// address unless allowed, and one certificate accepted by its SHA-256
// fingerprint where the system's certificates do not vouch for it.
struct DavSecurity
{
    bool allowInsecure = false;
    QByteArray trustedFingerprint; // hex, as the refusal showed it
};

// Speaks WebDAV to one server for one user, a request at a time; each call
// waits for its answer (at most the timeout) in an event loop of its own.
// The password goes along with every request (Basic), or, once the server
// asked for Digest, answers its challenge; it is never logged or shown.
class DavClient
{
public:
    DavClient(QString user, QString password, DavSecurity security);

    // Whether the client may send the password to that address; a reason
    // when not.
    bool mayConnect(const QUrl& url, QString& reason) const;

    DavReply send(const QByteArray& method, const QUrl& url, const QByteArray& body = {},
                  const QList<std::pair<QByteArray, QByteArray>>& headers = {});
    // A PROPFIND asking for the properties (the inside of <prop>, with the
    // prefixes d: for DAV: and c: for CardDAV) at that depth.
    DavReply propfind(const QUrl& url, int depth, const QByteArray& properties);

    static constexpr int kTimeoutMs = 30000;
    // The largest answer read; a larger one fails as malformed.
    static constexpr qint64 kLargestAnswer = 64 * 1024 * 1024;

private:
    QString m_user;
    QString m_password;
    DavSecurity m_security;
    QNetworkAccessManager m_network;
    bool m_sendsBasic = true;
};

// Whether the URL is a valid http or https address with a host.
bool isHttpAddress(const QUrl& url);

// Why a reply is not the success asked for, in words, after what was being
// done: "listing the address book: 127.0.0.1 answered HTTP 500".
QString refusalText(const QString& what, const QUrl& url, const DavReply& reply);

// The SHA-256 fingerprint of a certificate, as hex pairs joined by ':'.
QByteArray fingerprintText(const QByteArray& sha256);

} // namespace norvane
