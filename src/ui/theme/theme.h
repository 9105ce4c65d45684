#pragma once

#include "core/settings.h"

#include <QObject>
#include <QPalette>

// The application's look: Fusion everywhere, with the desktop's palette for "system" and full
// palettes of our own for "light" and "dark", switched at run time for every window.
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

    QPalette systemPalette() const { return m_system; }
    static QPalette lightPalette();
    static QPalette darkPalette();
    // A palette is dark when its window colour is.
    static bool isDarkPalette(const QPalette &palette);

Q_SIGNALS:
    void changed();

private:
    QPalette m_system;
    AppearancePreference m_preference = AppearancePreference::system;
};
