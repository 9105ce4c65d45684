#pragma once

#include <QString>

namespace veltrix {

// Trims only spaces and tabs (QString::trimmed also eats line breaks and other white space,
// which HTTP header values and typed host names must keep visible as errors).
inline QString trimSpacesAndTabs(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (begin < end && blank(text.at(begin)))
        ++begin;
    while (end > begin && blank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

} // namespace veltrix
