#pragma once

#include <QAbstractButton>
#include <QColor>

class Icons;
class PressFeedback;

// A circular symbol button with an optional tooltip; a tint colours the symbol and its disc.
class RoundIconButton : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(QString symbol READ symbol WRITE setSymbol NOTIFY symbolChanged)

public:
    RoundIconButton(Icons *icons, const QString &symbol, int size = 36, const QColor &tint = QColor(),
                    const QString &tip = QString(), QWidget *parent = nullptr);

    QString symbol() const { return m_symbol; }
    void setSymbol(const QString &symbol);
    QColor tint() const { return m_tint; }
    void setTint(const QColor &tint);
    // Sets the tooltip and, when present, the accessible name.
    void setTip(const QString &tip);
    int diameter() const { return m_size; }
    PressFeedback *feedback() const { return m_feedback; }

    QSize sizeHint() const override { return {m_size + 4, m_size + 4}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

Q_SIGNALS:
    void symbolChanged(const QString &symbol);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Icons *m_icons;
    QString m_symbol;
    int m_size;
    QColor m_tint;
    PressFeedback *m_feedback;
};
