#pragma once

#include <QString>

// Whether the program starts by itself when the user logs in. An interface so that tests and
// other desktops can stand in for the XDG autostart entry.
class LoginItem {
public:
    virtual ~LoginItem() = default;

    // Read afresh every time: the user may have removed or disabled the entry by hand.
    virtual bool isEnabled() const = 0;
    // False, with errorString(), when the change could not be made; the state is then unchanged.
    virtual bool setEnabled(bool enabled) = 0;
    virtual QString errorString() const = 0;
};

// The XDG autostart entry $XDG_CONFIG_HOME/autostart/veltrix.desktop (~/.config when that is
// unset or not absolute), whose command starts the program with --background.
class XdgAutostartEntry : public LoginItem {
public:
    // `program` is the executable the entry starts; `configHome` empty means the user's.
    explicit XdgAutostartEntry(QString program, QString configHome = QString());

    QString filePath() const { return m_filePath; }

    bool isEnabled() const override;
    bool setEnabled(bool enabled) override;
    QString errorString() const override { return m_error; }

    // The user's configuration folder by the XDG rules.
    static QString userConfigHome();
    // The entry's text for `program`.
    static QByteArray entryText(const QString &program);
    // One argument of an Exec line, quoted where the desktop entry rules require it.
    static QString execArgument(const QString &argument);

private:
    QString m_program;
    QString m_filePath;
    QString m_error;
};
