#pragma once

#include "records/recordwindow.h"

namespace tavro {

// The telephone window "tel": the directory of table TELE, an office pick
// list and two searches by input box.
class TelWindow : public RecordWindow {
    Q_OBJECT
public:
    explicit TelWindow(QWidget *parent = nullptr);

    static RecordWindowSpec spec();

protected:
    void loadPickLists() override;

private:
    PickCombo *m_agences;
};

} // namespace tavro
