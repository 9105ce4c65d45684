#pragma once

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

Q_DECLARE_METATYPE(TVApp)
Q_DECLARE_METATYPE(ExternalInput)
