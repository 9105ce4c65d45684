#pragma once

#include "ui/theme/stateline.h"

#include <QWidget>

#include <functional>

struct UiContext;
class AppKeyMonitor;
class KeyHits;
class QLabel;
class QPushButton;
class RemoteKeyCapture;
class RemotePage;

// The compact remote the tray icon opens: the program's name and the TV's state, a button to
// the main window, and the remote in one column with full keyboard control of its own.
class MenuBarPanel : public QWidget {
    Q_OBJECT

public:
    enum class Mode {
        popup,       // next to the tray icon; closes when the user clicks elsewhere
        toolWindow,  // a small window of its own, where the desktop has no tray
    };

    // `openMainWindow` brings the one main window up (see openMainWindow()).
    MenuBarPanel(UiContext &ctx, std::function<void()> openMainWindow, QWidget *parent = nullptr);

    Mode mode() const { return m_mode; }
    void setMode(Mode mode);

    KeyHits *hits() const { return m_hits; }
    RemotePage *remote() const { return m_remote; }
    RemoteKeyCapture *keyCapture() const { return m_capture; }
    AppKeyMonitor *shortcutMonitor() const { return m_monitor; }
    QPushButton *openWindowButton() const { return m_openWindow; }
    QLabel *stateLabel() const { return m_stateLine->title(); }

    static constexpr int panelWidth = 380;

Q_SIGNALS:
    void hidden();

protected:
    void changeEvent(QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QWidget *makeHeader();

    UiContext &m_ctx;
    std::function<void()> m_openMainWindow;
    Mode m_mode = Mode::popup;
    KeyHits *m_hits;
    StateLine *m_stateLine = nullptr;
    QPushButton *m_openWindow = nullptr;
    RemotePage *m_remote = nullptr;
    RemoteKeyCapture *m_capture = nullptr;
    AppKeyMonitor *m_monitor = nullptr;
};
