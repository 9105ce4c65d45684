#pragma once

#include <QObject>

#include <QCoro/QCoroTask>

class TVSession;

// Reloads the input and app lists while the page is shown: once when it appears and again
// whenever the session becomes ready or stops being ready, and only while it is ready.
// A newer run makes an older one stop at its next step.
class AppsLoader : public QObject {
    Q_OBJECT

public:
    explicit AppsLoader(TVSession *session, QObject *parent = nullptr);

    void setShown(bool shown);
    int runs() const { return m_runs; }

private:
    void readinessMaybeChanged();
    void restart();
    QCoro::Task<> run(quint64 generation);
    bool isReady() const;

    TVSession *m_session;
    bool m_shown = false;
    bool m_ready = false;
    quint64 m_generation = 0;
    int m_runs = 0;
};
