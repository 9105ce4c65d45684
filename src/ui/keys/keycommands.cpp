#include "ui/keys/keycommands.h"

#include "core/tvsession.h"

void SessionKeyCommands::button(const QString &name)
{
    m_session->button(name);
}

void SessionKeyCommands::volumeUp()
{
    m_session->volumeUp();
}

void SessionKeyCommands::volumeDown()
{
    m_session->volumeDown();
}

bool SessionKeyCommands::muted() const
{
    return m_session->muted();
}

void SessionKeyCommands::setMute(bool mute)
{
    m_session->setMute(mute);
}
