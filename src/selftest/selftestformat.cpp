#include "selftest/selftestformat.h"

#include <QJsonDocument>
#include <QTextBoundaryFinder>

namespace selftest {

namespace {

constexpr int kSummaryCharacters = 800;

// The first `count` user-perceived characters: never splits a surrogate pair or a combining
// sequence.
QString firstCharacters(const QString &text, int count)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype end = 0;
    for (int i = 0; i < count; ++i) {
        const qsizetype next = finder.toNextBoundary();
        if (next < 0)
            return text;
        end = next;
    }
    return text.left(end);
}

QString quoted(const QString &text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('"');
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '"':
            out += QStringLiteral("\\\"");
            break;
        case '\\':
            out += QStringLiteral("\\\\");
            break;
        case '\n':
            out += QStringLiteral("\\n");
            break;
        case '\r':
            out += QStringLiteral("\\r");
            break;
        case '\t':
            out += QStringLiteral("\\t");
            break;
        default:
            out += c;
        }
    }
    out += QLatin1Char('"');
    return out;
}

} // namespace

QString payloadSummary(const QJsonObject &payload)
{
    // QJsonObject keeps its keys sorted, so the document is already in key order.
    const QByteArray json = QJsonDocument(payload).toJson(QJsonDocument::Compact);
    return firstCharacters(QString::fromUtf8(json), kSummaryCharacters);
}

QString quotedList(const QStringList &items)
{
    QStringList parts;
    parts.reserve(items.size());
    for (const QString &item : items)
        parts.append(quoted(item));
    return QLatin1Char('[') + parts.join(QStringLiteral(", ")) + QLatin1Char(']');
}

} // namespace selftest
