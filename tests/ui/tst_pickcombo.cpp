// The drop-down list whose only choice is a pick from its list.
#include "records/pickcombo.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

using tavro::PickCombo;

class TestPickCombo : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void appendingKeepsTheCaption();
    void typingChoosesNothing_data();
    void typingChoosesNothing();
    void pickFromTheList_data();
    void pickFromTheList();
    void closedListIgnoresArrowsAndWheel();

private:
    QWidget *m_window = nullptr;
    PickCombo *m_combo = nullptr;
    QPushButton *m_other = nullptr;
};

void TestPickCombo::init()
{
    m_window = new QWidget;
    auto *layout = new QVBoxLayout(m_window);
    m_combo = new PickCombo("Combo1", "VILLES", "CHOISIR LA VILLE", m_window);
    m_other = new QPushButton("autre", m_window);
    layout->addWidget(m_combo);
    layout->addWidget(m_other);
    m_combo->appendItems({"OUZERANDE", "TAMBRELLE", "OUZERANDE", "", "ASPRELLE"});
    m_window->show();
    QApplication::setActiveWindow(m_window);
    QVERIFY(QTest::qWaitForWindowActive(m_window));
}

void TestPickCombo::cleanup()
{
    delete m_window;
}

void TestPickCombo::appendingKeepsTheCaption()
{
    QCOMPARE(m_combo->currentText(), QString("VILLES"));
    QCOMPARE(m_combo->count(), 5); // repeats and empty texts kept, in order
    QCOMPARE(m_combo->itemText(2), QString("OUZERANDE"));
    QCOMPARE(m_combo->itemText(3), QString());
    QVERIFY(m_combo->isEditable());
    QVERIFY(!m_combo->completer());
    QCOMPARE(m_combo->toolTip(), QString("CHOISIR LA VILLE"));
}

void TestPickCombo::typingChoosesNothing_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("finish"); // 0 Return on the combo, 1 Enter on its field, 2 focus leaving
    for (const char *typed : {"TAMBRELLE", "tambrelle", "NOUVELLE"}) {
        QTest::addRow("%s, Return", typed) << QString(typed) << 0;
        QTest::addRow("%s, Enter in the field", typed) << QString(typed) << 1;
        QTest::addRow("%s, focus out", typed) << QString(typed) << 2;
    }
}

void TestPickCombo::typingChoosesNothing()
{
    QFETCH(QString, typed);
    QFETCH(int, finish);
    QSignalSpy chosen(m_combo, &PickCombo::chosen);
    QSignalSpy activated(m_combo, &QComboBox::activated);
    m_combo->setFocus();
    QTest::keyClick(m_combo, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(m_combo, typed);
    if (finish == 0)
        QTest::keyClick(m_combo, Qt::Key_Return);
    else if (finish == 1)
        QTest::keyClick(m_combo->lineEdit(), Qt::Key_Enter);
    m_other->setFocus();
    QVERIFY(!m_combo->hasFocus());
    QCOMPARE(chosen.count(), 0);
    QCOMPARE(activated.count(), 0);
    QCOMPARE(m_combo->currentText(), typed);
    QCOMPARE(m_combo->count(), 5); // nothing inserted
}

void TestPickCombo::pickFromTheList_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("mouse");
    QTest::addColumn<QString>("item");
    QTest::newRow("keyboard, first") << 0 << false << "OUZERANDE";
    QTest::newRow("keyboard, repeat") << 2 << false << "OUZERANDE";
    QTest::newRow("mouse, last") << 4 << true << "ASPRELLE";
    QTest::newRow("mouse, second") << 1 << true << "TAMBRELLE";
}

void TestPickCombo::pickFromTheList()
{
    QFETCH(int, index);
    QFETCH(bool, mouse);
    QFETCH(QString, item);
    QSignalSpy chosen(m_combo, &PickCombo::chosen);
    for (int round = 1; round <= 2; ++round) { // the same entry again is a choice again
        m_combo->showPopup();
        QAbstractItemView *view = m_combo->view();
        const QModelIndex target = m_combo->model()->index(index, 0);
        if (mouse) {
            view->scrollTo(target);
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(target).center());
        } else {
            view->setCurrentIndex(target);
            QTest::keyClick(view, Qt::Key_Return);
        }
        QCOMPARE(chosen.count(), round);
        QCOMPARE(chosen.last().first().toString(), item);
    }
}

void TestPickCombo::closedListIgnoresArrowsAndWheel()
{
    QSignalSpy chosen(m_combo, &PickCombo::chosen);
    m_combo->setFocus();
    QTest::keyClick(m_combo, Qt::Key_Down);
    QVERIFY(m_combo->view()->isVisible()); // the arrow opens the list
    m_combo->hidePopup();
    QWheelEvent wheel(QPointF(5, 5), m_combo->mapToGlobal(QPointF(5, 5)), {}, {0, -120}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(m_combo, &wheel);
    QCOMPARE(chosen.count(), 0);
    QCOMPARE(m_combo->currentText(), QString("VILLES"));
}

QTEST_MAIN(TestPickCombo)
#include "tst_pickcombo.moc"
