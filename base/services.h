#pragma once

#include <QDateTime>
#include <QPoint>
#include <QString>

#include <optional>

// What the board is given from outside: who and where it runs, the time,
// the user's answers to message boxes and the speakers. The main window is
// built on one Services bundle, so a test can run two workstations in one
// process, each with its own names, clock and scripted answers.

class Identity
{
public:
    virtual ~Identity() = default;
    virtual QString computerName() const = 0;
    virtual QString userName() const = 0;
};

class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime localNow() const = 0;
    virtual QDateTime utcNow() const = 0;
};

enum class MessageKind { Information, Warning, Error };

enum class Answer { Yes, No, Cancel };

// Every box moves the mouse pointer first to the centre of the desktop plus
// `offset`, so that its buttons come up under the pointer.
class Messages
{
public:
    virtual ~Messages() = default;
    virtual void show(MessageKind kind, const QString& text, QPoint offset) = 0;
    virtual bool askYesNo(const QString& text, QPoint offset) = 0;
    virtual Answer askYesNoCancel(const QString& text, QPoint offset) = 0;
    // The number input box; nullopt when the user cancels.
    virtual std::optional<QString> inputText(const QString& caption, const QString& prompt,
                                             const QString& value) = 0;
    // Closes every box still open, as Escape would: a question answers
    // Cancel where offered, otherwise No; the input box answers nullopt.
    // Run when an update session ends behind an open box.
    virtual void closeAll() = 0;
};

class Sounds
{
public:
    virtual ~Sounds() = default;
    // Fire and forget; a missing file or no audio device is silence.
    virtual void play(const QString& wavePath) = 0;
};

struct Services
{
    Identity* identity = nullptr;
    Clock* clock = nullptr;
    Messages* messages = nullptr;
    Sounds* sounds = nullptr;
    // The user's own settings file (the main window's place); none keeps
    // nothing of the user's own.
    QString userSettingsFile;
};

// The real clock; the real identity is in identity_<platform>.cpp.
class SystemClock final : public Clock
{
public:
    QDateTime localNow() const override { return QDateTime::currentDateTime(); }
    QDateTime utcNow() const override { return QDateTime::currentDateTimeUtc(); }
};

// Login name and computer name of this machine (the platform file).
QString systemLoginName();
QString systemComputerName();

class SystemIdentity final : public Identity
{
public:
    QString computerName() const override { return systemComputerName(); }
    QString userName() const override { return systemLoginName(); }
};
