#pragma once

#include <QWidget>

class QLabel;
class StatusDot;
class TVSession;

// The coloured status dot followed by the state's title ("已连接", "待机"), kept in step with
// the session. Its parts are named from `name`: name + "StatusDot" and name + "StateTitle".
class StateLine : public QWidget {
    Q_OBJECT

public:
    StateLine(TVSession *session, const QString &name, QWidget *parent = nullptr);

    StatusDot *dot() const { return m_dot; }
    QLabel *title() const { return m_title; }

private:
    void refresh();

    TVSession *m_session;
    StatusDot *m_dot;
    QLabel *m_title;
};
