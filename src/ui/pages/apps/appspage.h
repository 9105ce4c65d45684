#pragma once

#include "ui/theme/viewlayout.h"

#include <QList>
#include <QWidget>

struct UiContext;
class AppGrid;
class AppIconLoader;
class AppsLoader;
class InputRow;
class PageHeader;
class QLabel;
class QLayout;
class QLineEdit;
class QVBoxLayout;
class SegmentedTabs;
class SymbolView;

// The apps and inputs screen: search and launch the TV's apps, switch its input. The lists
// are the session's; the page keeps only the tab and the search text.
class AppsPage : public QWidget {
    Q_OBJECT

public:
    AppsPage(UiContext &ctx, ViewLayout layout, QWidget *parent = nullptr);

    SegmentedTabs *tabs() const { return m_tabs; }
    QLineEdit *searchField() const { return m_search; }
    AppGrid *grid() const { return m_grid; }
    QList<InputRow *> inputRows() const { return m_inputRows; }
    AppsLoader *loader() const { return m_loader; }

public Q_SLOTS:
    // Gives the search field the keyboard focus (the "find" shortcut).
    void focusSearch();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QLayout *buildBody(ViewLayout layout);
    QWidget *buildInputsSection();
    QWidget *buildAppsSection();
    QWidget *buildSearchBox();
    void refreshApps();
    void refreshInputs();
    void refreshState();

    UiContext &m_ctx;
    AppsLoader *m_loader;
    AppIconLoader *m_icons;
    PageHeader *m_header;
    SegmentedTabs *m_tabs;
    QWidget *m_inputsSection = nullptr;
    SymbolView *m_currentSymbol = nullptr;
    QLabel *m_currentText = nullptr;
    QVBoxLayout *m_inputsLayout = nullptr;
    QList<InputRow *> m_inputRows;
    QLineEdit *m_search = nullptr;
    AppGrid *m_grid = nullptr;
    QWidget *m_empty = nullptr;
    QLabel *m_emptyText = nullptr;
};
