#pragma once

#include "ui/theme/stateline.h"
#include "ui/theme/viewlayout.h"

#include <QWidget>

struct UiContext;
class DPadPanel;
class KeyHits;
class PageHeader;
class PowerButton;
class QLabel;
class RemoteKeyCapture;
class TouchpadPanel;
class TVCard;
class VolumeBar;

// The remote screen: the selected TV with its live picture, the D-pad with back, home and
// menu, power, volume, the touchpad and the key hints. Wide in the main window, one column in
// the tray panel. Nothing here is disabled by the connection state: the session decides what
// a command does without a TV.
class RemotePage : public QWidget {
    Q_OBJECT

public:
    // With its own hits and its own keyboard capture.
    RemotePage(UiContext &ctx, ViewLayout layout, QWidget *parent = nullptr);
    // With hits owned by the host (the tray panel), which also captures the keys itself.
    RemotePage(UiContext &ctx, ViewLayout layout, KeyHits *sharedHits, QWidget *parent = nullptr);

    ViewLayout viewLayout() const { return m_viewLayout; }
    KeyHits *hits() const { return m_hits; }
    RemoteKeyCapture *keyCapture() const { return m_capture; }
    QLabel *stateLabel() const { return m_stateLine->title(); }
    QLabel *footerLabel() const { return m_footer; }
    TVCard *card() const { return m_card; }
    DPadPanel *dpad() const { return m_dpad; }
    PowerButton *powerButton() const { return m_power; }
    VolumeBar *volumeBar() const { return m_volume; }
    TouchpadPanel *touchpad() const { return m_touchpad; }

private:
    void build();
    QWidget *makeHeader();
    QWidget *makeFooter();
    void layOutWide();
    void layOutColumn();
    void showHost();

    UiContext &m_ctx;
    ViewLayout m_viewLayout;
    KeyHits *m_hits;
    RemoteKeyCapture *m_capture = nullptr;
    PageHeader *m_header = nullptr;
    StateLine *m_stateLine = nullptr;
    QLabel *m_footer = nullptr;
    TVCard *m_card = nullptr;
    DPadPanel *m_dpad = nullptr;
    PowerButton *m_power = nullptr;
    VolumeBar *m_volume = nullptr;
    TouchpadPanel *m_touchpad = nullptr;
};
