#pragma once

#include <QFrame>

// The rounded card every page groups its content in; a highlighted card is drawn emphasised.
class Panel : public QFrame {
    Q_OBJECT
    Q_PROPERTY(bool highlighted READ isHighlighted WRITE setHighlighted NOTIFY highlightedChanged)

public:
    explicit Panel(QWidget *parent = nullptr);

    bool isHighlighted() const { return m_highlighted; }
    void setHighlighted(bool highlighted);

Q_SIGNALS:
    void highlightedChanged(bool highlighted);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_highlighted = false;
};
