#pragma once

#include <QFont>
#include <QMargins>

class QLabel;
class QWidget;

// Gaps between widgets in pixels, narrowest first. Layouts use these names rather than bare
// numbers, so every page keeps the same rhythm.
namespace spacing {
inline constexpr int none = 0;
inline constexpr int hairline = 1; // the two lines of one text block
inline constexpr int tight = 2;    // a title over its subtitle; the segments of a switch
inline constexpr int narrow = 4;   // entries of a list; the sidebar's pages
inline constexpr int mark = 6;     // a symbol beside its text; rows of a list
inline constexpr int related = 8;  // controls that belong together
inline constexpr int items = 10;   // the items of a card or of a row
inline constexpr int group = 12;   // groups inside a page or a panel
inline constexpr int panels = 14;  // panels next to each other
inline constexpr int sections = 16; // the sections and columns of a page
inline constexpr int blocks = 18;  // the sidebar's blocks; the appearance choices
} // namespace spacing

// Contents margins in pixels (left, top, right, bottom).
namespace margins {
inline constexpr QMargins none{0, 0, 0, 0};
inline constexpr QMargins page{28, 24, 28, 24};
// A page whose content scrolls ends closer to the window's edge.
inline constexpr QMargins scrollingPage{28, 24, 28, 16};
inline constexpr QMargins trayPage{12, 10, 12, 16};
inline constexpr QMargins remotePage{24, 18, 24, 12};
inline constexpr QMargins sidebar{12, 18, 12, 14};
inline constexpr QMargins panel{16, 14, 16, 14};
inline constexpr QMargins trayPanel{14, 12, 14, 12};
inline constexpr QMargins row{12, 8, 12, 8};
// A row that ends in a round button keeps less room after it.
inline constexpr QMargins rowEndingInButton{12, 8, 8, 8};
inline constexpr QMargins field{10, 2, 10, 2};
inline constexpr QMargins fieldEndingInButton{8, 2, 2, 2};
inline constexpr QMargins segments{3, 3, 3, 3};
inline constexpr QMargins footer{4, 0, 4, 0};
inline constexpr QMargins buttonsBelow{0, 4, 0, 0};
inline constexpr QMargins emptyNote{0, 24, 0, 24};
} // namespace margins

// Font sizes relative to the application's font.
namespace fontScale {
inline constexpr qreal caption = 0.85;  // badges, the labels of the capsule keys
inline constexpr qreal hint = 0.92;     // the touchpad's hint
inline constexpr qreal body = 1.0;
inline constexpr qreal emphasis = 1.1;  // the TV's name; the volume level in the tray panel
inline constexpr qreal section = 1.15;  // section and panel titles
inline constexpr qreal panelName = 1.2; // the program's name on the tray panel
inline constexpr qreal brand = 1.3;     // the program's name in the sidebar
inline constexpr qreal figure = 1.35;   // the volume level in the window
inline constexpr qreal letter = 1.5;    // the letter standing in for an app's icon
inline constexpr qreal pageTitle = 1.6;
} // namespace fontScale

// `base` at `scale` times its size; bold unless said otherwise.
QFont boldFont(QFont base, qreal scale = fontScale::body);
QFont scaledFont(QFont base, qreal scale);

// A bold label in the section-title size ("已保存的电视", "电视应用").
QLabel *sectionTitle(const QString &text, QWidget *parent);

// Draws the label's text in the red of errors.
void paintAsError(QLabel *label);
