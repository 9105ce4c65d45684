#include "ui/pages/settings/settingstvsection.h"

#include "ui/theme/metrics.h"
#include "ui/pages/settings/settingscontroller.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

SettingsTVSection::SettingsTVSection(SettingsController *controller, QWidget *parent)
    : SettingsSection(tr("电视"), parent)
    , m_controller(controller)
    , m_stack(new QStackedWidget(this))
{
    setObjectName(QStringLiteral("settingsTVSection"));
    m_empty = buildEmpty();
    m_form = buildForm();
    m_stack->addWidget(m_empty);
    m_stack->addWidget(m_form);
    body()->addWidget(m_stack);

    QObject::connect(controller, &SettingsController::tvChanged, this, &SettingsTVSection::refresh);
    QObject::connect(controller, &SettingsController::nameChanged, this, &SettingsTVSection::refresh);
    QObject::connect(controller, &SettingsController::macChanged, this, &SettingsTVSection::refresh);
    QObject::connect(controller, &SettingsController::canSaveChanged, this, &SettingsTVSection::refresh);
    QObject::connect(controller, &SettingsController::macErrorChanged, this, &SettingsTVSection::refresh);
    refresh();
}

QWidget *SettingsTVSection::buildEmpty()
{
    auto *page = new QWidget(this);
    page->setObjectName(QStringLiteral("settingsNoTV"));
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(margins::none);
    layout->addWidget(new QLabel(tr("未选择电视"), page));
    layout->addWidget(note(tr("在“设备管理”中添加或选择一台电视后，可在这里修改名称和网卡 MAC。"), page));
    layout->addStretch(1);
    return page;
}

QWidget *SettingsTVSection::buildForm()
{
    auto *page = new QWidget(this);
    page->setObjectName(QStringLiteral("settingsTVForm"));
    m_name = field(QStringLiteral("tvNameField"), tr("名称"), tr("电视名称"));
    m_mac = field(QStringLiteral("tvMacField"), tr("网卡 MAC"), QStringLiteral("aa:bb:cc:dd:ee:ff"));
    m_model = new QLabel(page);
    m_host = new QLabel(page);
    m_pairing = new QLabel(page);
    m_macError = new QLabel(page);
    m_macError->setObjectName(QStringLiteral("tvMacError"));
    m_macError->setWordWrap(true);
    paintAsError(m_macError);
    for (QLabel *label : {m_model, m_host})
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *form = new QFormLayout;
    form->setContentsMargins(margins::none);
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->addRow(tr("名称"), m_name);
    form->addRow(tr("型号"), m_model);
    form->addRow(tr("IP 地址"), m_host);
    form->addRow(tr("网卡 MAC"), m_mac);
    form->addRow(QString(), m_macError);
    form->addRow(tr("配对状态"), m_pairing);

    m_formLayout = form;
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(margins::none);
    layout->addLayout(form);
    layout->addLayout(buildButtons());
    return page;
}

// Save, wake and delete under the form; Return in either field saves too.
QLayout *SettingsTVSection::buildButtons()
{
    m_save = button(QStringLiteral("saveTVButton"), tr("保存"));
    m_wake = button(QStringLiteral("wakeTVButton"), tr("网络唤醒 (WOL)"));
    m_wake->setToolTip(m_wake->text());
    m_delete = button(QStringLiteral("deleteTVButton"), tr("删除此电视"));
    m_save->setDefault(true);
    QObject::connect(m_save, &QPushButton::clicked, m_controller, &SettingsController::save);
    QObject::connect(m_wake, &QPushButton::clicked, m_controller, &SettingsController::wake);
    QObject::connect(m_delete, &QPushButton::clicked, m_controller, &SettingsController::removeTV);
    QObject::connect(m_name, &QLineEdit::textEdited, m_controller, &SettingsController::setName);
    QObject::connect(m_mac, &QLineEdit::textEdited, m_controller, &SettingsController::setMac);
    for (QLineEdit *edit : {m_name, m_mac}) {
        QObject::connect(edit, &QLineEdit::returnPressed, m_controller, [this] {
            if (m_controller->canSave())
                m_controller->save();
        });
    }

    auto *buttons = new QHBoxLayout;
    buttons->setContentsMargins(margins::buttonsBelow);
    buttons->addWidget(m_save);
    buttons->addWidget(m_wake);
    buttons->addStretch(1);
    buttons->addWidget(m_delete);

    return buttons;
}

QLineEdit *SettingsTVSection::field(const QString &name, const QString &accessible, const QString &placeholder)
{
    auto *edit = new QLineEdit(this);
    edit->setObjectName(name);
    edit->setAccessibleName(accessible);
    edit->setPlaceholderText(placeholder);
    edit->setClearButtonEnabled(true);
    return edit;
}

QPushButton *SettingsTVSection::button(const QString &name, const QString &text)
{
    auto *button = new QPushButton(text, this);
    button->setObjectName(name);
    button->setAccessibleName(text);
    return button;
}

void SettingsTVSection::refresh()
{
    const std::optional<TVDevice> tv = m_controller->tv();
    QWidget *shown = tv ? m_form : m_empty;
    m_stack->setCurrentWidget(shown);
    // Only the page on show claims room, so the short "no TV" text leaves no empty card.
    for (QWidget *page : {m_form, m_empty}) {
        const auto policy = page == shown ? QSizePolicy::Preferred : QSizePolicy::Ignored;
        page->setSizePolicy(policy, policy);
    }
    m_stack->adjustSize();
    if (!tv)
        return;
    // Written back only when different, so the cursor stays where the user is typing.
    if (m_name->text() != m_controller->name())
        m_name->setText(m_controller->name());
    if (m_mac->text() != m_controller->mac())
        m_mac->setText(m_controller->mac());
    m_model->setText(tv->model.isEmpty() ? QStringLiteral("—") : tv->model);
    m_host->setText(tv->host);
    m_pairing->setText(tv->isPaired() ? tr("已配对") : tr("未配对"));
    m_macError->setText(m_controller->macError());
    m_formLayout->setRowVisible(m_macError, !m_controller->macError().isEmpty());
    m_save->setEnabled(m_controller->canSave());
    m_wake->setEnabled(m_controller->canWake());
}
