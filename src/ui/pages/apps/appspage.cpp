#include "ui/pages/apps/appspage.h"

#include "ui/theme/metrics.h"
#include "ui/pages/apps/appgrid.h"
#include "ui/pages/apps/appiconloader.h"
#include "ui/pages/apps/appsloader.h"
#include "ui/pages/apps/appsrules.h"
#include "ui/pages/apps/inputrow.h"
#include "ui/pages/apps/segmentedtabs.h"
#include "ui/theme/icons.h"
#include "ui/theme/pageheader.h"
#include "ui/theme/panel.h"
#include "ui/theme/stateline.h"
#include "ui/theme/symbolview.h"
#include "ui/theme/tvscreenpreview.h"
#include "core/tvsession.h"
#include "ui/uicontext.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QVBoxLayout>

AppsPage::AppsPage(UiContext &ctx, ViewLayout layout, QWidget *parent)
    : QWidget(parent)
    , m_ctx(ctx)
    , m_loader(new AppsLoader(ctx.session, this))
    , m_icons(new AppIconLoader(ctx.session, this))
    , m_header(new PageHeader(tr("应用与输入"), tr("启动电视应用或切换输入源"), nullptr, this))
    // Before any text field, so the tabs are the first stop of the focus chain.
    , m_tabs(new SegmentedTabs({tr("应用"), tr("输入源")}, true, this))
{
    setObjectName(QStringLiteral("appsPage"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(layoutSizes(layout).appsMargins);
    column->setSpacing(spacing::panels);
    column->addWidget(m_header);
    column->addWidget(m_tabs, 0, Qt::AlignLeft);
    column->addLayout(buildBody(layout), 1);

    TVSession *session = ctx.session;
    QObject::connect(m_tabs, &SegmentedTabs::selectionChanged, this, [this] {
        m_inputsSection->setVisible(m_tabs->selection() == appsrules::inputsTab);
        refreshApps();
    });
    QObject::connect(session, &TVSession::appsChanged, this, &AppsPage::refreshApps);
    QObject::connect(session, &TVSession::inputsChanged, this, &AppsPage::refreshInputs);
    QObject::connect(session, &TVSession::foregroundAppIdChanged, this, [this](const QString &appId) {
        m_grid->setForeground(appId);
        refreshInputs();
    });
    QObject::connect(session, &TVSession::titleChanged, this, &AppsPage::refreshState);
    QObject::connect(m_grid, &AppGrid::launchRequested, session, &TVSession::launch);
    m_inputsSection->setVisible(false);
    m_grid->setForeground(session->foregroundAppId());
    refreshInputs();
    refreshApps();
    refreshState();
}

// The scrolling lists, with the live picture beside them in the window.
QLayout *AppsPage::buildBody(ViewLayout layout)
{
    auto *content = new QWidget;
    content->setObjectName(QStringLiteral("appsContent"));
    auto *sections = new QVBoxLayout(content);
    sections->setContentsMargins(margins::none);
    sections->setSpacing(spacing::sections);
    sections->addWidget(buildInputsSection());
    sections->addWidget(buildAppsSection());
    sections->addStretch(1);

    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("appsScroll"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(content);
    scroll->viewport()->setAutoFillBackground(false);

    auto *body = new QHBoxLayout;
    body->setSpacing(spacing::sections);
    body->addWidget(scroll, 1);
    // The tray panel has no room for the picture.
    if (layout == ViewLayout::window) {
        auto *preview = new TVScreenPreview(m_ctx.session, m_ctx.preview, m_ctx.icons, this);
        preview->setObjectName(QStringLiteral("appsPreview"));
        preview->setMinimumWidth(260);
        preview->setMaximumWidth(340);
        body->addWidget(preview, 0, Qt::AlignTop);
    }
    return body;
}

QWidget *AppsPage::buildInputsSection()
{
    m_inputsSection = new QWidget;
    m_inputsSection->setObjectName(QStringLiteral("inputsSection"));
    auto *headingRow = new QHBoxLayout;
    headingRow->setSpacing(spacing::related);
    headingRow->addWidget(sectionTitle(tr("当前输入"), m_inputsSection));
    headingRow->addStretch(1);
    headingRow->addWidget(new StateLine(m_ctx.session, QStringLiteral("apps"), m_inputsSection));

    auto *card = new Panel(m_inputsSection);
    card->setObjectName(QStringLiteral("currentInput"));
    card->setHighlighted(true);
    m_currentSymbol = new SymbolView(m_ctx.icons, QStringLiteral("app.badge"), 22, card);
    m_currentText = new QLabel(card);
    m_currentText->setObjectName(QStringLiteral("currentInputText"));
    m_currentText->setFont(boldFont(m_currentText->font()));
    auto *cardRow = new QHBoxLayout(card);
    cardRow->setSpacing(spacing::items);
    cardRow->addWidget(m_currentSymbol);
    cardRow->addWidget(m_currentText, 1);

    m_inputsLayout = new QVBoxLayout;
    m_inputsLayout->setSpacing(spacing::mark);
    auto *layout = new QVBoxLayout(m_inputsSection);
    layout->setContentsMargins(margins::none);
    layout->setSpacing(spacing::items);
    layout->addLayout(headingRow);
    layout->addWidget(card);
    layout->addLayout(m_inputsLayout);
    return m_inputsSection;
}

QWidget *AppsPage::buildSearchBox()
{
    auto *box = new Panel;
    box->setObjectName(QStringLiteral("searchBox"));
    box->setContentsMargins(margins::field);
    m_search = new QLineEdit(box);
    m_search->setObjectName(QStringLiteral("appSearch"));
    m_search->setAccessibleName(tr("搜索应用"));
    m_search->setPlaceholderText(tr("搜索应用"));
    m_search->setFrame(false);
    m_search->setClearButtonEnabled(true);
    auto *hint = new QLabel(appsrules::searchHint(), box);
    hint->setObjectName(QStringLiteral("searchHint"));
    hint->setForegroundRole(QPalette::PlaceholderText);
    auto *row = new QHBoxLayout(box);
    row->setSpacing(spacing::mark);
    row->addWidget(new SymbolView(m_ctx.icons, QStringLiteral("magnifyingglass"), 16, box));
    row->addWidget(m_search, 1);
    row->addWidget(hint);
    QObject::connect(m_search, &QLineEdit::textChanged, this, &AppsPage::refreshApps);
    return box;
}

QWidget *AppsPage::buildAppsSection()
{
    auto *section = new QWidget;
    section->setObjectName(QStringLiteral("appsSection"));
    QWidget *search = buildSearchBox();
    search->setParent(section);
    search->setMinimumWidth(220);
    auto *headingRow = new QHBoxLayout;
    headingRow->setSpacing(spacing::group);
    headingRow->addWidget(sectionTitle(tr("电视应用"), section));
    headingRow->addStretch(1);
    headingRow->addWidget(search);

    m_grid = new AppGrid(m_icons, m_ctx.icons->icon(QStringLiteral("arrow.up.right")), section);
    m_empty = new QWidget(section);
    m_empty->setObjectName(QStringLiteral("appsEmpty"));
    m_emptyText = new QLabel(m_empty);
    m_emptyText->setObjectName(QStringLiteral("appsEmptyText"));
    m_emptyText->setForegroundRole(QPalette::PlaceholderText);
    auto *emptyRow = new QHBoxLayout(m_empty);
    emptyRow->setContentsMargins(margins::emptyNote);
    emptyRow->addStretch(1);
    emptyRow->addWidget(new SymbolView(m_ctx.icons, QStringLiteral("cable.connector.horizontal"), 20, m_empty));
    emptyRow->addWidget(m_emptyText);
    emptyRow->addStretch(1);

    auto *layout = new QVBoxLayout(section);
    layout->setContentsMargins(margins::none);
    layout->setSpacing(spacing::items);
    layout->addLayout(headingRow);
    layout->addWidget(m_grid);
    layout->addWidget(m_empty);
    return section;
}

void AppsPage::focusSearch()
{
    m_search->setFocus(Qt::ShortcutFocusReason);
}

void AppsPage::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_loader->setShown(true);
}

void AppsPage::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_loader->setShown(false);
}

void AppsPage::refreshApps()
{
    const QList<TVApp> apps = m_ctx.session->apps();
    m_grid->setApps(apps, appsrules::shownApps(apps, m_search->text(), m_tabs->selection()));
    m_grid->setVisible(!apps.isEmpty());
    m_empty->setVisible(apps.isEmpty());
}

// Rows are reused in place; spare ones go later, since a click on one may be running.
void AppsPage::refreshInputs()
{
    const QList<ExternalInput> inputs = m_ctx.session->inputs();
    const int inUse = appsrules::inputInUse(inputs, m_ctx.session->foregroundAppId());
    for (qsizetype i = 0; i < inputs.size(); ++i) {
        if (i < m_inputRows.size()) {
            m_inputRows.at(i)->setInput(inputs.at(i), i == inUse);
            continue;
        }
        auto *row = new InputRow(m_ctx.icons, inputs.at(i), i == inUse, m_inputsSection);
        QObject::connect(row, &QAbstractButton::clicked, this, [this, row] { m_ctx.session->switchInput(row->input()); });
        m_inputsLayout->addWidget(row);
        m_inputRows.append(row);
    }
    while (m_inputRows.size() > inputs.size()) {
        InputRow *row = m_inputRows.takeLast();
        row->hide();
        m_inputsLayout->removeWidget(row);
        row->deleteLater();
    }
}

void AppsPage::refreshState()
{
    TVSession *session = m_ctx.session;
    const ConnectionState state = session->state();
    m_currentText->setText(appsrules::currentInputText(state, session->foregroundTitle()));
    const QString symbol = appsrules::currentInputSymbol(state);
    m_currentSymbol->setSymbol(symbol);
    m_emptyText->setText(appsrules::emptyAppsText(state));
}
