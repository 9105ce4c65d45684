#pragma once

#include "ui/theme/metrics.h"

// Where a view is drawn: in the main window, or in the tray panel (MenuBarPanel), which holds
// the remote as one narrow column with smaller keys.
enum class ViewLayout { window, trayPanel };

// The sizes that differ between the two layouts, in pixels unless said otherwise.
struct LayoutSizes {
    int arrowKey;
    int centreKey;
    int directKey;
    int powerButton;
    int stepButton;
    int muteButton;
    int sendButton;
    int cardButton;
    qreal volumeDigits; // font scale of the volume level
    int crossSpacing;
    int directSpacing;
    int dpadSpacing;
    int volumeRowSpacing;
    int volumeSpacing;
    int panelSpacing; // between a remote panel's title, body and last line
    QMargins appsMargins;
};

constexpr LayoutSizes layoutSizes(ViewLayout layout)
{
    if (layout == ViewLayout::trayPanel)
        return LayoutSizes{
            .arrowKey = 40,
            .centreKey = 54,
            .directKey = 40,
            .powerButton = 34,
            .stepButton = 26,
            .muteButton = 28,
            .sendButton = 28,
            .cardButton = 24,
            .volumeDigits = fontScale::emphasis,
            .crossSpacing = spacing::narrow,
            .directSpacing = spacing::mark,
            .dpadSpacing = spacing::related,
            .volumeRowSpacing = spacing::narrow,
            .volumeSpacing = spacing::tight,
            .panelSpacing = spacing::mark,
            .appsMargins = margins::trayPage,
        };
    return LayoutSizes{
        .arrowKey = 50,
        .centreKey = 66,
        .directKey = 46,
        .powerButton = 40,
        .stepButton = 32,
        .muteButton = 34,
        .sendButton = 32,
        .cardButton = 28,
        .volumeDigits = fontScale::figure,
        .crossSpacing = spacing::mark,
        .directSpacing = spacing::items,
        .dpadSpacing = spacing::group,
        .volumeRowSpacing = spacing::related,
        .volumeSpacing = spacing::mark,
        .panelSpacing = spacing::items,
        .appsMargins = margins::scrollingPage,
    };
}
