#pragma once

#include "simulator/loan.h"

#include <QLocale>
#include <QWidget>

class QCheckBox;
class QFocusEvent;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace tavro::simu {

class InputFilter;
class ResultLabel;

// The credit simulator "simu": amount, duration and rate in, instalment,
// interest, total cost and the amortization table out. Its variables live
// in LoanState::process(), so they outlast the window.
class SimuWindow : public QWidget {
    Q_OBJECT
public:
    explicit SimuWindow(const QLocale &locale = QLocale::system(), QWidget *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildLayout();
    bool focusMovedWithin(const QFocusEvent *event) const;
    void connectHandlers();

    // Handlers.
    void durationChanged();
    void principalLeft();
    void calculateClicked();
    void tableSwitched(bool checked);
    void printClicked();
    void resetClicked();
    void closeClicked();

    void showResult(const LoanResult &result);

    QLocale m_locale;
    QLineEdit *m_principal;
    InputFilter *m_principalInput;
    QLineEdit *m_years;
    QLineEdit *m_months;
    QLineEdit *m_rate;
    QPushButton *m_calculate;
    QPushButton *m_reset;
    QGroupBox *m_data;
    QGroupBox *m_calc;
    QGroupBox *m_results;
    QGroupBox *m_printing;
    ResultLabel *m_payment;
    ResultLabel *m_interest;
    ResultLabel *m_totalCost;
    QCheckBox *m_showTable;
    QPushButton *m_print;
    QListWidget *m_table;
    QPushButton *m_close;
    QLabel *m_title;
    QLabel *m_picture1;
    QLabel *m_picture2;
};

} // namespace tavro::simu
