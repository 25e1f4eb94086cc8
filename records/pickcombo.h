#pragma once

#include <QComboBox>

namespace tavro {

// An editable drop-down list whose only choice is a pick from its list, by
// mouse or keyboard. Typed text followed by Enter, or the focus leaving the
// field, chooses nothing: Qt's editable combo would report both as
// activations, so those paths are cut off here.
class PickCombo : public QComboBox {
    Q_OBJECT
public:
    PickCombo(const QString &name, const QString &initialText, const QString &toolTip, QWidget *parent = nullptr);

    // Appends items in the order given, keeping the text shown in the field.
    void appendItems(const QStringList &items);
    // Removes every item; the text shown stays.
    void clearItems();

Q_SIGNALS:
    // The item picked from the list.
    void chosen(const QString &item);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
};

} // namespace tavro
