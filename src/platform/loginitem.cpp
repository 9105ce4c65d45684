#include "platform/loginitem.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>

XdgAutostartEntry::XdgAutostartEntry(QString program, QString configHome)
    : m_program(std::move(program))
{
    if (configHome.isEmpty())
        configHome = userConfigHome();
    m_filePath = configHome + QStringLiteral("/autostart/veltrix.desktop");
}

QString XdgAutostartEntry::userConfigHome()
{
    // A relative XDG_CONFIG_HOME is invalid and must be ignored.
    const QString configured = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!configured.isEmpty() && QDir::isAbsolutePath(configured))
        return QDir::cleanPath(configured);
    return QDir::homePath() + QStringLiteral("/.config");
}

QString XdgAutostartEntry::execArgument(const QString &argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool needsQuotes = argument.isEmpty();
    for (const QChar c : argument)
        needsQuotes = needsQuotes || reserved.contains(c);
    QString out;
    for (const QChar c : argument) {
        if (c == QLatin1Char('%')) {
            out += QStringLiteral("%%");
        } else if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$')) {
            // The quoting's backslash is itself escaped in the entry's string: two of them.
            out += QStringLiteral("\\\\") + c;
        } else if (c == QLatin1Char('\\')) {
            out += QStringLiteral("\\\\\\\\");
        } else {
            out += c;
        }
    }
    return needsQuotes ? QLatin1Char('"') + out + QLatin1Char('"') : out;
}

QByteArray XdgAutostartEntry::entryText(const QString &program)
{
    QString text;
    QTextStream out(&text);
    out << "[Desktop Entry]\n"
        << "Type=Application\n"
        << "Name=Veltrix\n"
        << "Comment=Remote control for LG webOS TVs with a built-in MCP server\n"
        << "Comment[zh_CN]=LG webOS 电视遥控器，内置 MCP 服务\n"
        << "Exec=" << execArgument(program) << " --background\n"
        << "Icon=veltrix\n"
        << "Terminal=false\n"
        << "X-GNOME-Autostart-enabled=true\n";
    out.flush();
    return text.toUtf8();
}

bool XdgAutostartEntry::isEnabled() const
{
    QFile file(m_filePath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    // Desktops switch an entry off without deleting it; such an entry does not start anything.
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line == "Hidden=true" || line == "X-GNOME-Autostart-enabled=false")
            return false;
    }
    return true;
}

bool XdgAutostartEntry::setEnabled(bool enabled)
{
    m_error.clear();
    if (!enabled) {
        QFile file(m_filePath);
        if (file.exists() && !file.remove()) {
            m_error = QCoreApplication::translate("XdgAutostartEntry", "无法删除 %1：%2").arg(m_filePath, file.errorString());
            return false;
        }
        return true;
    }
    const QString folder = QFileInfo(m_filePath).absolutePath();
    if (!QDir().mkpath(folder)) {
        m_error = QCoreApplication::translate("XdgAutostartEntry", "无法创建文件夹 %1").arg(folder);
        return false;
    }
    // Written whole or not at all: a half-written entry could start something else.
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly) || file.write(entryText(m_program)) < 0 || !file.commit()) {
        m_error = QCoreApplication::translate("XdgAutostartEntry", "无法写入 %1：%2").arg(m_filePath, file.errorString());
        return false;
    }
    return true;
}
