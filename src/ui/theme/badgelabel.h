#pragma once

#include <QWidget>

// A short text on a rounded tinted background ("已配对", "正在使用").
class BadgeLabel : public QWidget {
    Q_OBJECT

public:
    explicit BadgeLabel(const QString &text, QWidget *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
};
