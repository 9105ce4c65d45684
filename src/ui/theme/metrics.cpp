#include "ui/theme/metrics.h"

#include <QLabel>

QFont scaledFont(QFont base, qreal scale)
{
    if (scale != fontScale::body)
        base.setPointSizeF(base.pointSizeF() * scale);
    return base;
}

QFont boldFont(QFont base, qreal scale)
{
    base.setBold(true);
    return scaledFont(base, scale);
}

QLabel *sectionTitle(const QString &text, QWidget *parent)
{
    auto *title = new QLabel(text, parent);
    title->setFont(boldFont(title->font(), fontScale::section));
    return title;
}
