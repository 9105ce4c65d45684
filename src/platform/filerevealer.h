#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>

// Shows a file in the desktop's file manager. An interface so that tests record instead.
class FileRevealer {
public:
    virtual ~FileRevealer() = default;
    virtual void reveal(const QString &filePath) = 0;
};

// Asks the freedesktop file manager service to show and select the file; when no file
// manager answers on the session bus, opens the folder that holds the file instead. Never
// waits for the answer on the caller's thread.
class DesktopFileRevealer : public QObject, public FileRevealer {
    Q_OBJECT

public:
    using OpenFolder = std::function<void(const QUrl &folder)>;

    // The session bus, and QDesktopServices::openUrl for the fallback.
    explicit DesktopFileRevealer(QObject *parent = nullptr);
    DesktopFileRevealer(const QDBusConnection &bus, OpenFolder openFolder, QObject *parent = nullptr);

    void reveal(const QString &filePath) override;

private:
    void openFolderOf(const QString &filePath);

    QDBusConnection m_bus;
    OpenFolder m_openFolder;
};
