#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <optional>

// What the command line asks for. Every mode and option is described once, in the parser that
// parse() builds; helpText() prints those descriptions.
struct LaunchOptions {
    Q_DECLARE_TR_FUNCTIONS(LaunchOptions)

public:
    bool mcpStdio = false;  // any argument equal to "--mcp-stdio": nothing else is looked at
    bool headless = false;
    bool background = false;  // started at login: no window, only the tray (minimised without one)
    bool demo = false;
    bool help = false;
    bool version = false;
    std::optional<QString> host;  // --host ADDR: connect to this TV for this run
    std::optional<QString> pair;  // --pair ADDRESS: pair with this TV on the terminal and exit
    bool pairWithPin = false;     // --pin: the TV shows a PIN that the terminal asks for
    QString error;                // set when the arguments cannot be understood

    static LaunchOptions parse(const QStringList &arguments);  // arguments[0] is the program
    // The usage text; needs the application object for the program's name.
    static QString helpText();
    static QString versionText();
    static QString programVersion();
};
