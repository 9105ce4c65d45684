#include "ui/pages/settings/settingscontroller.h"

#include "platform/filerevealer.h"
#include "network/localnetwork.h"
#include "log/log.h"
#include "mcp/mcpclientconfig.h"
#include "mcp/mcpserver.h"
#include "core/tvsession.h"

#include <QClipboard>
#include <QRandomGenerator>

SettingsController::SettingsController(Services services, QObject *parent)
    : QObject(parent)
    , m_services(std::move(services))
    , m_appearance(m_services.settings.appearance())
    , m_mcpEnabled(m_services.settings.mcpEnabled())
    , m_mcpTokenRequired(!m_services.settings.mcpToken().isEmpty())
    , m_mcpScreenshots(m_services.settings.mcpScreenshots())
{
    DeviceStore *store = m_services.session->store();
    QObject::connect(store, &DeviceStore::devicesChanged, this, &SettingsController::storeChanged);
    QObject::connect(store, &DeviceStore::selectedIDChanged, this, &SettingsController::storeChanged);
    loadFields(tv());
}

std::optional<TVDevice> SettingsController::tv() const
{
    return m_services.session->store()->selectedDevice();
}

void SettingsController::storeChanged()
{
    const std::optional<TVDevice> current = tv();
    // Another TV, or the same one changed elsewhere (a MAC learnt after pairing) while the
    // fields still show what was loaded: show the stored values. Typed edits are kept.
    const bool otherTV = !current || !m_loaded || current->id != m_loaded->id;
    const bool untouched = m_loaded && m_name == m_loaded->name && m_mac == m_loaded->mac.value_or(QString());
    if (otherTV || untouched)
        loadFields(current);
    Q_EMIT tvChanged();
    updateCanSave();
}

void SettingsController::loadFields(const std::optional<TVDevice> &tv)
{
    m_loaded = tv;
    setName(tv ? tv->name : QString());
    setMac(tv && tv->mac ? *tv->mac : QString());
    setMacError(QString());
}

void SettingsController::setName(const QString &name)
{
    if (m_name == name)
        return;
    m_name = name;
    Q_EMIT nameChanged(name);
    updateCanSave();
}

void SettingsController::setMac(const QString &mac)
{
    if (m_mac == mac)
        return;
    m_mac = mac;
    Q_EMIT macChanged(mac);
    setMacError(QString());
    updateCanSave();
}

void SettingsController::setMacError(const QString &error)
{
    if (m_macError == error)
        return;
    m_macError = error;
    Q_EMIT macErrorChanged(error);
}

bool SettingsController::macReadable(const QString &mac)
{
    const QString trimmed = mac.trimmed();
    return trimmed.isEmpty() || LocalNetwork::normalizeMAC(trimmed).has_value();
}

TVDevice SettingsController::edited(const TVDevice &tv, const QString &name, const QString &mac)
{
    TVDevice record = tv;
    record.name = name.trimmed();
    // Surrounding blanks come with pasted text; they must not cost the address.
    record.mac = LocalNetwork::normalizeMAC(mac.trimmed());
    return record;
}

bool SettingsController::canSave() const
{
    const std::optional<TVDevice> current = tv();
    return current && edited(*current, m_name, m_mac) != *current;
}

void SettingsController::updateCanSave()
{
    const bool can = canSave();
    if (can == m_canSave)
        return;
    m_canSave = can;
    Q_EMIT canSaveChanged(can);
}

bool SettingsController::canWake() const
{
    const std::optional<TVDevice> current = tv();
    return current && current->mac.has_value();
}

void SettingsController::save()
{
    const std::optional<TVDevice> current = tv();
    if (!current)
        return;
    // Unreadable text would silently drop the stored address and with it Wake-on-LAN: refuse,
    // keep what is stored and leave the text in the field to be corrected.
    if (!macReadable(m_mac)) {
        setMacError(tr("无法识别的 MAC 地址，未保存（格式如 aa:bb:cc:dd:ee:ff）"));
        return;
    }
    m_services.session->store()->update(edited(*current, m_name, m_mac));
    loadFields(tv());
    updateCanSave();
}

void SettingsController::wake()
{
    if (canWake())
        m_services.session->wake();
}

void SettingsController::removeTV()
{
    const std::optional<TVDevice> current = tv();
    if (!current)
        return;
    DeviceStore *store = m_services.session->store();
    if (store->selectedID() == current->id)
        m_services.session->disconnect();
    store->remove(current->id);
}

void SettingsController::setAppearance(AppearancePreference appearance)
{
    if (m_appearance == appearance)
        return;
    m_appearance = appearance;
    m_services.settings.setAppearance(appearance);
    if (m_services.applyAppearance)
        m_services.applyAppearance(appearance);
    Q_EMIT appearanceChanged(appearance);
}

void SettingsController::setMcpEnabled(bool enabled)
{
    if (m_mcpEnabled == enabled)
        return;
    m_mcpEnabled = enabled;
    m_services.settings.setMcpEnabled(enabled);
    if (enabled)
        m_services.mcp->start();
    else
        m_services.mcp->stop();
    Q_EMIT mcpEnabledChanged(enabled);
}

void SettingsController::setMcpTokenRequired(bool required)
{
    if (m_mcpTokenRequired == required)
        return;
    m_mcpTokenRequired = required;
    const QString token = required ? generateToken() : QString();
    // Stored before it is applied: a bridge started meanwhile reads it from the file.
    m_services.settings.setMcpToken(token);
    m_services.mcp->setAccessToken(token);
    m_newMcpToken = token;
    Q_EMIT mcpTokenRequiredChanged(required);
    Q_EMIT newMcpTokenChanged(token);
}

QString SettingsController::generateToken()
{
    QByteArray bytes(32, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
    return QString::fromLatin1(bytes.toHex());
}

void SettingsController::setMcpScreenshots(bool allowed)
{
    if (m_mcpScreenshots == allowed)
        return;
    m_mcpScreenshots = allowed;
    m_services.settings.setMcpScreenshots(allowed);
    m_services.mcp->setScreenshotsAllowed(allowed);
    Q_EMIT mcpScreenshotsChanged(allowed);
}

QString SettingsController::endpointURL() const
{
    return m_services.mcp->endpointURL();
}

QString SettingsController::logFilePath() const
{
    return veltrix::logFilePath();
}

QString SettingsController::rotatedLogFilePath() const
{
    return veltrix::rotatedLogFilePath();
}

void SettingsController::copyHTTPConfig()
{
    setCopied(copiedHTTP, MCPClientConfig::http(endpointURL(), m_services.settings.mcpToken()));
}

void SettingsController::copyStdioConfig()
{
    setCopied(copiedStdio, MCPClientConfig::stdio(MCPClientConfig::executablePath()));
}

void SettingsController::copyToken()
{
    if (!m_newMcpToken.isEmpty())
        setCopied(copiedToken, m_newMcpToken);
}

void SettingsController::setCopied(const QString &kind, const QString &text)
{
    if (m_services.clipboard)
        m_services.clipboard->setText(text);
    if (m_copied == kind)
        return;
    m_copied = kind;
    Q_EMIT copiedChanged(kind);
}

void SettingsController::revealLog()
{
    if (m_services.revealer)
        m_services.revealer->reveal(logFilePath());
}
