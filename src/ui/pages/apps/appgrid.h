#pragma once

#include "core/tvmodels.h"

#include <QHash>
#include <QIcon>
#include <QList>
#include <QWidget>

class AppCard;
class AppIconLoader;
class QGridLayout;

// The app cards in as many columns as fit. Cards are kept per entry (id and title) and
// reused, so filtering and tab switches neither rebuild them nor fetch icons again.
class AppGrid : public QWidget {
    Q_OBJECT

public:
    AppGrid(AppIconLoader *loader, const QIcon &launchSymbol, QWidget *parent = nullptr);

    // `all` is every app of the TV (cards of vanished apps go); `shown` those to lay out.
    void setApps(const QList<TVApp> &all, const QList<TVApp> &shown);
    void setForeground(const QString &appId);
    QList<AppCard *> shownCards() const { return m_shown; }
    int columns() const { return m_columns; }

Q_SIGNALS:
    void launchRequested(const TVApp &app);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    int columnsFor(int width) const;
    void reflow();

    AppIconLoader *m_loader;
    QIcon m_launchSymbol;
    QGridLayout *m_grid;
    QHash<QString, AppCard *> m_cards;
    QList<AppCard *> m_shown;
    QString m_foreground;
    int m_columns = 1;
};
