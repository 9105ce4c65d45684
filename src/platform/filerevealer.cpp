#include "platform/filerevealer.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QFileInfo>

namespace {

const QString kService = QStringLiteral("org.freedesktop.FileManager1");
const QString kPath = QStringLiteral("/org/freedesktop/FileManager1");

} // namespace

DesktopFileRevealer::DesktopFileRevealer(QObject *parent)
    : DesktopFileRevealer(QDBusConnection::sessionBus(), [](const QUrl &folder) { QDesktopServices::openUrl(folder); },
                          parent)
{
}

DesktopFileRevealer::DesktopFileRevealer(const QDBusConnection &bus, OpenFolder openFolder, QObject *parent)
    : QObject(parent)
    , m_bus(bus)
    , m_openFolder(std::move(openFolder))
{
}

void DesktopFileRevealer::reveal(const QString &filePath)
{
    if (!m_bus.isConnected()) {
        openFolderOf(filePath);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(filePath).toString(QUrl::FullyEncoded)} << QString();
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, filePath](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        if (w->isError())
            openFolderOf(filePath);
    });
}

void DesktopFileRevealer::openFolderOf(const QString &filePath)
{
    m_openFolder(QUrl::fromLocalFile(QFileInfo(filePath).absolutePath()));
}
