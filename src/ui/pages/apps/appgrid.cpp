#include "ui/pages/apps/appgrid.h"

#include "ui/theme/metrics.h"
#include "ui/pages/apps/appcard.h"

#include <QGridLayout>
#include <QSet>

namespace {
// One key per entry: a TV may list two launch points under one app id, and each needs a
// card of its own. Identical entries are told apart by their order.
QStringList cardKeys(const QList<TVApp> &apps)
{
    QHash<QString, int> seen;
    QStringList keys;
    keys.reserve(apps.size());
    for (const TVApp &app : apps) {
        const QString base = app.id + QChar(0x1f) + app.title;
        keys.append(base + QChar(0x1f) + QString::number(seen[base]++));
    }
    return keys;
}
} // namespace

AppGrid::AppGrid(AppIconLoader *loader, const QIcon &launchSymbol, QWidget *parent)
    : QWidget(parent)
    , m_loader(loader)
    , m_launchSymbol(launchSymbol)
    , m_grid(new QGridLayout(this))
{
    setObjectName(QStringLiteral("appGrid"));
    m_grid->setContentsMargins(margins::none);
    m_grid->setSpacing(spacing::items);
    m_grid->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void AppGrid::setApps(const QList<TVApp> &all, const QList<TVApp> &shown)
{
    const QStringList allKeys = cardKeys(all);
    const QSet<QString> keys(allKeys.cbegin(), allKeys.cend());
    for (auto it = m_cards.begin(); it != m_cards.end();) {
        if (keys.contains(it.key())) {
            ++it;
            continue;
        }
        it.value()->hide();
        it.value()->deleteLater();
        it = m_cards.erase(it);
    }

    m_shown.clear();
    const QStringList shownKeys = cardKeys(shown);
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const TVApp &app = shown.at(i);
        AppCard *card = m_cards.value(shownKeys.at(i));
        if (card) {
            card->setApp(app);
        } else {
            card = new AppCard(m_loader, m_launchSymbol, app, this);
            card->hide();
            QObject::connect(card, &QAbstractButton::clicked, this, [this, card] { Q_EMIT launchRequested(card->app()); });
            m_cards.insert(shownKeys.at(i), card);
        }
        card->setActive(app.id == m_foreground);
        m_shown.append(card);
    }
    reflow();
}

void AppGrid::setForeground(const QString &appId)
{
    m_foreground = appId;
    for (AppCard *card : std::as_const(m_cards))
        card->setActive(card->app().id == appId);
}

int AppGrid::columnsFor(int width) const
{
    return std::max(1, (width + spacing::items) / (AppCard::kWidth + spacing::items));
}

void AppGrid::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (columnsFor(width()) != m_columns)
        reflow();
}

void AppGrid::reflow()
{
    m_columns = columnsFor(width());
    while (QLayoutItem *item = m_grid->takeAt(0))
        delete item;
    for (AppCard *card : std::as_const(m_cards)) {
        if (!m_shown.contains(card))
            card->hide();
    }
    for (qsizetype i = 0; i < m_shown.size(); ++i) {
        m_grid->addWidget(m_shown.at(i), int(i / m_columns), int(i % m_columns));
        m_shown.at(i)->show();
    }
}
