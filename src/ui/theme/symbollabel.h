#pragma once

#include <QLabel>

class Icons;

// A small symbol beside a text, drawn again whenever the palette changes so it follows the
// appearance (a pixmap made once would keep the colours of the moment it was made).
class SymbolLabel : public QLabel {
    Q_OBJECT

public:
    SymbolLabel(Icons *icons, const QString &symbol, int size, QWidget *parent = nullptr);

protected:
    void changeEvent(QEvent *event) override;

private:
    void render();

    Icons *m_icons;
    QString m_symbol;
    int m_size;
};
