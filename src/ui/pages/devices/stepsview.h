#pragma once

#include <QStringList>
#include <QWidget>

// Numbered steps in a row; those before `current` are done, `current` is under way, and a
// current step past the last one means all are done.
class StepsView : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int current READ current WRITE setCurrent NOTIFY currentChanged)

public:
    explicit StepsView(const QStringList &titles, QWidget *parent = nullptr);

    QStringList titles() const { return m_titles; }
    int current() const { return m_current; }
    void setCurrent(int current);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void currentChanged(int current);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QStringList m_titles;
    int m_current = 0;
};
