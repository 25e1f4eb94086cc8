#pragma once

#include "records/recordwindow.h"

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tavro {

// The postal-code window "cp": the offices of table CODE, with the telephone
// of TELE where the query joins it; three pick lists and two typed searches.
class CpWindow : public RecordWindow {
    Q_OBJECT
public:
    explicit CpWindow(QWidget *parent = nullptr);

    static RecordWindowSpec spec();

protected:
    void loadPickLists() override;

private:
    void choosePostalCodeSearch();
    void chooseNameSearch();
    void searchPostalCode();
    void searchNameWithTel();

    PickCombo *m_regions;
    PickCombo *m_provinces;
    PickCombo *m_agences;
    QRadioButton *m_codeOption;
    QLineEdit *m_codeEntry;
    QPushButton *m_codeGo;
    QRadioButton *m_nameOption;
    QLineEdit *m_nameEntry;
    QPushButton *m_nameGo;
};

} // namespace tavro
