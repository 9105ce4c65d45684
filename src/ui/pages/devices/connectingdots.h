#pragma once

#include <QLabel>

class QTimer;

// Three dots that fill in one by one while `active`; empty otherwise.
class ConnectingDots : public QLabel {
    Q_OBJECT
    Q_PROPERTY(bool active READ isActive WRITE setActive NOTIFY activeChanged)
    Q_PROPERTY(int phase READ phase NOTIFY phaseChanged)

public:
    explicit ConnectingDots(QWidget *parent = nullptr);

    bool isActive() const { return m_active; }
    void setActive(bool active);
    int phase() const { return m_phase; }
    // Moves to the next phase (the timer's step; tests call it directly).
    void advance();

    // As wide as the full row of dots, so the text beside it does not jump.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

Q_SIGNALS:
    void activeChanged(bool active);
    void phaseChanged(int phase);

private:
    void setPhase(int phase);

    bool m_active = false;
    int m_phase = 0;
    QTimer *m_timer;
};
