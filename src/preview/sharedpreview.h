#pragma once

#include "preview/screenshotpreview.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

class TVSession;

// The one capture loop of the live picture, shared by every view that shows it (the remote
// card, the apps page, the tray panel), so the TV is asked once a second however many of them
// are on screen. Each view states whether it wants the picture and for which TV; the loop
// runs while at least one does and stops when none does. Main thread only.
class SharedPreview : public QObject {
    Q_OBJECT

public:
    explicit SharedPreview(TVSession *session, QObject *parent = nullptr);
    ~SharedPreview() override;

    ScreenshotPreview *preview() { return &m_preview; }
    const ScreenshotPreview *preview() const { return &m_preview; }

    // `viewer` wants the picture of the TV with id `key`, or nothing with an empty key (also
    // what a viewer must say before it goes).
    void setDemand(const QObject *viewer, const QString &key);
    // The TV the loop runs for; empty while it does not run.
    QString runningKey() const { return m_key; }
    int viewerCount() const { return int(m_demands.size()); }

Q_SIGNALS:
    void runningKeyChanged(const QString &key);

private:
    void update();

    QPointer<TVSession> m_session;
    ScreenshotPreview m_preview;
    QHash<const QObject *, QString> m_demands;
    QString m_key;
};
