#include "support/scripteddialogs.h"

#include <utility>

namespace tavro::test {

ScriptedDialogs::ScriptedDialogs()
{
    Dialogs::install(this);
}

ScriptedDialogs::~ScriptedDialogs()
{
    Dialogs::install(nullptr);
}

MsgButton ScriptedDialogs::message(QWidget *, const MessageSpec &spec)
{
    m_calls.append({Call::Message, spec});
    if (m_meanwhile)
        std::exchange(m_meanwhile, {})();
    if (!m_buttons.isEmpty())
        return m_buttons.dequeue();
    if (spec.defaultButton != NoButton)
        return spec.defaultButton;
    for (MsgButton b : kAllButtons) {
        if (spec.buttons.testFlag(b))
            return b;
    }
    return NoButton;
}

QString ScriptedDialogs::input(QWidget *, const QString &prompt, const QString &title)
{
    MessageSpec spec;
    spec.text = prompt;
    spec.title = title;
    spec.buttons = MsgButtons(Ok) | Cancel;
    m_calls.append({Call::Input, spec});
    return m_texts.isEmpty() ? QString() : m_texts.dequeue();
}

QStringList ScriptedDialogs::messageTexts() const
{
    QStringList out;
    for (const Call &c : m_calls) {
        if (c.kind == Call::Message)
            out << c.spec.text;
    }
    return out;
}

} // namespace tavro::test
