#include "ui/theme/metrics.h"

#include "ui/theme/statetitle.h"

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

void paintAsError(QLabel *label)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, errorColor());
    label->setPalette(palette);
    label->setForegroundRole(QPalette::WindowText);
}

QLabel *sectionTitle(const QString &text, QWidget *parent)
{
    auto *title = new QLabel(text, parent);
    title->setFont(boldFont(title->font(), fontScale::section));
    return title;
}
