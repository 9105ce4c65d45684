#pragma once

#include "ui/theme/panel.h"

class DevicesActions;
class Icons;
class PageButton;
class QLabel;
class QLayout;
class QLineEdit;
class QVBoxLayout;
class RadarView;
class TVSession;

// Finding TVs: the radar, the list of TVs the last scan found, and typing an address.
class DiscoveryPanel : public Panel {
    Q_OBJECT
    Q_PROPERTY(bool showManual READ showManual WRITE setShowManual NOTIFY showManualChanged)

public:
    DiscoveryPanel(TVSession *session, DevicesActions *actions, Icons *icons, QWidget *parent = nullptr);

    bool showManual() const { return m_showManual; }
    void setShowManual(bool show);

    RadarView *radar() const { return m_radar; }
    QLineEdit *manualField() const { return m_field; }
    PageButton *addButton() const { return m_add; }

Q_SIGNALS:
    void showManualChanged(bool show);

private:
    QLayout *buildTop();
    QWidget *buildManualEntry(Icons *icons);
    void refreshScanning();
    void refreshFound();
    void submitManual();

    TVSession *m_session;
    DevicesActions *m_actions;
    bool m_showManual = false;
    RadarView *m_radar;
    QLabel *m_subtitle;
    QLabel *m_status;
    QVBoxLayout *m_foundList;
    PageButton *m_opener;
    QWidget *m_manual;
    QLineEdit *m_field;
    PageButton *m_add;
};
