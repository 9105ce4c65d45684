#pragma once

#include <QObject>
#include <QString>

#include <optional>

class QNetworkReply;
class QSslCertificate;
class QSslConfiguration;
class QWebSocket;

// Trust on first use: a TV's certificate is trusted by the SHA-256 fingerprint of its leaf
// certificate, never by CA validation. Without an expected fingerprint every certificate is
// accepted and its fingerprint recorded; with one, only that exact certificate is accepted.
// The decision is taken during the TLS handshake, before any application byte is sent.
class PinnedTLSDelegate : public QObject {
    Q_OBJECT

public:
    explicit PinnedTLSDelegate(const std::optional<QString> &expectedFingerprint,
                               QObject *parent = nullptr);

    std::optional<QString> expectedFingerprint() const { return m_expected; }
    std::optional<QString> observedFingerprint() const { return m_observed; }
    // True when the latest decision was a refusal: the handshake failure that follows is ours.
    bool lastRefused() const { return m_lastRefused; }

    // Transport error text of a connection this delegate refused.
    static QString refusalText();

    // Lower-case hex SHA-256 of the certificate's DER bytes.
    static QString fingerprint(const QSslCertificate &certificate);

    // Records the leaf's fingerprint and decides. Logs "TLS 证书指纹不匹配，拒绝连接" on refusal.
    bool evaluate(const QSslCertificate &leaf);

    // The TLS configuration every pinned connection uses: no trusted CAs and peer
    // verification on, so the handshake always reports errors and evaluate() decides.
    static QSslConfiguration configuration();

    // Gives the socket the pinned TLS configuration and wires its sslErrors to evaluate().
    // Errors are ignored (exactly the reported list) only when evaluate() accepts.
    void attach(QWebSocket *socket);
    // Same for a reply; its request must already carry configuration().
    void attach(QNetworkReply *reply);

private:
    std::optional<QString> m_expected;
    std::optional<QString> m_observed;
    bool m_lastRefused = false;
};
