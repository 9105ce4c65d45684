#include "ui/remote/dpadpanel.h"

#include "ui/theme/metrics.h"
#include "ui/keys/keycommands.h"
#include "ui/keys/keyhits.h"
#include "ui/theme/pressfeedback.h"
#include "ui/remote/remotekeybutton.h"
#include "ui/keys/remotekeys.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

struct Navigation {
    const char *name;
    const char *symbol;
    const char *label;
    int row;
    int column;
};

// The centre key shows its label; the arrows their chevrons, labelled for screen readers.
const Navigation kNavigation[] = {
    {"UP", "chevron.up", QT_TRANSLATE_NOOP("DPadPanel", "向上"), 0, 1},
    {"LEFT", "chevron.left", QT_TRANSLATE_NOOP("DPadPanel", "向左"), 1, 0},
    {"OK", "", QT_TRANSLATE_NOOP("DPadPanel", "确认"), 1, 1},
    {"RIGHT", "chevron.right", QT_TRANSLATE_NOOP("DPadPanel", "向右"), 1, 2},
    {"DOWN", "chevron.down", QT_TRANSLATE_NOOP("DPadPanel", "向下"), 2, 1},
};

struct Direct {
    const char *name;
    const char *symbol;
    const char *label;
};

const Direct kDirect[] = {
    {"BACK", "arrow.uturn.backward", QT_TRANSLATE_NOOP("DPadPanel", "返回")},
    {"HOME", "house", QT_TRANSLATE_NOOP("DPadPanel", "主页")},
    {"MENU", "line.3.horizontal", QT_TRANSLATE_NOOP("DPadPanel", "菜单")},
};

} // namespace

DPadPanel::DPadPanel(TVSession *session, Icons *icons, ViewLayout layout, KeyHits *hits, QWidget *parent)
    : Panel(parent)
    , m_commands(std::make_shared<SessionKeyCommands>(session))
    , m_hits(hits)
    , m_icons(icons)
    , m_cross(new QGridLayout)
{
    setObjectName(QStringLiteral("dpadPanel"));
    const LayoutSizes sizes = layoutSizes(layout);
    m_cross->setSpacing(sizes.crossSpacing);
    for (const Navigation &key : kNavigation) {
        const QString name = QString::fromLatin1(key.name);
        const bool isCentre = name == QLatin1String("OK");
        RemoteKeyButton *button = addKey(name, QString::fromLatin1(key.symbol), tr(key.label), true,
                                         isCentre ? sizes.centreKey : sizes.arrowKey);
        button->setAccent(isCentre);
        m_cross->addWidget(button, key.row, key.column, Qt::AlignCenter);
        QObject::connect(button, &QAbstractButton::clicked, this,
                         [this, name] { pressDPad(name, *m_commands, m_hits.data()); });
    }

    auto *direct = new QHBoxLayout;
    direct->setSpacing(sizes.directSpacing);
    direct->addStretch(1);
    for (const Direct &key : kDirect) {
        const QString name = QString::fromLatin1(key.name);
        RemoteKeyButton *button = addKey(name, QString::fromLatin1(key.symbol), tr(key.label), false,
                                         sizes.directKey);
        direct->addWidget(button);
        QObject::connect(button, &QAbstractButton::clicked, this, [this, name] { m_commands->button(name); });
    }
    direct->addStretch(1);

    auto *crossRow = new QHBoxLayout;
    crossRow->addStretch(1);
    crossRow->addLayout(m_cross);
    crossRow->addStretch(1);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(margins::none);
    column->setSpacing(sizes.dpadSpacing);
    column->addLayout(crossRow);
    column->addLayout(direct);

    if (hits)
        QObject::connect(hits, &KeyHits::changed, this, &DPadPanel::flash);
}

DPadPanel::~DPadPanel() = default;

RemoteKeyButton *DPadPanel::addKey(const QString &name, const QString &symbol, const QString &label, bool round,
                                   int size)
{
    auto *button = new RemoteKeyButton(m_icons, round ? RemoteKeyButton::Shape::round : RemoteKeyButton::Shape::capsule,
                                       symbol, label, size, this);
    button->setObjectName(QStringLiteral("key.") + name);
    m_keys.insert(name, button);
    return button;
}

void DPadPanel::setCornerWidget(QWidget *widget)
{
    m_cross->addWidget(widget, 0, 2, Qt::AlignCenter);
}

void DPadPanel::flash(const QString &name)
{
    if (RemoteKeyButton *button = m_keys.value(name))
        button->feedback()->tap();
}
