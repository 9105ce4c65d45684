#include "app/terminal.h"

#include <QSocketNotifier>
#include <QTextStream>

#include <cerrno>
#include <unistd.h>

namespace {

// A line longer than this is not typed by hand; it is cut there.
constexpr qsizetype kMaxLine = 4096;

} // namespace

StdioTerminal::StdioTerminal(QObject *parent)
    : QObject(parent)
{
}

StdioTerminal::~StdioTerminal() = default;

void StdioTerminal::write(const QString &text)
{
    QTextStream(stdout) << text << Qt::flush;
}

void StdioTerminal::setLineHandler(LineHandler handler)
{
    m_handler = std::move(handler);
    if (!m_notifier && m_handler) {
        m_notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
        QObject::connect(m_notifier, &QSocketNotifier::activated, this, &StdioTerminal::readAvailable);
    }
}

void StdioTerminal::readAvailable()
{
    char buffer[1024];
    const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (count < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (count <= 0) {
        m_notifier->setEnabled(false);
        if (m_handler)
            m_handler(std::nullopt);
        return;
    }
    m_pending.append(buffer, count);
    qsizetype end;
    while ((end = m_pending.indexOf('\n')) >= 0 || m_pending.size() > kMaxLine) {
        const qsizetype cut = end >= 0 ? end : kMaxLine;
        QByteArray line = m_pending.left(cut);
        m_pending.remove(0, end >= 0 ? cut + 1 : cut);
        if (line.endsWith('\r'))
            line.chop(1);
        if (m_handler)
            m_handler(QString::fromLocal8Bit(line));
    }
}
