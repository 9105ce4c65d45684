#pragma once

#include "ui/theme/panel.h"
#include "ui/theme/viewlayout.h"

#include <QHash>
#include <QPointer>

#include <memory>

class Icons;
class KeyCommands;
class KeyHits;
class QGridLayout;
class RemoteKeyButton;
class TVSession;

// The arrows and the centre key, with back, home and menu beneath. A D-pad key records its
// name in the hits and sends its button; each key flashes whenever the count of its name
// changes, so a key pressed on the keyboard flashes too. Back, home and menu record nothing.
class DPadPanel : public Panel {
    Q_OBJECT

public:
    DPadPanel(TVSession *session, Icons *icons, ViewLayout layout, KeyHits *hits, QWidget *parent = nullptr);
    ~DPadPanel() override;

    // "UP", "DOWN", "LEFT", "RIGHT", "OK", "BACK", "HOME", "MENU".
    RemoteKeyButton *key(const QString &name) const { return m_keys.value(name); }
    // A widget in the free top-right corner of the cross (the power button).
    void setCornerWidget(QWidget *widget);

private:
    RemoteKeyButton *addKey(const QString &name, const QString &symbol, const QString &label, bool round, int size);
    void flash(const QString &name);

    std::shared_ptr<KeyCommands> m_commands;
    QPointer<KeyHits> m_hits;
    Icons *m_icons;
    QGridLayout *m_cross;
    QHash<QString, RemoteKeyButton *> m_keys;
};
