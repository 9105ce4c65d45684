#pragma once

#include <QObject>
#include <QString>

#include <optional>

class QNetworkReply;
class QSslCertificate;
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

    // Lower-case hex SHA-256 of the certificate's DER bytes.
    static QString fingerprint(const QSslCertificate &certificate);

    // Records the leaf's fingerprint and decides. Logs "TLS 证书指纹不匹配，拒绝连接" on refusal.
    bool evaluate(const QSslCertificate &leaf);

    // Gives the socket/reply a TLS configuration with no trusted CAs (so the handshake always
    // asks us) and wires its sslErrors to evaluate().
    void attach(QWebSocket *socket);
    void attach(QNetworkReply *reply);

private:
    std::optional<QString> m_expected;
    std::optional<QString> m_observed;
};
