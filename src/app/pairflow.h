#pragma once

#include "core/connectionstate.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <QCoro/QCoroTask>

#include <memory>
#include <optional>

class Terminal;
class TVSession;
namespace veltrix {
template<typename T>
class Completion;
}

// "veltrix --pair ADDRESS [--pin]": pairs with one TV through the session, talking to the user
// on a terminal, and keeps the TV as the selected one. A failed or cancelled attempt leaves the
// saved TVs as they were.
class PairFlow : public QObject {
    Q_OBJECT

public:
    enum ExitStatus { paired = 0, failed = 1, interrupted = 130 };

    PairFlow(TVSession *session, Terminal *terminal, QObject *parent = nullptr);
    ~PairFlow() override;

    // Runs the whole flow; emits finished() with the exit status once, at the end.
    void start(const QString &host, bool usePin);
    // Ctrl-C: give up, restore the saved TVs, finish with `interrupted`.
    void interrupt();

Q_SIGNALS:
    void finished(int exitStatus);

private:
    struct Attempt {
        QString host;
        QString id;
        std::optional<QString> selectedBefore;
        bool knewTV = false;  // the TV was saved before: keep its record whatever happens
        bool toldToAccept = false;
        bool askedForPin = false;
        bool pinAccepted = false;
    };

    QCoro::Task<> run(QString host, bool usePin);
    QCoro::Task<int> pair(const QString &host, bool usePin);
    // Resumes at the next state change, typed line, end of input or interruption.
    QCoro::Task<> nextEvent();
    void wake();
    // The exit status once the attempt is over (written to the terminal), else nothing.
    std::optional<int> outcome(const ConnectionState &state);
    QCoro::Task<> answerPinPrompt();
    int fail(const QString &reason);
    // Puts the saved TVs and the selection back as they were before the attempt.
    void restore();

    QPointer<TVSession> m_session;
    Terminal *m_terminal;
    Attempt m_attempt;
    std::shared_ptr<veltrix::Completion<bool>> m_event;
    QStringList m_lines;
    bool m_inputEnded = false;
    bool m_interrupted = false;
};
