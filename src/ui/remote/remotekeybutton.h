#pragma once

#include <QAbstractButton>

class Icons;
class PressFeedback;

// One key of the on-screen remote: a round key with a symbol or a short label (the D-pad), or
// a capsule with a symbol and a label beneath it (back, home, menu). Flashes through its
// press feedback, also when the keyboard pressed it.
class RemoteKeyButton : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(QString symbol READ symbol CONSTANT)

public:
    enum class Shape { round, capsule };

    RemoteKeyButton(Icons *icons, Shape shape, const QString &symbol, const QString &label, int size,
                    QWidget *parent = nullptr);

    QString symbol() const { return m_symbol; }
    QString label() const { return text(); }
    PressFeedback *feedback() const { return m_feedback; }
    // Set on the centre key: drawn in the accent colour.
    void setAccent(bool accent);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Icons *m_icons;
    Shape m_shape;
    QString m_symbol;
    int m_size;
    bool m_accent = false;
    PressFeedback *m_feedback;
};
