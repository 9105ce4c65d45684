#pragma once

#include "ui/theme/panel.h"
#include "ui/theme/viewlayout.h"

class Icons;
class QLabel;
class QLayout;
class QSlider;
class QVariantAnimation;
class RoundIconButton;
class TVSession;

// The TV's volume: the level as a number, step buttons, a slider that follows the finger
// locally and sends the level once when let go, and the mute toggle.
class VolumeBar : public Panel {
    Q_OBJECT

public:
    VolumeBar(TVSession *session, Icons *icons, ViewLayout layout, QWidget *parent = nullptr);

    QSlider *slider() const { return m_slider; }
    QLabel *number() const { return m_number; }
    RoundIconButton *muteButton() const { return m_mute; }
    // Ends the number's count animation at once (tests, snapshots).
    void finishAnimation();

private:
    QLayout *buildTitleRow(const LayoutSizes &sizes);
    QLayout *buildControlRow(Icons *icons, const LayoutSizes &sizes);
    void showVolume(int volume);
    void showMuted(bool muted);
    void onSliderMoved(int value);
    void onSliderValueChanged(int value);

    TVSession *m_session;
    QLabel *m_number;
    QSlider *m_slider;
    RoundIconButton *m_mute;
    QVariantAnimation *m_count;
};
