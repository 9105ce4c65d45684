#pragma once

// A page under test: the session fixture's store and session, the icon set and the theme,
// bundled the way the windows get them.

#include "icons.h"
#include "sessionfixture.h"
#include "theme.h"
#include "uicontext.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QTest>

struct PageFixture : SessionFixture {
    Icons icons;
    Theme theme;
    UiContext ctx;

    PageFixture()
    {
        ctx.session = session.get();
        ctx.store = store.get();
        ctx.settings = Settings(dir.filePath(QStringLiteral("settings.ini")));
        ctx.icons = &icons;
        ctx.theme = &theme;
    }

    // After makeSession() replaced the session.
    void rebind() { ctx.session = session.get(); }
};

template <typename T>
T *child(QObject *root, const QString &name)
{
    T *found = root->findChild<T *>(name);
    if (!found)
        qWarning("no child named %s", qPrintable(name));
    return found;
}

// Texts of the visible labels below root, in creation order.
inline QStringList visibleTexts(QWidget *root)
{
    QStringList texts;
    for (QLabel *label : root->findChildren<QLabel *>()) {
        if (label->isVisibleTo(root) && !label->text().isEmpty())
            texts.append(label->text());
    }
    return texts;
}

// Shown at the window's smallest content size, with its layouts settled.
inline bool showPage(QWidget &page)
{
    page.resize(800, 560);
    page.show();
    if (!QTest::qWaitForWindowExposed(&page))
        return false;
    QCoreApplication::processEvents();
    return true;
}
