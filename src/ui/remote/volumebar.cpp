#include "ui/remote/volumebar.h"

#include "ui/theme/metrics.h"
#include "ui/theme/roundiconbutton.h"
#include "core/tvsession.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>
#include <QVariantAnimation>

VolumeBar::VolumeBar(TVSession *session, Icons *icons, ViewLayout layout, QWidget *parent)
    : Panel(parent)
    , m_session(session)
    , m_number(new QLabel(this))
    , m_slider(new QSlider(Qt::Horizontal, this))
    , m_mute(new RoundIconButton(icons, QStringLiteral("speaker.wave.2"), layoutSizes(layout).muteButton))
    , m_count(new QVariantAnimation(this))
{
    setObjectName(QStringLiteral("volumeBar"));
    const LayoutSizes sizes = layoutSizes(layout);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(margins::none);
    column->setSpacing(sizes.volumeSpacing);
    column->addLayout(buildTitleRow(sizes));
    column->addLayout(buildControlRow(icons, sizes));

    m_count->setDuration(160);
    m_count->setEasingCurve(QEasingCurve::OutCubic);
    QObject::connect(m_count, &QVariantAnimation::valueChanged, m_number,
                     [this](const QVariant &value) { m_number->setText(QString::number(value.toInt())); });

    QObject::connect(m_mute, &QAbstractButton::clicked, this, [this] { m_session->setMute(!m_session->muted()); });
    QObject::connect(m_slider, &QSlider::sliderMoved, this, &VolumeBar::onSliderMoved);
    QObject::connect(m_slider, &QSlider::sliderReleased, session, &TVSession::commitVolume);
    QObject::connect(m_slider, &QSlider::valueChanged, this, &VolumeBar::onSliderValueChanged);
    QObject::connect(session, &TVSession::volumeChanged, this, &VolumeBar::showVolume);
    QObject::connect(session, &TVSession::mutedChanged, this, &VolumeBar::showMuted);

    m_number->setText(QString::number(session->volume()));
    m_count->setEndValue(session->volume());
    m_slider->setValue(session->volume());
    showMuted(session->muted());
}

// "音量" and the level as a number in bold fixed-width digits.
QLayout *VolumeBar::buildTitleRow(const LayoutSizes &sizes)
{
    auto *title = new QLabel(tr("音量"), this);
    title->setFont(boldFont(title->font()));
    m_number->setObjectName(QStringLiteral("volumeNumber"));
    QFont digits = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    digits.setPointSizeF(title->font().pointSizeF());
    m_number->setFont(boldFont(digits, sizes.volumeDigits));
    m_number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto *row = new QHBoxLayout;
    row->addWidget(title);
    row->addStretch(1);
    row->addWidget(m_number);
    return row;
}

// Step down, the slider, step up and mute.
QLayout *VolumeBar::buildControlRow(Icons *icons, const LayoutSizes &sizes)
{
    auto *down = new RoundIconButton(icons, QStringLiteral("minus"), sizes.stepButton, QColor(), tr("减小音量"), this);
    down->setObjectName(QStringLiteral("volumeDown"));
    auto *up = new RoundIconButton(icons, QStringLiteral("plus"), sizes.stepButton, QColor(), tr("增大音量"), this);
    up->setObjectName(QStringLiteral("volumeUp"));
    m_mute->setParent(this);
    m_mute->setObjectName(QStringLiteral("muteButton"));
    m_slider->setObjectName(QStringLiteral("volumeSlider"));
    m_slider->setAccessibleName(tr("音量"));
    m_slider->setRange(0, 100);
    // Arrow keys belong to the TV, not to a focused slider.
    m_slider->setFocusPolicy(Qt::NoFocus);
    QObject::connect(down, &QAbstractButton::clicked, m_session, &TVSession::volumeDown);
    QObject::connect(up, &QAbstractButton::clicked, m_session, &TVSession::volumeUp);

    auto *row = new QHBoxLayout;
    row->setSpacing(sizes.volumeRowSpacing);
    row->addWidget(down);
    row->addWidget(m_slider, 1);
    row->addWidget(up);
    row->addWidget(m_mute);
    return row;
}

void VolumeBar::finishAnimation()
{
    if (m_count->state() == QAbstractAnimation::Running)
        m_count->setCurrentTime(m_count->duration());
}

void VolumeBar::showVolume(int volume)
{
    // The number counts to the new level; the slider follows unless the finger holds it.
    m_count->stop();
    m_count->setStartValue(m_number->text().toInt());
    m_count->setEndValue(volume);
    m_count->start();
    if (!m_slider->isSliderDown() && m_slider->value() != volume)
        m_slider->setValue(volume);
}

void VolumeBar::showMuted(bool muted)
{
    m_mute->setSymbol(muted ? QStringLiteral("speaker.slash") : QStringLiteral("speaker.wave.2"));
    m_mute->setTip(muted ? tr("取消静音") : tr("静音"));
}

void VolumeBar::onSliderMoved(int value)
{
    // Local only while dragging; the release sends the level once.
    m_session->setVolume(value);
}

void VolumeBar::onSliderValueChanged(int value)
{
    // A click on the groove or a wheel turn moves the slider without a drag: that is a
    // finished choice, sent at once. Values the session set itself are already current.
    if (m_slider->isSliderDown() || value == m_session->volume())
        return;
    m_session->setVolume(value);
    m_session->commitVolume();
}
