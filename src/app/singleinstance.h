#pragma once

#include <QObject>
#include <QString>

#include <chrono>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

// One running Veltrix per settings file. The owner listens on a local socket whose name comes
// from the settings file's absolute path (so tests and demos with their own file never meet);
// a later launch hands its request over to the owner and exits.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    enum class Request : quint8 { activate = 1 };

    explicit SingleInstance(const QString &settingsFile, QObject *parent = nullptr);
    ~SingleInstance() override;

    // The socket's path: in $XDG_RUNTIME_DIR, else in the temporary folder with the user's id.
    static QString socketPath(const QString &settingsFile);

    // True when this process now owns the settings file. What an owner that died left behind
    // (its socket, its lock) does not block.
    bool acquire();
    bool isOwner() const;

    // From a later launch: delivers the request and waits for the owner's acknowledgement,
    // at most `timeout` for each step. Blocks; meant to run before any event loop.
    bool handOver(Request request, std::chrono::milliseconds timeout = std::chrono::milliseconds(2000));

    QString socketPath() const { return m_path; }
    QString errorString() const { return m_error; }

Q_SIGNALS:
    // On the owner: a later launch asked to show the application.
    void activationRequested();

private:
    void accept();
    void readRequest(QLocalSocket *peer);

    QString m_path;
    QString m_error;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
};
