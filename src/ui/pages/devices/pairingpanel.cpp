#include "ui/pages/devices/pairingpanel.h"
#include "log/coretext.h"

#include "ui/theme/metrics.h"
#include "ui/pages/devices/connectingdots.h"
#include "ui/pages/devices/devicesactions.h"
#include "core/devicestore.h"
#include "ui/theme/icons.h"
#include "ui/theme/pagebutton.h"
#include "ui/pages/devices/stepsview.h"
#include "ui/theme/symbolview.h"
#include "core/tvsession.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QVBoxLayout>

PairingPanel::PairingPanel(TVSession *session, DevicesActions *actions, Icons *icons, QWidget *parent)
    : Panel(parent)
    , m_session(session)
    , m_store(session->store())
    , m_actions(actions)
    , m_name(new QLabel(this))
    , m_steps(new StepsView({tr("发现设备"), tr("电视确认"), tr("连接完成")}, this))
    , m_connecting(new QWidget(this))
    , m_connectingText(new QLabel(m_connecting))
    , m_dots(new ConnectingDots(m_connecting))
    , m_pinPairing(new PageButton(tr("使用 PIN 配对"), PageButton::Kind::secondary, this))
    , m_pinEntry(new QWidget(this))
    , m_pinField(new QLineEdit(m_pinEntry))
    , m_pinError(new QLabel(m_pinEntry))
    , m_submit(new PageButton(tr("提交"), PageButton::Kind::primary, m_pinEntry))
    , m_main(new PageButton(QString(), PageButton::Kind::primary, this))
{
    setObjectName(QStringLiteral("pairingPanel"));
    m_connectingText->setObjectName(QStringLiteral("connectingText"));
    auto *connectingRow = new QHBoxLayout(m_connecting);
    connectingRow->setContentsMargins(margins::none);
    connectingRow->setSpacing(spacing::none);
    connectingRow->addWidget(m_connectingText);
    connectingRow->addWidget(m_dots);
    connectingRow->addStretch(1);
    m_main->setObjectName(QStringLiteral("pairingMain"));

    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(spacing::group);
    layout->addLayout(buildHeading());
    layout->addWidget(m_steps);
    layout->addWidget(m_connecting);
    layout->addLayout(buildNote(icons));
    layout->addWidget(m_pinPairing, 0, Qt::AlignLeft);
    layout->addWidget(buildPinEntry(icons));
    layout->addWidget(m_main);

    QObject::connect(m_pinPairing, &QAbstractButton::clicked, this, [this] { m_actions->pairWithPin(); });
    QObject::connect(m_main, &QAbstractButton::clicked, this, [this] { m_actions->runMainAction(); });
    QObject::connect(m_submit, &QAbstractButton::clicked, this, &PairingPanel::submitPin);
    QObject::connect(m_pinField, &QLineEdit::returnPressed, this, &PairingPanel::submitPin);
    QObject::connect(session, &TVSession::stateChanged, this, &PairingPanel::refresh);
    QObject::connect(m_store, &DeviceStore::devicesChanged, this, &PairingPanel::refresh);
    QObject::connect(m_store, &DeviceStore::selectedIDChanged, this, &PairingPanel::refresh);
    refresh();
}

QLayout *PairingPanel::buildHeading()
{
    auto *heading = sectionTitle(tr("连接"), this);
    m_name->setObjectName(QStringLiteral("pairingName"));
    m_name->setFont(heading->font());
    auto *row = new QHBoxLayout;
    row->addWidget(heading);
    row->addWidget(m_name, 1);
    return row;
}

QLayout *PairingPanel::buildNote(Icons *icons)
{
    auto *row = new QHBoxLayout;
    row->setSpacing(spacing::mark);
    row->addWidget(new SymbolView(icons, QStringLiteral("info.circle"), 14, this));
    auto *note = new QLabel(tr("配对后可自动重新连接"), this);
    note->setForegroundRole(QPalette::PlaceholderText);
    row->addWidget(note, 1);
    return row;
}

// The "使用 PIN 配对" button and the field with its submit button it opens.
QWidget *PairingPanel::buildPinEntry(Icons *icons)
{
    m_pinPairing->setObjectName(QStringLiteral("pinPairing"));
    m_pinPairing->setIcon(icons->icon(QStringLiteral("circle.grid.3x3")));
    m_pinField->setObjectName(QStringLiteral("pinField"));
    m_pinField->setAccessibleName(tr("输入电视上的 PIN"));
    m_pinField->setPlaceholderText(tr("输入电视上的 PIN"));
    m_submit->setObjectName(QStringLiteral("submitPin"));
    m_pinError->setObjectName(QStringLiteral("pinError"));
    m_pinError->setWordWrap(true);
    paintAsError(m_pinError);
    m_pinError->hide();
    auto *column = new QVBoxLayout(m_pinEntry);
    column->setContentsMargins(margins::none);
    auto *row = new QHBoxLayout;
    row->addWidget(m_pinField, 1);
    row->addWidget(m_submit);
    column->addLayout(row);
    column->addWidget(m_pinError);
    return m_pinEntry;
}

void PairingPanel::submitPin()
{
    QPointer<PairingPanel> self(this);
    const bool sent = m_actions->submitPin(m_pinField->text(), [self](const QString &reason) {
        if (self)
            self->showPinRefusal(reason);
    });
    if (!sent)
        return;
    m_pinField->clear();
    m_pinError->hide();  // a new attempt: the old refusal no longer applies
}

void PairingPanel::showPinRefusal(const QString &reason)
{
    // The TV keeps asking: the entry stays for the next try.
    if (!pairing::showsPinEntry(m_session->state()))
        return;
    m_pinError->setText(tr("电视未接受此 PIN：") + veltrix::shownText(reason));
    m_pinError->show();
}

void PairingPanel::refresh()
{
    const ConnectionState state = m_session->state();
    const std::optional<TVDevice> selected = m_store->selectedDevice();
    const QString name = selected ? veltrix::shownText(selected->displayName()) : QString();
    m_name->setText(name);
    m_steps->setCurrent(pairing::currentStep(state, selected.has_value()));

    const bool connecting = pairing::showsConnecting(state);
    m_connectingText->setText(tr("正在连接 %1").arg(name));
    m_connecting->setVisible(connecting);
    m_dots->setActive(connecting);

    m_pinPairing->setEnabled(pairing::pinPairingEnabled(state, selected.has_value()));
    const bool pinEntry = pairing::showsPinEntry(state);
    if (!pinEntry) {
        m_pinField->clear();  // a PIN typed for an earlier request means nothing now
        m_pinError->hide();
    }
    m_pinEntry->setVisible(pinEntry);

    const QString label = pairing::mainLabel(pairing::mainAction(state));
    m_main->setText(label);
    m_main->setAccessibleName(label);
    m_main->setEnabled(selected.has_value());
    m_main->updateGeometry();
}
