#include "protocol/pinnedtlsdelegate.h"

#include "log/coretext.h"
#include "log/log.h"

#include <QCryptographicHash>
#include <QNetworkReply>
#include <QPointer>
#include <QSslConfiguration>
#include <QSslError>
#include <QSslSocket>
#include <QWebSocket>

namespace {

// No trusted roots and peer verification on: every handshake reports errors, so nothing is
// accepted without going through evaluate(). Loading the system roots on demand stays off
// because the CA list was set explicitly.
QSslConfiguration pinnedConfiguration()
{
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setCaCertificates({});
    config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    return config;
}

// The peer chain is complete by the time sslErrors is emitted; its first entry is the leaf.
// The error list is only a fallback: there the leaf is the certificate of a host-name or
// self-signed error, or else the first certificate mentioned at all.
QSslCertificate leafOf(const QSslConfiguration &live, const QList<QSslError> &errors)
{
    const QList<QSslCertificate> chain = live.peerCertificateChain();
    if (!chain.isEmpty())
        return chain.first();
    if (!live.peerCertificate().isNull())
        return live.peerCertificate();
    for (const QSslError &error : errors) {
        if ((error.error() == QSslError::HostNameMismatch
             || error.error() == QSslError::SelfSignedCertificate)
            && !error.certificate().isNull())
            return error.certificate();
    }
    for (const QSslError &error : errors) {
        if (!error.certificate().isNull())
            return error.certificate();
    }
    return QSslCertificate();
}

} // namespace

PinnedTLSDelegate::PinnedTLSDelegate(const std::optional<QString> &expectedFingerprint,
                                     QObject *parent)
    : QObject(parent)
    , m_expected(expectedFingerprint)
{
}

QString PinnedTLSDelegate::fingerprint(const QSslCertificate &certificate)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(certificate.toDer(), QCryptographicHash::Sha256).toHex());
}

QString PinnedTLSDelegate::refusalText()
{
    return veltrix::coreText(QT_TRANSLATE_NOOP("CoreText", "TLS 证书指纹不匹配，拒绝连接"));
}

bool PinnedTLSDelegate::evaluate(const QSslCertificate &leaf)
{
    // Without a certificate there is nothing to pin; leave the handshake to fail.
    if (leaf.isNull()) {
        m_lastRefused = true;
        return false;
    }
    const QString observed = fingerprint(leaf);
    m_observed = observed;
    m_lastRefused = m_expected && *m_expected != observed;
    if (m_lastRefused)
        veltrix::log(refusalText());
    return !m_lastRefused;
}

QSslConfiguration PinnedTLSDelegate::configuration()
{
    return pinnedConfiguration();
}

void PinnedTLSDelegate::attach(QWebSocket *socket)
{
    socket->setSslConfiguration(pinnedConfiguration());
    const QPointer<QWebSocket> guard(socket);
    // Context is the delegate: once it is gone nobody accepts, and the handshake fails.
    QObject::connect(socket, &QWebSocket::sslErrors, this,
                     [this, guard](const QList<QSslError> &errors) {
                         if (!guard)
                             return;
                         if (evaluate(leafOf(guard->sslConfiguration(), errors)))
                             guard->ignoreSslErrors(errors);
                     });
}

void PinnedTLSDelegate::attach(QNetworkReply *reply)
{
    const QPointer<QNetworkReply> guard(reply);
    QObject::connect(reply, &QNetworkReply::sslErrors, this,
                     [this, guard](const QList<QSslError> &errors) {
                         if (!guard)
                             return;
                         if (evaluate(leafOf(guard->sslConfiguration(), errors)))
                             guard->ignoreSslErrors(errors);
                     });
}
