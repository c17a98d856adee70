#include "sync/dav_client.h"

#include <QAuthenticator>
#include <QCoreApplication>
#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QSslError>
#include <QTimer>

namespace norvane {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("DavClient", text);
}

bool isLoopback(const QUrl& url)
{
    const QString host = url.host();
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0) {
        return true;
    }
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

// Whether a refusal asks for Basic authentication, or names no way at all.
bool offersBasic(const QNetworkReply& answer)
{
    const QByteArray challenges = answer.rawHeader("WWW-Authenticate").toLower();
    return challenges.isEmpty() || challenges.contains("basic");
}

} // namespace

QString refusalText(const QString& what, const QUrl& url, const DavReply& reply)
{
    if (!reply.answered()) {
        return tr("%1: %2").arg(what, reply.failure);
    }
    if (reply.status == 401 || reply.status == 403) {
        return tr("%1: %2 refused the user name or password (HTTP %3)")
            .arg(what, url.host())
            .arg(reply.status);
    }
    if (reply.succeeded()) {
        return tr("%1: the answer of %2 is not a WebDAV one").arg(what, url.host());
    }
    return tr("%1: %2 answered HTTP %3").arg(what, url.host()).arg(reply.status);
}

QByteArray fingerprintText(const QByteArray& sha256)
{
    return sha256.toHex(':').toUpper();
}

DavClient::DavClient(QString user, QString password, DavSecurity security)
    : m_user(std::move(user)), m_password(std::move(password)), m_security(std::move(security))
{
}

bool isHttpAddress(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() && (scheme == u"https" || scheme == u"http");
}

bool DavClient::mayConnect(const QUrl& url, QString& reason) const
{
    const QString scheme = url.scheme().toLower();
    if (!isHttpAddress(url)) {
        reason = tr("%1 is not an http or https address").arg(url.toDisplayString());
        return false;
    }
    if (scheme == u"http" && !isLoopback(url) && !m_security.allowInsecure) {
        reason = tr("%1 is plain http: the password would cross the network unencrypted. Use "
                    "https, or allow it with --allow-insecure")
                     .arg(url.toDisplayString());
        return false;
    }
    return true;
}

DavReply DavClient::send(const QByteArray& method, const QUrl& url, const QByteArray& body,
                         const QList<std::pair<QByteArray, QByteArray>>& headers)
{
    DavReply reply;
    if (!mayConnect(url, reply.failure)) {
        return reply;
    }
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(kTimeoutMs);
    if (m_sendsBasic) {
        request.setRawHeader("Authorization",
                             "Basic " + (m_user + u':' + m_password).toUtf8().toBase64());
    }
    request.setRawHeader("User-Agent", "Norvane");
    if (!body.isEmpty()) {
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          QByteArray("application/xml; charset=utf-8"));
    }
    for (const auto& [name, value] : headers) {
        request.setRawHeader(name, value);
    }
    QNetworkReply* answer = m_network.sendCustomRequest(request, method, body);
    // Once the server asked for another way than Basic (Digest), Qt answers
    // its challenge with the same user and password, once; asked again,
    // they were refused.
    bool challengeAnswered = false;
    const QMetaObject::Connection challenge =
        QObject::connect(&m_network, &QNetworkAccessManager::authenticationRequired, answer,
                         [&](QNetworkReply* asking, QAuthenticator* authenticator) {
                             if (asking == answer && !challengeAnswered) {
                                 challengeAnswered = true;
                                 authenticator->setUser(m_user);
                                 authenticator->setPassword(m_password);
                             }
                         });
    QByteArray refusedFingerprint;
    QObject::connect(answer, &QNetworkReply::sslErrors, answer, [&](const QList<QSslError>&) {
        const QByteArray fingerprint = fingerprintText(
            answer->sslConfiguration().peerCertificate().digest(QCryptographicHash::Sha256));
        if (!m_security.trustedFingerprint.isEmpty() &&
            fingerprint.compare(m_security.trustedFingerprint, Qt::CaseInsensitive) == 0) {
            answer->ignoreSslErrors();
        } else {
            refusedFingerprint = fingerprint;
        }
    });
    QObject::connect(answer, &QNetworkReply::downloadProgress, answer, [&](qint64 received) {
        if (received > kLargestAnswer) {
            reply.tooLarge = true;
            answer->abort();
        }
    });
    QEventLoop loop;
    QObject::connect(answer, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    QObject::disconnect(challenge);
    reply.status =
        reply.tooLarge ? 0 : answer->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply.tooLarge) {
        reply.failure = tr("the answer of %1 is larger than %2 MB")
                            .arg(url.host())
                            .arg(kLargestAnswer / (1024 * 1024));
    } else if (reply.status == 401 && m_sendsBasic && !offersBasic(*answer)) {
        m_sendsBasic = false;
        answer->deleteLater();
        return send(method, url, body, headers);
    } else if (reply.answered()) {
        reply.body = answer->readAll();
        reply.etag = answer->rawHeader("ETag");
        const QUrl location =
            answer->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
        if (location.isValid()) {
            reply.location = url.resolved(location).adjusted(QUrl::RemoveUserInfo);
        }
    } else if (!refusedFingerprint.isEmpty()) {
        reply.failure = tr("the certificate of %1 is not trusted (SHA-256 fingerprint %2); if it "
                           "is the one you expect, accept it with --trust-fingerprint %2")
                            .arg(url.host(), QString::fromLatin1(refusedFingerprint));
    } else if (answer->error() == QNetworkReply::OperationCanceledError) {
        reply.failure = tr("no answer from %1 within %2 s").arg(url.host()).arg(kTimeoutMs / 1000);
    } else {
        reply.failure = tr("no answer from %1: %2").arg(url.host(), answer->errorString());
    }
    answer->deleteLater();
    return reply;
}

DavReply DavClient::propfind(const QUrl& url, int depth, const QByteArray& properties)
{
    const QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                            "<d:propfind xmlns:d=\"DAV:\" "
                            "xmlns:c=\"urn:ietf:params:xml:ns:carddav\"><d:prop>" +
                            properties + "</d:prop></d:propfind>";
    return send("PROPFIND", url, body, {{"Depth", QByteArray::number(depth)}});
}

} // namespace norvane
