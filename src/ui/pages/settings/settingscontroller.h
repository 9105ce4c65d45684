#pragma once

#include "core/settings.h"
#include "core/tvdevice.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

class FileRevealer;
class MCPServer;
class QClipboard;
class TVSession;

// What the settings page does, without the widgets: the selected TV's name and MAC fields and
// the actions on that TV, the appearance, the MCP switch and its client configurations, and
// the log file. The page binds its controls to these properties.
class SettingsController : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool hasTV READ hasTV NOTIFY tvChanged)
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY nameChanged)
    Q_PROPERTY(QString mac READ mac WRITE setMac NOTIFY macChanged)
    Q_PROPERTY(QString macError READ macError NOTIFY macErrorChanged)
    Q_PROPERTY(bool canSave READ canSave NOTIFY canSaveChanged)
    Q_PROPERTY(bool canWake READ canWake NOTIFY tvChanged)
    Q_PROPERTY(AppearancePreference appearance READ appearance WRITE setAppearance NOTIFY appearanceChanged)
    Q_PROPERTY(bool mcpEnabled READ mcpEnabled WRITE setMcpEnabled NOTIFY mcpEnabledChanged)
    Q_PROPERTY(bool mcpTokenRequired READ mcpTokenRequired WRITE setMcpTokenRequired NOTIFY mcpTokenRequiredChanged)
    Q_PROPERTY(QString newMcpToken READ newMcpToken NOTIFY newMcpTokenChanged)
    Q_PROPERTY(bool mcpScreenshots READ mcpScreenshots WRITE setMcpScreenshots NOTIFY mcpScreenshotsChanged)
    Q_PROPERTY(QString copied READ copied NOTIFY copiedChanged)

public:
    using ApplyAppearance = std::function<void(AppearancePreference)>;

    struct Services {
        TVSession *session = nullptr;
        MCPServer *mcp = nullptr;
        Settings settings;
        FileRevealer *revealer = nullptr;
        QClipboard *clipboard = nullptr;
        ApplyAppearance applyAppearance;
    };

    explicit SettingsController(Services services, QObject *parent = nullptr);

    static inline const QString copiedHTTP = QStringLiteral("http");
    static inline const QString copiedStdio = QStringLiteral("stdio");
    static inline const QString copiedToken = QStringLiteral("token");

    // The store's selected TV, as stored.
    std::optional<TVDevice> tv() const;
    bool hasTV() const { return tv().has_value(); }

    QString name() const { return m_name; }
    void setName(const QString &name);
    QString mac() const { return m_mac; }
    void setMac(const QString &mac);
    // Why the last save was refused; empty once the MAC text is edited or another TV shows.
    QString macError() const { return m_macError; }
    // Empty text (no MAC) or text the normalisation reads.
    static bool macReadable(const QString &mac);
    // Saving would change the stored record.
    bool canSave() const;
    // The stored record has a MAC address; the field's text does not count until saved.
    bool canWake() const;

    // The record "save" stores: the name trimmed, the MAC normalised (none when unreadable).
    static TVDevice edited(const TVDevice &tv, const QString &name, const QString &mac);

    AppearancePreference appearance() const { return m_appearance; }
    void setAppearance(AppearancePreference appearance);
    bool mcpEnabled() const { return m_mcpEnabled; }
    void setMcpEnabled(bool enabled);
    // Whether agents may take pictures of the TV screen; stored under "mcpScreenshots" and
    // applied to the running server's tool list at once.
    bool mcpScreenshots() const { return m_mcpScreenshots; }
    void setMcpScreenshots(bool allowed);
    QString copied() const { return m_copied; }

    // Whether the MCP endpoint asks for an access token. Switching it on makes a new token,
    // stores it and applies it at once; switching it off forgets it.
    bool mcpTokenRequired() const { return m_mcpTokenRequired; }
    void setMcpTokenRequired(bool required);
    // The token made by switching the requirement on, for showing once; empty otherwise.
    QString newMcpToken() const { return m_newMcpToken; }
    // 32 bytes from the system's random source, as 64 hex digits.
    static QString generateToken();

    QString endpointURL() const;
    QString logFilePath() const;
    // Where the log moves once it is full.
    QString rotatedLogFilePath() const;
    MCPServer *mcp() const { return m_services.mcp; }

public Q_SLOTS:
    void save();
    void wake();
    void removeTV();
    void copyHTTPConfig();
    void copyStdioConfig();
    void copyToken();
    void revealLog();

Q_SIGNALS:
    void tvChanged();
    void nameChanged(const QString &name);
    void macChanged(const QString &mac);
    void macErrorChanged(const QString &error);
    void canSaveChanged(bool canSave);
    void appearanceChanged(AppearancePreference appearance);
    void mcpEnabledChanged(bool enabled);
    void mcpTokenRequiredChanged(bool required);
    void newMcpTokenChanged(const QString &token);
    void mcpScreenshotsChanged(bool allowed);
    void copiedChanged(const QString &copied);

private:
    void storeChanged();
    void loadFields(const std::optional<TVDevice> &tv);
    void updateCanSave();
    void setMacError(const QString &error);
    void setCopied(const QString &kind, const QString &text);

    Services m_services;
    std::optional<TVDevice> m_loaded;  // the record the fields were last filled from
    QString m_name;
    QString m_mac;
    QString m_macError;
    bool m_canSave = false;
    AppearancePreference m_appearance;
    bool m_mcpEnabled;
    bool m_mcpTokenRequired;
    QString m_newMcpToken;
    bool m_mcpScreenshots;
    QString m_copied;
};
