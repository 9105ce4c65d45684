#include "ui/keys/remotekeycapture.h"

#include "ui/keys/keycommands.h"
#include "ui/keys/keyhits.h"
#include "ui/keys/remotekeys.h"
#include "ui/keys/shortcutnotifier.h"

RemoteKeyCapture::RemoteKeyCapture(QWidget *owner, TVSession *session, KeyHits *hits, bool media,
                                   ShortcutNotifier *shortcuts)
    : RemoteKeyCapture(owner, std::make_shared<SessionKeyCommands>(session), hits, media, shortcuts)
{
}

RemoteKeyCapture::RemoteKeyCapture(QWidget *owner, std::shared_ptr<KeyCommands> commands, KeyHits *hits, bool media,
                                   ShortcutNotifier *shortcuts, KeyGate::Clock clock)
    : ApplicationKeyHook(owner, true)
    , m_commands(std::move(commands))
    , m_hits(hits)
    , m_media(media)
    , m_shortcuts(shortcuts)
    , m_gate(std::move(clock))
{
}

bool RemoteKeyCapture::handleKey(QKeyEvent *event)
{
    const NavigateAction navigate = [this](const QString &name) { pressDPad(name, *m_commands, m_hits); };
    RefreshAction refresh;
    if (m_media && m_shortcuts)
        refresh = [this] { m_shortcuts->post(Shortcut::refresh); };
    return handleRemoteKey(*event, *m_commands, m_gate, navigate, m_media, refresh);
}
