#pragma once

#include <QToolButton>

struct UiContext;
class QMenu;

// The sidebar's quick TV switcher: shows the selected TV (or "选择电视") and lists every saved
// TV as "连接到 <name>"; choosing one connects to it, which also selects it.
class DevicePicker : public QToolButton {
    Q_OBJECT

public:
    explicit DevicePicker(UiContext &ctx, QWidget *parent = nullptr);

    QMenu *devicesMenu() const { return m_menu; }
    // The symbol beside the label: "chevron.down" with a selected TV, else "tv".
    QString symbol() const { return m_symbol; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void updateLabel();
    void rebuildMenu();

    UiContext &m_ctx;
    QMenu *m_menu;
    QString m_symbol;
};
