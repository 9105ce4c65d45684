#include "ui/keys/keyhits.h"

void KeyHits::record(const QString &name)
{
    m_last = name;
    ++m_counts[name];
    ++m_total;
    Q_EMIT changed(name);
}
