#include "support/testenv.h"

#include "log/log.h"

#include <QFile>
#include <QTcpServer>

TestEnv::TestEnv(SettingsVariable variable)
{
    if (!m_dir.isValid())
        qFatal("no temporary folder: %s", qPrintable(m_dir.errorString()));
    veltrix::setLogFilePath(logFile());
    if (variable == SettingsVariable::set)
        qputenv("VELTRIX_SETTINGS_FILE", settingsFile().toLocal8Bit());
    else
        qunsetenv("VELTRIX_SETTINGS_FILE");
}

TestEnv::~TestEnv()
{
    veltrix::flushLog();
}

QStringList TestEnv::logLines() const
{
    veltrix::flushLog();
    QFile file(logFile());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.size() > 13)
            lines.append(QString::fromUtf8(line.mid(13)));
    }
    return lines;
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

int TestEnv::logCount(const QString &prefix) const
{
    int count = 0;
    for (const QString &line : logLines())
        count += line.startsWith(prefix) ? 1 : 0;
    return count;
}
