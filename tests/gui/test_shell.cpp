#include "guifixture.h"

#include "appkeymonitor.h"
#include "devicepicker.h"
#include "pageheader.h"
#include "sidebar.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStackedWidget>

// The main window as a whole: geometry, pages, sidebar, menus and shortcut routing.
class TestShell : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void windowHasItsTitleSizeAndPages()
    {
        GuiFixture f;
        auto window = f.makeWindow();
        QCOMPARE(window->windowTitle(), QStringLiteral("Veltrix"));
        QCOMPARE(window->size(), QSize(1024, 640));
        QCOMPARE(window->minimumSize(), QSize(1000, 640));
        QCOMPARE(window->stack()->count(), 4);
        const QStringList titles{QStringLiteral("遥控器"), QStringLiteral("应用与输入"), QStringLiteral("设备管理"),
                                 QStringLiteral("设置")};
        for (int i = 0; i < titles.size(); ++i) {
            const auto *header = window->stack()->widget(i)->findChild<PageHeader *>();
            QVERIFY(header);
            QCOMPARE(header->title(), titles.at(i));
        }
        QCOMPARE(window->page(), Page::remote);
    }
};

QTEST_MAIN(TestShell)
#include "test_shell.moc"
