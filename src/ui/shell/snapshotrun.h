#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <chrono>

class MainWindow;

// Pictures of the program: after a short wait for the first paint, visits every page in order
// and writes one PNG of each visible window of the application into a folder (created when
// missing). Files are named after the page, and after the window when it is not the main one:
// "remote.png", "apps.png", "remote-trayPanel.png".
class SnapshotRun : public QObject {
    Q_OBJECT

public:
    struct Timing {
        std::chrono::milliseconds firstPaint{800};
        std::chrono::milliseconds perPage{500};
    };

    SnapshotRun(MainWindow *window, const QString &folder, Timing timing, QObject *parent = nullptr);
    SnapshotRun(MainWindow *window, const QString &folder, QObject *parent = nullptr)
        : SnapshotRun(window, folder, Timing(), parent) {}

    void start();
    QStringList written() const { return m_written; }
    QString errorString() const { return m_error; }

    // Renders every visible top-level window into `folder` with the given base name.
    static QStringList captureWindows(const QString &folder, const QString &baseName, QString *error = nullptr);

Q_SIGNALS:
    void finished(const QStringList &files);

private:
    void visit(int index);
    void capture(int index);

    QPointer<MainWindow> m_window;
    QString m_folder;
    Timing m_timing;
    QStringList m_written;
    QString m_error;
};
