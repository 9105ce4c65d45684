#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QSocketNotifier;

// What a terminal flow reads and writes. Lines arrive through the handler as they are typed,
// without blocking the event loop; nullopt says the input ended.
class Terminal {
public:
    using LineHandler = std::function<void(const std::optional<QString> &line)>;

    virtual ~Terminal() = default;
    virtual void write(const QString &text) = 0;
    virtual void setLineHandler(LineHandler handler) = 0;
};

// Standard input and output, read from the event loop through a socket notifier.
class StdioTerminal : public QObject, public Terminal {
    Q_OBJECT

public:
    explicit StdioTerminal(QObject *parent = nullptr);
    ~StdioTerminal() override;

    void write(const QString &text) override;
    void setLineHandler(LineHandler handler) override;

private:
    void readAvailable();

    QSocketNotifier *m_notifier = nullptr;
    QByteArray m_pending;
    LineHandler m_handler;
};
