#pragma once

#include <QList>
#include <QStringList>
#include <QWidget>

class QAbstractButton;
class QButtonGroup;
class QVariantAnimation;

// A row of tabs with a highlight pill behind the selected one that slides when the
// selection changes.
class SegmentedTabs : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int selection READ selection WRITE setSelection NOTIFY selectionChanged)

public:
    SegmentedTabs(const QStringList &titles, bool equalWidth, QWidget *parent = nullptr);

    QStringList titles() const { return m_titles; }
    int selection() const { return m_selection; }
    void setSelection(int selection);
    QAbstractButton *tab(int index) const;
    // Where the pill is drawn now (it moves during the slide).
    QRectF pillRect() const;
    // Ends a running slide at its target (tests, snapshots).
    void finishSlide();

Q_SIGNALS:
    void selectionChanged(int selection);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRectF targetRect() const;

    QStringList m_titles;
    int m_selection = 0;
    QButtonGroup *m_group;
    QList<QAbstractButton *> m_tabs;
    QRectF m_pill;
    QVariantAnimation *m_slide;
};
