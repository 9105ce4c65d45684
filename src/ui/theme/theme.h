#pragma once

#include "core/settings.h"

#include <QObject>
#include <QPalette>
#include <QPointer>

class DesktopAppearance;
class MotionStyle;

// The application's look: Fusion everywhere, with the desktop's palette for "system" and full
// palettes of our own for "light" and "dark", switched at run time for every window. "system"
// follows the desktop while the program runs: its published light or dark preference where
// it publishes one, otherwise the palette the platform hands the application.
class Theme : public QObject {
    Q_OBJECT
    Q_PROPERTY(AppearancePreference preference READ preference NOTIFY changed)
    Q_PROPERTY(bool isDark READ isDark NOTIFY changed)

public:
    // Sets the Fusion style and captures the palette the desktop gives the application.
    explicit Theme(QObject *parent = nullptr);

    AppearancePreference preference() const { return m_preference; }
    bool isDark() const;

    // Applies at once to every window; icons and custom widgets repaint from the new palette.
    void apply(AppearancePreference preference);

    // Follows what the desktop publishes (its light or dark preference, less animation) from
    // now on; the object must outlive the theme or be replaced first.
    void followDesktop(DesktopAppearance *desktop);
    // Animations jump to their end; the application style reports no animation time.
    bool reduceMotion() const;
    void setReduceMotion(bool reduce);

    QPalette systemPalette() const { return m_system; }
    static QPalette lightPalette();
    static QPalette darkPalette();
    // A palette is dark when its window colour is.
    static bool isDarkPalette(const QPalette &palette);

Q_SIGNALS:
    void changed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setPalette(const QPalette &palette);
    void desktopSchemeChanged();

    QPalette m_system;
    AppearancePreference m_preference = AppearancePreference::system;
    QPointer<DesktopAppearance> m_desktop;
    QPointer<MotionStyle> m_style;
    bool m_settingPalette = false;
};
