#pragma once

#include <QWidget>

class QHBoxLayout;
class QLabel;

// A page's title line: a bold title, an optional subtitle beneath it and an optional widget
// at the trailing end.
class PageHeader : public QWidget {
    Q_OBJECT

public:
    explicit PageHeader(const QString &title, const QString &subtitle = QString(), QWidget *trailing = nullptr,
                        QWidget *parent = nullptr);

    QString title() const;
    QString subtitle() const;
    void setSubtitle(const QString &subtitle);
    // Replaces the trailing widget; the header takes ownership.
    void setTrailing(QWidget *trailing);
    QWidget *trailing() const { return m_trailing; }
    // Widgets shown right after the title on the same line (a state mark, for example).
    void addBesideTitle(QWidget *widget);

private:
    QLabel *m_title;
    QLabel *m_subtitle;
    QHBoxLayout *m_titleRow;
    QHBoxLayout *m_row;
    QWidget *m_trailing = nullptr;
};
