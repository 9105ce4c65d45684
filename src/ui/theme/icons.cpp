#include "ui/theme/icons.h"

#include "ui/theme/symboliconengine.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcIcons, "veltrix.ui.icons")

namespace {

const QString symbolFolder = QStringLiteral(":/veltrix/symbols/");

} // namespace

Icons::Icons(QObject *parent)
    : QObject(parent)
{
}

QString Icons::resourcePath(const QString &symbolName)
{
    return symbolFolder + symbolName + QStringLiteral(".svg");
}

bool Icons::has(const QString &symbolName)
{
    return !symbolName.isEmpty() && QFile::exists(resourcePath(symbolName));
}

QStringList Icons::symbolNames()
{
    QStringList names;
    for (const QString &file : QDir(symbolFolder).entryList({QStringLiteral("*.svg")}, QDir::Files, QDir::Name))
        names.append(file.chopped(4));
    return names;
}

QIcon Icons::icon(const QString &symbolName)
{
    if (const auto found = m_cache.constFind(symbolName); found != m_cache.constEnd())
        return *found;
    QString path = resourcePath(symbolName);
    if (!has(symbolName)) {
        qCWarning(lcIcons) << "no symbol named" << symbolName;
        path = resourcePath(QStringLiteral("questionmark.square"));
    }
    const QIcon icon(new SymbolIconEngine(path));
    m_cache.insert(symbolName, icon);
    return icon;
}

QIcon Icons::tinted(const QString &symbolName, const QColor &color)
{
    const QString path = has(symbolName) ? resourcePath(symbolName) : resourcePath(QStringLiteral("questionmark.square"));
    return QIcon(new SymbolIconEngine(path, color));
}

QIcon Icons::sidebarLogo()
{
    return QIcon(QStringLiteral(":/veltrix/artwork/SidebarLogo.svg"));
}

QIcon Icons::applicationIcon()
{
    return QIcon(QStringLiteral(":/veltrix/artwork/veltrix.svg"));
}
