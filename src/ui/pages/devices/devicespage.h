#pragma once

#include <QList>
#include <QWidget>

#include <memory>

struct UiContext;
class DeviceRow;
class DevicesActions;
class DiscoveryPanel;
class PageHeader;
class PageButton;
class PairingPanel;
class QVBoxLayout;

// The devices and pairing screen: finding TVs, the saved TVs, and connecting to the selected
// one. Everything shown comes from the session and the store; the page keeps only what is
// being typed.
class DevicesPage : public QWidget {
    Q_OBJECT

public:
    explicit DevicesPage(UiContext &ctx, QWidget *parent = nullptr);
    ~DevicesPage() override;

    DiscoveryPanel *discovery() const { return m_discovery; }
    PairingPanel *pairingPanel() const { return m_pairing; }
    QList<DeviceRow *> rows() const { return m_rows; }

private:
    QWidget *buildSavedPanel();
    void refreshRows();

    UiContext &m_ctx;
    std::unique_ptr<DevicesActions> m_actions;
    PageHeader *m_header;
    DiscoveryPanel *m_discovery;
    PairingPanel *m_pairing;
    QVBoxLayout *m_rowsLayout = nullptr;
    QList<DeviceRow *> m_rows;
};
