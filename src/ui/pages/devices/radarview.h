#pragma once

#include <QAbstractButton>

class QVariantAnimation;

// The discovery radar: its sweep turns while a scan runs; clicking it asks for a new scan.
class RadarView : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(bool active READ isActive WRITE setActive NOTIFY activeChanged)
    Q_PROPERTY(double angle READ angle NOTIFY angleChanged)

public:
    explicit RadarView(QWidget *parent = nullptr);

    bool isActive() const { return m_active; }
    void setActive(bool active);
    double angle() const { return m_angle; }
    bool isSweeping() const;

    QSize sizeHint() const override { return {96, 96}; }
    QSize minimumSizeHint() const override { return {72, 72}; }

Q_SIGNALS:
    void activeChanged(bool active);
    void angleChanged(double angle);

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void updateAnimation();

    bool m_active = false;
    double m_angle = 0;
    QVariantAnimation *m_sweep;
};
