#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <chrono>

class QWebSocket;

// Write-only client of the TV's pointer socket: button, move, scroll and click frames.
// isOpen turns false on the first failed send or receive, or on close(); a client never
// reopens, the session replaces it.
class PointerClient : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isOpen READ isOpen NOTIFY isOpenChanged)

public:
    // A socket that has not finished its opening handshake by then counts as failed.
    static constexpr std::chrono::milliseconds kOpenTimeout{8000};

    // Takes ownership of the (pinned, not yet opened) socket and opens it at url. Frames sent
    // before the socket is connected are queued and go out in order once it is.
    PointerClient(QWebSocket *socket, const QUrl &url, QObject *parent = nullptr);
    ~PointerClient() override;

    bool isOpen() const { return m_isOpen; }

    void button(const QString &name);
    void move(int dx, int dy);
    void scroll(int dx, int dy);
    void click();
    void close();

    // Frame texts, exposed for tests and benchmarks.
    static QString buttonFrame(const QString &name);
    static QString moveFrame(int dx, int dy);
    static QString scrollFrame(int dx, int dy);
    static QString clickFrame();

Q_SIGNALS:
    void isOpenChanged(bool isOpen);

private:
    void send(const QString &frame);
    void markClosed();

    QPointer<QWebSocket> m_socket;
    QStringList m_queue;
    bool m_isOpen = true;
};
