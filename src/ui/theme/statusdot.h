#pragma once

#include "core/connectionstate.h"

#include <QWidget>

// The coloured connection-state mark: an 8-point dot.
class StatusDot : public QWidget {
    Q_OBJECT

public:
    explicit StatusDot(QWidget *parent = nullptr);

    void setState(const ConnectionState &state, bool standby);

    ConnectionState state() const { return m_state; }
    bool standby() const { return m_standby; }
    QColor color() const;

    QSize sizeHint() const override { return {10, 10}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    ConnectionState m_state;
    bool m_standby = false;
};
