#pragma once

#include "ui/keys/applicationkeyhook.h"
#include "ui/keys/keygate.h"

#include <memory>

class KeyCommands;
class KeyHits;
class ShortcutNotifier;
class TVSession;

// Keyboard control of the TV for a remote view (the remote page, the tray panel): arrows,
// Return and keypad Enter press the D-pad and flash it through the hits; with `media` also
// volume, mute, play and F5.
class RemoteKeyCapture : public ApplicationKeyHook {
    Q_OBJECT

public:
    RemoteKeyCapture(QWidget *owner, TVSession *session, KeyHits *hits, bool media, ShortcutNotifier *shortcuts);
    RemoteKeyCapture(QWidget *owner, std::shared_ptr<KeyCommands> commands, KeyHits *hits, bool media,
                     ShortcutNotifier *shortcuts, KeyGate::Clock clock = &std::chrono::steady_clock::now);

    bool media() const { return m_media; }

protected:
    bool handleKey(QKeyEvent *event) override;

private:
    std::shared_ptr<KeyCommands> m_commands;
    KeyHits *m_hits;
    bool m_media;
    ShortcutNotifier *m_shortcuts;
    KeyGate m_gate;
};
