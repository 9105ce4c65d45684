#pragma once

#include <QHash>
#include <QObject>
#include <QString>

// Navigation keys recorded for on-screen feedback: the D-pad flashes a button whenever the
// count of its name changes, whether the press came from the keyboard or a click.
class KeyHits : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString last READ last NOTIFY changed)
    Q_PROPERTY(int total READ total NOTIFY changed)

public:
    explicit KeyHits(QObject *parent = nullptr) : QObject(parent) {}

    QString last() const { return m_last; }
    int total() const { return m_total; }
    int count(const QString &name) const { return m_counts.value(name); }
    QHash<QString, int> counts() const { return m_counts; }

    void record(const QString &name);

Q_SIGNALS:
    void changed(const QString &name);

private:
    QString m_last;
    QHash<QString, int> m_counts;
    int m_total = 0;
};
