#pragma once

#include <QWidget>

class Icons;

// A symbol from the project's set, drawn at a fixed size beside a text or on its own. It paints
// from the icon on every repaint, so the palette-coloured symbol follows an appearance switch.
class SymbolView : public QWidget {
    Q_OBJECT

public:
    SymbolView(Icons *icons, const QString &symbol, int size, QWidget *parent = nullptr);

    QString symbol() const { return m_symbol; }
    void setSymbol(const QString &symbol);

    QSize sizeHint() const override { return {m_size, m_size}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Icons *m_icons;
    QString m_symbol;
    int m_size;
};
