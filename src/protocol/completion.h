#pragma once

#include <QCoreApplication>
#include <QMetaObject>

#include <coroutine>
#include <exception>
#include <memory>
#include <optional>
#include <utility>

namespace veltrix {

// A value that one caller awaits and exactly one party delivers. Whoever resolves it first
// wins; later attempts do nothing. The waiting coroutine is resumed from the event loop, never
// from inside the code that resolved it, so a resolver never runs the caller's continuation
// (which may delete the client) in the middle of its own work. The context of the queued call
// is the application, not the client, so a resumption can never be lost with the client.
template<typename T>
class Completion {
public:
    // What a coroutine co_awaits. It holds the state by pointer: QCoro's promise copies the
    // awaitable it is given, and the handle must land in the shared state.
    struct Awaiter {
        std::shared_ptr<Completion> state;
        bool await_ready() const noexcept { return state->m_resolved; }
        void await_suspend(std::coroutine_handle<> handle) noexcept { state->m_handle = handle; }
        T await_resume() { return state->take(); }
    };


    bool isResolved() const { return m_resolved; }

    void succeed(T value)
    {
        if (m_resolved)
            return;
        m_value = std::move(value);
        resolved();
    }

    template<typename E>
    void fail(const E &error)
    {
        if (m_resolved)
            return;
        m_error = std::make_exception_ptr(error);
        resolved();
    }

private:
    T take()
    {
        if (m_error)
            std::rethrow_exception(m_error);
        return std::move(*m_value);
    }

    void resolved()
    {
        m_resolved = true;
        if (const auto handle = std::exchange(m_handle, {})) {
            if (QCoreApplication *app = QCoreApplication::instance())
                QMetaObject::invokeMethod(app, [handle]() { handle.resume(); },
                                          Qt::QueuedConnection);
            else
                handle.resume();  // no event loop to defer to
        }
    }

    bool m_resolved = false;
    std::optional<T> m_value;
    std::exception_ptr m_error;
    std::coroutine_handle<> m_handle;
};

// co_await veltrix::wait(completion)
template<typename T>
typename Completion<T>::Awaiter wait(std::shared_ptr<Completion<T>> completion)
{
    return {std::move(completion)};
}

} // namespace veltrix
