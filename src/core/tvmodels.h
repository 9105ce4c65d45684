#pragma once

#include <QList>
#include <QMetaType>
#include <QString>
#include <QUrl>

#include <optional>

struct TVApp {
    QString id;     // launch-point id
    QString title;
    std::optional<QUrl> icon;
    bool operator==(const TVApp &) const = default;
};

struct ExternalInput {
    QString id;     // e.g. "HDMI_1"
    QString label;
    QString appId;  // foreground app id the TV reports while this input is shown
    bool connected = false;
    bool operator==(const ExternalInput &) const = default;
};

// Whether an input or app with this app id is what the TV shows. An empty foreground id means
// the TV has not said; it matches nothing, in particular not an input the TV gave no app id.
inline bool isForeground(const QString &appId, const QString &foregroundAppId)
{
    return !foregroundAppId.isEmpty() && appId == foregroundAppId;
}

// What the TV shows, by name: the label of the first input in the foreground, else the title
// of the first app in the foreground; nothing when neither is. The window and the agents'
// status both name the foreground through this.
inline std::optional<QString> foregroundName(const QList<ExternalInput> &inputs, const QList<TVApp> &apps,
                                             const QString &foregroundAppId)
{
    for (const ExternalInput &input : inputs) {
        if (isForeground(input.appId, foregroundAppId))
            return input.label;
    }
    for (const TVApp &app : apps) {
        if (isForeground(app.id, foregroundAppId))
            return app.title;
    }
    return std::nullopt;
}

Q_DECLARE_METATYPE(TVApp)
Q_DECLARE_METATYPE(ExternalInput)
