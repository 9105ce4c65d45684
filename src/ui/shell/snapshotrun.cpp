#include "ui/shell/snapshotrun.h"

#include "log/log.h"
#include "ui/shell/mainwindow.h"
#include "ui/page.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

SnapshotRun::SnapshotRun(MainWindow *window, const QString &folder, Timing timing, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_folder(folder)
    , m_timing(timing)
{
}

void SnapshotRun::start()
{
    if (!QDir().mkpath(m_folder)) {
        m_error = QStringLiteral("cannot create ") + m_folder;
        veltrix::log(QStringLiteral("快照失败: ") + m_error);
        Q_EMIT finished(m_written);
        return;
    }
    QTimer::singleShot(m_timing.firstPaint, this, [this] { visit(0); });
}

void SnapshotRun::visit(int index)
{
    const QList<Page> pages = allPages();
    if (!m_window || index >= pages.size()) {
        veltrix::log(QStringLiteral("快照完成: ") + QString::number(m_written.size()) + QStringLiteral(" 张，位于 ") + m_folder);
        Q_EMIT finished(m_written);
        return;
    }
    m_window->setPage(pages.at(index));
    QTimer::singleShot(m_timing.perPage, this, [this, index] { capture(index); });
}

void SnapshotRun::capture(int index)
{
    m_written += captureWindows(m_folder, pageId(allPages().at(index)), &m_error);
    visit(index + 1);
}

QStringList SnapshotRun::captureWindows(const QString &folder, const QString &baseName, QString *error)
{
    QStringList files;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (!window->isVisible() || window->windowType() == Qt::ToolTip)
            continue;
        const QString name = window->objectName();
        const bool main = name == QLatin1String("main") || name.isEmpty();
        const QString file = QDir(folder).filePath(main ? QString(baseName + QStringLiteral(".png"))
                                                        : QString(baseName + QLatin1Char('-') + name + QStringLiteral(".png")));
        if (window->grab().save(file, "PNG")) {
            files.append(file);
        } else if (error) {
            *error = QStringLiteral("cannot write ") + file;
        }
    }
    return files;
}
