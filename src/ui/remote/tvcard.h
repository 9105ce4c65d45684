#pragma once

#include "ui/theme/panel.h"
#include "ui/theme/viewlayout.h"

class Icons;
class QLabel;
class RoundIconButton;
class SharedPreview;
class ShortcutNotifier;
class TVScreenPreview;
class TVSession;

// The selected TV: its name, the live picture, what it is showing (or the connection state)
// and the way to its apps and inputs.
class TVCard : public Panel {
    Q_OBJECT

public:
    TVCard(TVSession *session, SharedPreview *shared, Icons *icons, ShortcutNotifier *shortcuts, ViewLayout layout,
           QWidget *parent = nullptr);

    QLabel *nameLabel() const { return m_name; }
    QLabel *foregroundLabel() const { return m_foreground; }
    TVScreenPreview *preview() const { return m_preview; }
    RoundIconButton *appsButton() const { return m_apps; }

private:
    void showName();
    void showForeground();

    TVSession *m_session;
    QLabel *m_name;
    TVScreenPreview *m_preview;
    QLabel *m_foreground;
    RoundIconButton *m_apps;
};
