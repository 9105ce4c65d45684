#pragma once

#include <QHash>
#include <QIcon>
#include <QObject>
#include <QString>
#include <QStringList>

// The project's own monochrome symbol set, looked up by symbol name ("tv", "chevron.down",
// "av.remote", ...). Icons are recoloured from the application palette whenever they are
// painted, so a theme switch needs no rebuilding.
class Icons : public QObject {
    Q_OBJECT

public:
    explicit Icons(QObject *parent = nullptr);

    // An unknown name gives a visible placeholder and one warning.
    QIcon icon(const QString &symbolName);
    // Drawn in the given colour instead of the palette's (tinted buttons, status marks).
    QIcon tinted(const QString &symbolName, const QColor &color);

    static bool has(const QString &symbolName);
    static QStringList symbolNames();
    static QString resourcePath(const QString &symbolName);

    // Full-colour artwork: the sidebar logo and the application icon.
    static QIcon sidebarLogo();
    static QIcon applicationIcon();

private:
    QHash<QString, QIcon> m_cache;
};
