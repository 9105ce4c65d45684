#include "support/find.h"

#include <QTest>

#include <exception>

namespace {
struct TestStopped : std::exception {
    const char *what() const noexcept override { return "test stopped"; }
};
}

void failAndStop(const QByteArray &why, const char *file, int line)
{
    QTest::qFail(why.constData(), file, line);
    throw TestStopped();
}
