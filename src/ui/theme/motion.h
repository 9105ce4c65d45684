#pragma once

#include <QStyle>
#include <QWidget>

// The desktop asked for less animation: the application style then reports no animation time
// (the theme sets it), and custom animations jump straight to their end.
inline bool motionReduced(const QWidget *widget)
{
    return widget && widget->style()->styleHint(QStyle::SH_Widget_Animation_Duration, nullptr, widget) == 0;
}
