#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>

// The main window's pages, in sidebar and snapshot order; the id names snapshots and sidebar
// items.
enum class Page { remote, apps, devices, settings };

inline QList<Page> allPages()
{
    return {Page::remote, Page::apps, Page::devices, Page::settings};
}

inline QString pageId(Page page)
{
    switch (page) {
    case Page::remote: return QStringLiteral("remote");
    case Page::apps: return QStringLiteral("apps");
    case Page::devices: return QStringLiteral("devices");
    case Page::settings: return QStringLiteral("settings");
    }
    return QString();
}

inline QString pageTitle(Page page)
{
    switch (page) {
    case Page::remote: return QCoreApplication::translate("Page", "遥控器");
    case Page::apps: return QCoreApplication::translate("Page", "应用与输入");
    case Page::devices: return QCoreApplication::translate("Page", "设备管理");
    case Page::settings: return QCoreApplication::translate("Page", "设置");
    }
    return QString();
}
