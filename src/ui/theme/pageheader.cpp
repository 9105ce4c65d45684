#include "ui/theme/pageheader.h"

#include "ui/theme/metrics.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

PageHeader::PageHeader(const QString &title, const QString &subtitle, QWidget *trailing, QWidget *parent)
    : QWidget(parent)
    , m_title(new QLabel(title, this))
    , m_subtitle(new QLabel(subtitle, this))
{
    setObjectName(QStringLiteral("pageHeader"));
    m_title->setObjectName(QStringLiteral("pageTitle"));
    m_subtitle->setObjectName(QStringLiteral("pageSubtitle"));
    m_title->setFont(boldFont(m_title->font(), fontScale::pageTitle));
    m_subtitle->setForegroundRole(QPalette::PlaceholderText);
    m_subtitle->setWordWrap(true);
    m_subtitle->setVisible(!subtitle.isEmpty());

    m_titleRow = new QHBoxLayout;
    m_titleRow->setSpacing(spacing::related);
    m_titleRow->addWidget(m_title);
    m_titleRow->addStretch(1);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(spacing::tight);
    texts->addLayout(m_titleRow);
    texts->addWidget(m_subtitle);

    m_row = new QHBoxLayout(this);
    m_row->setContentsMargins(margins::none);
    m_row->addLayout(texts, 1);
    setTrailing(trailing);
}

QString PageHeader::title() const
{
    return m_title->text();
}

QString PageHeader::subtitle() const
{
    return m_subtitle->text();
}

void PageHeader::setSubtitle(const QString &subtitle)
{
    m_subtitle->setText(subtitle);
    m_subtitle->setVisible(!subtitle.isEmpty());
}

void PageHeader::setTrailing(QWidget *trailing)
{
    if (m_trailing == trailing)
        return;
    delete m_trailing;
    m_trailing = trailing;
    if (trailing)
        m_row->addWidget(trailing, 0, Qt::AlignVCenter);
}

void PageHeader::addBesideTitle(QWidget *widget)
{
    m_titleRow->insertWidget(m_titleRow->count() - 1, widget, 0, Qt::AlignVCenter);
}
