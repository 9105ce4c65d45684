#pragma once

#include <QString>

#include <memory>
#include <optional>

class QSettings;

// How the application window looks, stored by its raw text under "appearance".
enum class AppearancePreference { system, light, dark };

// Typed access to the application's own settings keys. It holds only the file name: every read
// opens the file afresh, so a value changed by hand or by another process is seen at the next
// read. Copyable.
class Settings {
public:
    // The application's settings file, or VELTRIX_SETTINGS_FILE when that is set.
    Settings();
    explicit Settings(const QString &fileName);

    QString fileName() const { return m_fileName; }

    // Only a stored false keeps the MCP service off; absent or anything else reads as true.
    bool mcpEnabled() const;
    void setMcpEnabled(bool enabled);

    // Agents may take pictures of the TV screen (tv_screenshot). Only a stored true allows it.
    bool mcpScreenshots() const;
    void setMcpScreenshots(bool allowed);

    // 1..65535, else 8765.
    int mcpPort() const;
    void setMcpPort(int port);
    static constexpr int defaultMcpPort = 8765;

    // The access token the MCP endpoint asks for; empty (the default) asks for none. Trimmed of
    // spaces and tabs. Setting it empty removes the key.
    QString mcpToken() const;
    void setMcpToken(const QString &token);

    // Trimmed of spaces and tabs; absent when unset or blank.
    std::optional<QString> autoHost() const;
    void setAutoHost(const std::optional<QString> &host);

    // Any stored text, including the empty one, starts the self-test.
    std::optional<QString> autotest() const;
    void setAutotest(const std::optional<QString> &mode);

    std::optional<QString> snapshotDir() const;
    void setSnapshotDir(const std::optional<QString> &dir);

    // Unknown text reads as system.
    AppearancePreference appearance() const;
    void setAppearance(AppearancePreference appearance);
    static QString appearanceName(AppearancePreference appearance);
    static AppearancePreference appearanceFromName(const QString &name);

    // Whether the TV follows the computer: off when it sleeps or shuts down, back on when it
    // wakes. Only a stored true turns either on.
    bool followComputerOff() const;
    void setFollowComputerOff(bool on);
    bool followComputerOn() const;
    void setFollowComputerOn(bool on);

    // Shared with DeviceStore: the file holds client keys, so it is created owner-only before
    // QSettings ever writes it, and put back to owner-only after every write.
    // ~/.config/Veltrix/Veltrix.conf (under $XDG_CONFIG_HOME), or VELTRIX_SETTINGS_FILE.
    static QString defaultFileName();
    // Where earlier builds kept the settings: Veltrix.ini in the same folder.
    static QString legacyFileName();

    // Moves the earlier builds' file into place when the settings file does not exist yet.
    // When both exist the settings file wins and the old one stays untouched. Logged.
    enum class Adoption { nothingToDo, moved, bothExist, failed };
    static Adoption adoptLegacyFile(const QString &legacyFile, const QString &fileName);
    // The same for the default files; nothing to do when VELTRIX_SETTINGS_FILE is set.
    static Adoption adoptLegacyFile();
    static std::unique_ptr<QSettings> openPrivate(const QString &fileName);
    static void commit(QSettings &settings);

private:
    std::optional<QString> text(const QString &key) const;
    bool storedTrue(const QString &key) const;
    void setBool(const QString &key, bool value);
    void setText(const QString &key, const std::optional<QString> &value);

    QString m_fileName;
};
