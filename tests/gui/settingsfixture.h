#pragma once

// The settings page's collaborators: the shared widget-test fixture, with an MCP port of the
// test's own, a revealer that records, and the appearances the page applied.

#include "gui/guifixture.h"

#include "platform/filerevealer.h"
#include "ui/pages/settings/settingscontroller.h"

#include <QGuiApplication>

class RecordingRevealer : public FileRevealer {
public:
    void reveal(const QString &filePath) override { revealed.append(filePath); }
    QStringList revealed;
};

struct SettingsFixture : GuiFixture {
    RecordingRevealer revealer;
    QList<AppearancePreference> applied;

    // TVs on 127.0.41.x; the MCP port is a free one, never the default.
    SettingsFixture()
        : GuiFixture(41)
    {
        Settings(settingsFile).setMcpPort(freePort());
        ctx.revealer = &revealer;
    }

    SettingsController::Services controllerServices()
    {
        SettingsController::Services s;
        s.session = session;
        s.mcp = mcp;
        s.settings = Settings(settingsFile);
        s.revealer = &revealer;
        s.clipboard = QGuiApplication::clipboard();
        s.applyAppearance = [this](AppearancePreference a) { applied.append(a); };
        return s;
    }

    // A saved, selected TV.
    TVDevice addSelected(const QString &host, const std::optional<QString> &mac = std::nullopt)
    {
        TVDevice tv = store->upsert(host, std::nullopt, QStringLiteral("Living Room"), QStringLiteral("LG OLED55C1"));
        tv.mac = mac;
        store->update(tv);
        store->setSelectedID(tv.id);
        return tv;
    }
};
