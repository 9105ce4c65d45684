#pragma once

#include <QIcon>
#include <QWidget>

// A symbol drawn at a fixed size. It paints from its icon on every repaint, so the
// palette-coloured symbols follow a theme switch.
class SymbolView : public QWidget {
    Q_OBJECT

public:
    SymbolView(const QIcon &icon, const QString &symbol, int size = 16, QWidget *parent = nullptr);

    QString symbol() const { return m_symbol; }
    void setSymbol(const QIcon &icon, const QString &symbol);

    QSize sizeHint() const override { return {m_size, m_size}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QIcon m_icon;
    QString m_symbol;
    int m_size;
};

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
