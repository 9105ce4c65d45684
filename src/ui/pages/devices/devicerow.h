#pragma once

#include "core/tvdevice.h"

#include "ui/theme/listrow.h"

class BadgeLabel;
class Icons;
class QLabel;
class RoundIconButton;
class SymbolView;

// One saved TV: selection mark, name and details, paired badge or clock, delete button.
// Clicking the row (not the delete button) emits clicked().
class DeviceRow : public ListRow {
    Q_OBJECT

public:
    DeviceRow(Icons *icons, const TVDevice &device, bool selected, QWidget *parent = nullptr);

    TVDevice device() const { return m_device; }
    void setDevice(const TVDevice &device, bool selected);
    bool isSelectedTV() const { return isMarked(); }
    RoundIconButton *deleteButton() const { return m_delete; }

Q_SIGNALS:
    void deleteRequested(const QString &id);

private:
    TVDevice m_device;
    SymbolView *m_mark;
    QLabel *m_name;
    QLabel *m_details;
    BadgeLabel *m_paired;
    SymbolView *m_clock;
    RoundIconButton *m_delete;
};
