#pragma once

#include <QJsonObject>
#include <QString>

// One request to the TV: where it goes and what it carries. The session's commands and the
// MCP tools build the requests they have in common here, so both always send the same thing;
// they differ only in how a failure is reported (a log line, or the tool's result).
struct TVRequest {
    QString uri;
    QJsonObject payload;
};

namespace tvrequest {

TVRequest launch(const QString &appId);
TVRequest switchInput(const QString &inputId);
// Typed text is added to the field, never replacing what is there.
TVRequest insertText(const QString &text);
TVRequest volumeUp();
TVRequest volumeDown();
TVRequest setVolume(int level);
TVRequest setMute(bool mute);
TVRequest turnOff();

} // namespace tvrequest
