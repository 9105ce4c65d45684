#include "ui/remote/touchpadpanel.h"

#include "ui/theme/metrics.h"
#include "ui/theme/icons.h"
#include "ui/theme/roundiconbutton.h"
#include "ui/theme/symbolview.h"
#include "ui/remote/touchpadsurface.h"
#include "core/tvsession.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

TouchpadPanel::TouchpadPanel(TVSession *session, Icons *icons, ViewLayout layout, QWidget *parent)
    : Panel(parent)
    , m_session(session)
    , m_surface(new TouchpadSurface(icons, this))
    , m_textRow(new QWidget(this))
    , m_field(new QLineEdit(m_textRow))
    , m_send(new RoundIconButton(icons, QStringLiteral("paperplane.fill"), layoutSizes(layout).sendButton,
                                 QColor(), tr("发送文字"), m_textRow))
{
    setObjectName(QStringLiteral("touchpadPanel"));

    auto *header = new QHBoxLayout;
    header->setSpacing(spacing::mark);
    header->addWidget(new SymbolView(icons, QStringLiteral("hand.point.up.left"), 16, this));
    auto *title = new QLabel(tr("触控板"), this);
    title->setFont(boldFont(title->font()));
    header->addWidget(title);
    header->addStretch(1);

    m_textRow->setObjectName(QStringLiteral("touchpadTextRow"));
    m_textRow->setAutoFillBackground(false);
    auto *row = new QHBoxLayout(m_textRow);
    row->setContentsMargins(margins::fieldEndingInButton);
    row->setSpacing(spacing::mark);
    row->addWidget(new SymbolView(icons, QStringLiteral("keyboard"), 16, m_textRow));
    m_field->setObjectName(QStringLiteral("touchpadTextField"));
    m_field->setAccessibleName(tr("向电视输入文字"));
    m_field->setFrame(false);
    // Never focused by Tab or by a window turning active: the keys belong to the TV until the
    // user clicks into the field.
    m_field->setFocusPolicy(Qt::ClickFocus);
    row->addWidget(m_field, 1);
    m_send->setObjectName(QStringLiteral("touchpadSend"));
    row->addWidget(m_send);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(margins::none);
    column->setSpacing(layoutSizes(layout).panelSpacing);
    column->addLayout(header);
    column->addWidget(m_surface, 1);
    column->addWidget(m_textRow);

    TouchpadGesture *gesture = m_surface->gesture();
    QObject::connect(gesture, &TouchpadGesture::moved, this, [this](double dx, double dy) {
        // The session gathers moves into one frame per window; no throttling here.
        m_session->movePointer(dx * motionScale, dy * motionScale);
    });
    QObject::connect(gesture, &TouchpadGesture::clicked, this, [this] { m_session->click(); });
    QObject::connect(gesture, &TouchpadGesture::scrolled, m_session, &TVSession::scroll);
    QObject::connect(m_field, &QLineEdit::returnPressed, this, &TouchpadPanel::sendText);
    QObject::connect(m_send, &QAbstractButton::clicked, this, &TouchpadPanel::sendText);
    QObject::connect(session, &TVSession::keyboardFocusedChanged, this, &TouchpadPanel::showKeyboardFocus);
    showKeyboardFocus(session->keyboardFocused());
}

void TouchpadPanel::sendText()
{
    const QString text = m_field->text();
    if (text.isEmpty())
        return;
    // Emptied before the TV answers; spaces are text too.
    m_field->clear();
    m_session->insertText(text);
}

void TouchpadPanel::showKeyboardFocus(bool focused)
{
    m_field->setPlaceholderText(focused ? tr("电视输入框已就绪，输入文字") : tr("向电视输入文字"));
    m_textRow->setProperty("tvKeyboard", focused);
    QPalette pal = m_textRow->palette();
    m_textRow->setAutoFillBackground(focused);
    if (focused) {
        QColor tint = palette().color(QPalette::Highlight);
        tint.setAlphaF(0.16);
        pal.setColor(QPalette::Window, tint);
    }
    m_textRow->setPalette(focused ? pal : QPalette());
}
