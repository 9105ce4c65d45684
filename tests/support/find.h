#pragma once

// The one way tests look up a widget (or any object) by name: a missing one fails the test
// with the type and name it looked for, and stops it before anything dereferences null.
//
//   auto *picker = find<QToolButton>(window.get(), "devicePicker");

#include <QObject>

// Records the failure and stops the test: QtTest reports the exception this throws and ends
// the run, which beats a crash on the null pointer a caller would otherwise dereference.
[[noreturn]] void failAndStop(const QByteArray &why, const char *file, int line);

template <typename T>
T *find(const QObject *root, const QString &name)
{
    T *found = root ? root->findChild<T *>(name) : nullptr;
    if (!found) {
        const QByteArray message = QByteArray("no ") + T::staticMetaObject.className() + " named \""
            + name.toUtf8() + '"';
        failAndStop(message, __FILE__, __LINE__);
    }
    return found;
}

template <typename T>
T *find(const QObject *root, const char *name)
{
    return find<T>(root, QString::fromUtf8(name));
}
