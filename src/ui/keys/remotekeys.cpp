#include "ui/keys/remotekeys.h"

#include "ui/keys/keycommands.h"
#include "ui/keys/keygate.h"
#include "ui/keys/keyhits.h"

#include <QKeyEvent>

#include <optional>

namespace {

// The characters of the key after Shift; falls back on the key for events without text.
QString keyText(const QKeyEvent &event)
{
    if (!event.text().isEmpty())
        return event.text();
    switch (event.key()) {
    case Qt::Key_Plus: return QStringLiteral("+");
    case Qt::Key_Equal: return QStringLiteral("=");
    case Qt::Key_Minus: return QStringLiteral("-");
    case Qt::Key_M: return QStringLiteral("m");
    default: return QString();
    }
}

// F5 runs the refresh (gated) and is consumed when there is a refresh; otherwise it passes on.
bool handleRefresh(KeyGate &gate, const RefreshAction &refresh)
{
    if (!refresh)
        return false;
    if (gate.allow(QStringLiteral("f5")))
        refresh();
    return true;
}

// Step "media": volume, mute and play. Returns consumed, passed, or undecided (nullopt).
std::optional<bool> handleMedia(const QKeyEvent &event, const QString &text, KeyCommands &commands, KeyGate &gate)
{
    const bool shift = event.modifiers() & Qt::ShiftModifier;
    if (text == QLatin1String("=") || text == QLatin1String("+")) {
        commands.volumeUp();
        return true;
    }
    if (text == QLatin1String("-") && !shift) {
        commands.volumeDown();
        return true;
    }
    if (shift)
        return false;
    if (text.compare(QLatin1String("m"), Qt::CaseInsensitive) == 0) {
        if (gate.allow(QStringLiteral("m")))
            commands.setMute(!commands.muted());
        return true;
    }
    if (event.key() == Qt::Key_Space) {
        if (gate.allow(QStringLiteral("space")))
            commands.button(QStringLiteral("PLAY"));
        return true;
    }
    return std::nullopt;
}

std::optional<QString> navigationName(int key)
{
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return QStringLiteral("OK");
    case Qt::Key_Left: return QStringLiteral("LEFT");
    case Qt::Key_Right: return QStringLiteral("RIGHT");
    case Qt::Key_Down: return QStringLiteral("DOWN");
    case Qt::Key_Up: return QStringLiteral("UP");
    default: return std::nullopt;
    }
}

} // namespace

QString buttonForNavigation(const QString &name)
{
    return name == QLatin1String("OK") ? QStringLiteral("ENTER") : name;
}

void pressDPad(const QString &name, KeyCommands &commands, KeyHits *hits)
{
    if (hits)
        hits->record(name);
    commands.button(buttonForNavigation(name));
}

bool handleRemoteKey(const QKeyEvent &event, KeyCommands &commands, KeyGate &gate, const NavigateAction &navigate,
                     bool media, const RefreshAction &refresh)
{
    if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const QString text = keyText(event);
    if (media) {
        if (const auto decided = handleMedia(event, text, commands, gate))
            return *decided;
    } else if (event.modifiers() & Qt::ShiftModifier) {
        return false;
    }

    const int key = event.key();
    if (key == Qt::Key_F5)
        return handleRefresh(gate, refresh);
    if (!navigate)
        return false;
    if (key == Qt::Key_Backspace || key == Qt::Key_Escape) {
        commands.button(QStringLiteral("BACK"));
        return true;
    }
    if (const auto name = navigationName(key)) {
        navigate(*name);
        return true;
    }
    return false;
}
