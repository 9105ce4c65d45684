#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// What the command line asks for. "--mcp-stdio" wins over everything else.
struct LaunchOptions {
    bool mcpStdio = false;
    bool headless = false;
    bool demo = false;
    bool help = false;
    std::optional<QString> host;  // --host ADDR: connect to this TV for this run
    QString error;                // set when the arguments cannot be understood

    static LaunchOptions parse(const QStringList &arguments);  // arguments[0] is the program
    static QString usage();
};
