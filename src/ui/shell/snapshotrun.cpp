#include "ui/shell/snapshotrun.h"

#include "log/log.h"
#include "ui/shell/mainwindow.h"
#include "ui/page.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QSet>
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
    QSet<QString> used;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (!window->isVisible() || window->windowType() == Qt::ToolTip)
            continue;
        // Only the main window takes the page's own name: a window without a name would
        // otherwise overwrite that picture. Unnamed ones are named after their class.
        QString name = window->objectName();
        if (name.isEmpty())
            name = QString::fromLatin1(window->metaObject()->className());
        const QString first = name == QLatin1String("main") ? baseName : baseName + QLatin1Char('-') + name;
        QString stem = first;
        for (int n = 2; used.contains(stem); ++n)
            stem = first + QLatin1Char('-') + QString::number(n);
        used.insert(stem);
        const QString file = QDir(folder).filePath(stem + QStringLiteral(".png"));
        if (window->grab().save(file, "PNG")) {
            files.append(file);
        } else if (error) {
            *error = QStringLiteral("cannot write ") + file;
        }
    }
    return files;
}
