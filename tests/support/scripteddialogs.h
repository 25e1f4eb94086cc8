#pragma once

#include "kit/dialogs.h"

#include <QList>
#include <QQueue>
#include <QString>

#include <functional>

namespace tavro::test {

// Stands in for the real boxes: records every box asked for and answers from
// a queue (the box's default button, or Cancel for an input box, when empty).
// Installs itself for its lifetime.
class ScriptedDialogs : public Dialogs {
public:
    struct Call {
        enum Kind { Message, Input } kind;
        MessageSpec spec; // for an input box: text = prompt, title
    };

    ScriptedDialogs();
    ~ScriptedDialogs() override;

    MsgButton message(QWidget *parent, const MessageSpec &spec) override;
    QString input(QWidget *parent, const QString &prompt, const QString &title) override;

    void answerMessage(MsgButton button) { m_buttons.enqueue(button); }
    // Runs once while the next message box is up, as the world goes on
    // while a clerk reads it.
    void whileNextAsked(std::function<void()> meanwhile) { m_meanwhile = std::move(meanwhile); }
    void answerInput(const QString &text) { m_texts.enqueue(text); }

    const QList<Call> &calls() const { return m_calls; }
    // Texts of the message boxes shown, in order.
    QStringList messageTexts() const;
    void clear() { m_calls.clear(); }

private:
    QList<Call> m_calls;
    QQueue<MsgButton> m_buttons;
    QQueue<QString> m_texts;
    std::function<void()> m_meanwhile;
};

} // namespace tavro::test
