#include "records/pickcombo.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>

namespace tavro {

PickCombo::PickCombo(const QString &name, const QString &initialText, const QString &toolTip, QWidget *parent)
    : QComboBox(parent)
{
    setObjectName(name);
    setEditable(true);
    setToolTip(toolTip);
    // The list keeps the order of the query that filled it.
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    setMaxVisibleItems(20);
    // The office list holds every office: measuring each item to size the
    // field or the drop-down would make opening the window wait on it.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(12);
    if (auto *list = qobject_cast<QListView *>(view()))
        list->setUniformItemSizes(true);
    // The combo turns the line edit's Enter and focus-out into activations
    // when the typed text matches an item; a clerk's typing must run nothing.
    QLineEdit *edit = lineEdit();
    disconnect(edit, &QLineEdit::returnPressed, this, nullptr);
    disconnect(edit, &QLineEdit::editingFinished, this, nullptr);
    setEditText(initialText);
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (index >= 0)
            Q_EMIT chosen(itemText(index));
    });
}

void PickCombo::appendItems(const QStringList &items)
{
    // The first item added to an empty combo becomes current and would
    // replace the caption the clerk sees.
    const QString shown = currentText();
    const QSignalBlocker blocker(this);
    addItems(items);
    setEditText(shown);
}

void PickCombo::clearItems()
{
    const QString shown = currentText();
    const QSignalBlocker blocker(this);
    clear();
    setEditText(shown);
}

void PickCombo::keyPressEvent(QKeyEvent *event)
{
    // Arrow keys on the closed list would step through the items and report
    // each step as a choice; they open the list instead, where Enter picks.
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        if (event->modifiers() == Qt::NoModifier) {
            showPopup();
            return;
        }
        break;
    case Qt::Key_Enter:
    case Qt::Key_Return:
        // Typed text plus Enter is no choice; keep the key from the window.
        event->accept();
        return;
    default:
        break;
    }
    QComboBox::keyPressEvent(event);
}

void PickCombo::wheelEvent(QWheelEvent *event)
{
    // Scrolling over a closed list must not run a query.
    event->ignore();
}

} // namespace tavro
