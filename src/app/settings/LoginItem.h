#pragma once

#include "base/Result.h"
#include "qml/SettingsInterfaces.h"

#include <QObject>
#include <QString>

#include <optional>

namespace amplora::app {

// Why the login entry could not be written or removed; the text names the file and the reason.
class LoginItemError {
public:
    explicit LoginItemError(QString text)
        : m_text(std::move(text))
    { }
    QString description() const { return m_text; }

private:
    QString m_text;
};

// "Open at login": an XDG autostart entry (~/.config/autostart/org.amplora.Amplora.desktop) that starts this
// executable when the user logs in. The switch always shows what the file says after each change.
class LoginItem final : public LoginItemInterface {
    Q_OBJECT

public:
    // `program` is what the entry starts; by default launchCommand() of the running executable.
    explicit LoginItem(QString program = {}, QObject *parent = nullptr);

    // How the entry names `executable`: plain "amplora" when that name on PATH is this very file (an installed
    // copy, so the entry keeps working when Amplora is reinstalled elsewhere on PATH, as the desktop's own
    // entry does), otherwise its absolute path (a copy run from a build folder starts itself).
    static QString launchCommand(const QString &executable);

    // Where the entry lives, following XDG_CONFIG_HOME.
    static QString entryPath();
    // The entry's text for a program path, quoted as the desktop-entry format asks.
    static QByteArray entryText(const QString &program);
    // Whether the entry exists and the desktop has not been told to skip it.
    static bool isRegistered();

    Result<Done, LoginItemError> registerEntry() const;
    Result<Done, LoginItemError> unregisterEntry() const;

    bool enabled() const override { return m_enabled; }
    QString message() const override { return m_message.value_or(QString()); }

    void setOn(bool on) override;
    void reload() override;

private:
    QString m_program;
    bool m_enabled = false;
    std::optional<QString> m_message;
};

} // namespace amplora::app
