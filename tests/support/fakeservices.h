#pragma once

#include "base/services.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <utility>

// Scripted stand-ins for the outside world, one set per simulated workstation.

class FakeIdentity final : public Identity
{
public:
    FakeIdentity(QString computer, QString user) : computer(std::move(computer)), user(std::move(user)) {}
    QString computerName() const override { return computer; }
    QString userName() const override { return user; }
    QString computer;
    QString user;
};

class FakeClock final : public Clock
{
public:
    explicit FakeClock(QDateTime now = QDateTime(QDate(2026, 3, 7), QTime(14, 5, 9))) : now(now) {}
    QDateTime localNow() const override { return now; }
    QDateTime utcNow() const override { return now.toUTC(); }
    QDateTime now;
};

// Records every box; questions are answered from a queue (then `fallback`).
class FakeMessages final : public Messages
{
public:
    struct Shown { MessageKind kind; QString text; QPoint offset; };

    void show(MessageKind kind, const QString& text, QPoint offset) override
    {
        shown.append({kind, text, offset});
    }
    bool askYesNo(const QString& text, QPoint offset) override
    {
        questions.append(text);
        questionOffsets.append(offset);
        return answer(Answer::No) == Answer::Yes;
    }
    Answer askYesNoCancel(const QString& text, QPoint offset) override
    {
        questions.append(text);
        questionOffsets.append(offset);
        return answer(Answer::Cancel);
    }
    void closeAll() override
    {
        ++closeAllCalls;
        m_closedWhileOpen = m_open > 0;
    }
    std::optional<QString> inputText(const QString&, const QString& prompt, const QString&) override
    {
        questions.append(prompt);
        if (inputs.isEmpty())
            return std::nullopt;
        return inputs.takeFirst();
    }

    QStringList texts() const
    {
        QStringList t;
        for (const Shown& s : shown)
            t.append(s.text);
        return t;
    }
    void clear() { shown.clear(); questions.clear(); questionOffsets.clear(); }

    QList<Shown> shown;
    QStringList questions;
    QList<QPoint> questionOffsets;
    QList<Answer> answers;
    QStringList inputs;
    Answer fallback = Answer::No;
    // Runs while the next question is open, as a timer firing behind the
    // box would; then cleared.
    std::function<void()> whileAsking;
    int closeAllCalls = 0;

private:
    Answer next() { return answers.isEmpty() ? fallback : answers.takeFirst(); }
    Answer answer(Answer escape)
    {
        ++m_open;
        m_closedWhileOpen = false;
        if (auto during = std::exchange(whileAsking, {}))
            during();
        --m_open;
        const Answer scripted = next();
        return m_closedWhileOpen ? escape : scripted;
    }
    int m_open = 0;
    bool m_closedWhileOpen = false;
};

class FakeSounds final : public Sounds
{
public:
    void play(const QString& path) override { played.append(path); }
    QStringList played;
};

// One workstation's services.
struct FakeWorkstation
{
    FakeWorkstation(const QString& computer, const QString& user) : identity(computer, user) {}
    FakeIdentity identity;
    FakeClock clock;
    FakeMessages messages;
    FakeSounds sounds;
    QString userSettingsFile;   // none: no place of the user's own
    Services services() { return {&identity, &clock, &messages, &sounds, userSettingsFile}; }
};
