#pragma once

#include "records/recordwindow.h"

namespace tavro {

// The addresses window "adr": the streets and neighbourhoods of the large
// cities (table QRT), a city pick list and two searches by input box.
class AdrWindow : public RecordWindow {
    Q_OBJECT
public:
    explicit AdrWindow(QWidget *parent = nullptr);

    static RecordWindowSpec spec();

protected:
    void loadPickLists() override;

private:
    PickCombo *m_cities;
};

} // namespace tavro
