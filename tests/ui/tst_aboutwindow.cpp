// The About window as a user reaches it: through the main window's
// "A PROPOS" command, with the boxes answered by a script.
#include "kit/layoutunits.h"
#include "app/mainwindow.h"
#include "app/stafflist.h"
#include "app/shell.h"
#include "support/scripteddialogs.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFontInfo>
#include <QFrame>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <memory>

using tavro::test::ScriptedDialogs;

class TestAboutWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void window();
    void labels_data();
    void labels();
    void logo();
    void staffButton();
    void staffBoxes_data();
    void staffBoxes();
    void staffBoxesLeaveWindowAsItWas();
    void reopenedAfresh();
    void opensAlone_data();
    void opensAlone();
    void looksBlackWithWhiteTexts();

private:
    QWidget *openAbout();
    static QMdiSubWindow *frameOf(QWidget *contents);

    std::unique_ptr<tavro::MainWindow> m_main;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
};

void TestAboutWindow::initTestCase()
{
    tavro::setupApplication(*qobject_cast<QApplication *>(QCoreApplication::instance()));
}

void TestAboutWindow::init()
{
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_main = std::make_unique<tavro::MainWindow>();
    tavro::registerWindows(*m_main);
    m_main->showInitial();
}

void TestAboutWindow::cleanup()
{
    m_main.reset();
    m_dialogs.reset();
}

QWidget *TestAboutWindow::openAbout()
{
    auto *action = m_main->findChild<QAction *>(QStringLiteral("APRO"));
    if (!action)
        return nullptr;
    action->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return m_main->child(QStringLiteral("aprop"));
}

QMdiSubWindow *TestAboutWindow::frameOf(QWidget *contents)
{
    for (QWidget *w = contents; w; w = w->parentWidget()) {
        if (auto *frame = qobject_cast<QMdiSubWindow *>(w))
            return frame;
    }
    return nullptr;
}

void TestAboutWindow::window()
{
    QWidget *about = openAbout();
    QVERIFY(about);
    QCOMPARE(m_main->findChild<QAction *>(QStringLiteral("APRO"))->text(), QStringLiteral("A PROPOS"));

    // One widget answers to "aprop": the frame that is the whole client area.
    const auto named = m_main->findChildren<QWidget *>(QStringLiteral("aprop"));
    QCOMPARE(named.size(), 1);
    auto *frame = qobject_cast<QFrame *>(named.first());
    QVERIFY(frame);
    QCOMPARE(frame, about);
    QCOMPARE(frame->size(), QSize(782, 450));

    QMdiSubWindow *child = frameOf(about);
    QVERIFY(child);
    QCOMPARE(child->widget(), about);
    QCOMPARE(child->windowTitle(), QStringLiteral("Form1"));
    QVERIFY(child->isVisible());
    QVERIFY(!child->isMaximized());
    // Designed for one size: it can be closed or set aside, not enlarged.
    QVERIFY(child->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(child->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!child->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QCOMPARE(m_main->workArea()->activeSubWindow(), child);
}

void TestAboutWindow::labels_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<qreal>("points");
    QTest::addColumn<int>("hAlign");
    QTest::addColumn<bool>("sizedToText");
    QTest::addColumn<QRect>("designed");

    const int left = Qt::AlignLeft;
    const int right = Qt::AlignRight;
    auto row = [&](const char *name, const char *text, qreal points, int align, bool sized, QRect r) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromUtf8(text) << points << align << sized << r;
    };
    using tavro::twipsRect;
    row("lblProductName", "ZOLT", 29.25, left, true, twipsRect(480, 2400, 1515, 720));
    row("lblCompanyProduct", "TAVRO APPLICATION", 18, left, true, twipsRect(3360, 1680, 3915, 435));
    row("lblPlatform", "CODE POSTALE", 13.5, right, true, twipsRect(8880, 1080, 2385, 360));
    row("Label6", "TEL AGENCES", 13.5, right, true, twipsRect(9000, 1560, 2160, 360));
    row("Label7", "ADRESSES", 13.5, right, true, twipsRect(9240, 2040, 1650, 360));
    row("Label8", "SIMULATEUR", 13.5, right, true, twipsRect(9120, 2520, 1950, 360));
    row("Label1", "SALAM JE VOUS PRESENTE UN PETIT PROGRAMME QUI PERMET  UNE RECHERCHE AVANCEE ET RAPIDE, A SAVOIR :",
        9.75, left, false, twipsRect(120, 3480, 11295, 255));
    row("Label2", "1) LE CODE POSTALE DES AGENCES ZOLT, OU KIRB, LES  AGENCES RATTACHEES OU BIEN LES DIRECTIONS ZOLT.",
        9.75, left, false, twipsRect(120, 3960, 11295, 255));
    row("Label3", "2) LA RECHERCHE DU TELEPHONE DES AGENCES AINSI  LEURS ADRESSES.", 9.75, left, false,
        twipsRect(120, 4440, 9135, 255));
    row("Label4", "3) LA RECHERCHE DES ADRESSES AVEC LE CODE POSTALE DES 24 GRANDES VILLES DU ROYAUME.", 9.75, left,
        false, twipsRect(120, 4920, 10095, 255));
    row("Label5", "4) ENFIN LE SIMULATEUUR DE CREDIT POUR CALCULER LA MENSUALITE AVEC UN TABLEAU D'AMORTISSEMENT.",
        9.75, left, false, twipsRect(120, 5400, 11175, 255));
    row("lblWarning", "Cette application est dédie à tous les Postiers ZOLT et KIRB", 9, left, false,
        twipsRect(2280, 6120, 5055, 255));
}

void TestAboutWindow::labels()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(qreal, points);
    QFETCH(int, hAlign);
    QFETCH(bool, sizedToText);
    QFETCH(QRect, designed);

    QWidget *about = openAbout();
    QVERIFY(about);
    auto *label = about->findChild<QLabel *>(name);
    QVERIFY2(label, qPrintable(name));
    QCOMPARE(label->parentWidget(), about);
    QCOMPARE(label->text(), text);
    QVERIFY(label->isVisible());

    // Drawn in Arial (the old dialog font is replaced by it), bold, at the designed size.
    const QFont font = label->font();
    QCOMPARE(font.pointSizeF(), points);
    QVERIFY(font.bold());
    QCOMPARE(QFontInfo(font).family(), QFontInfo(QFont(QStringLiteral("Arial"))).family());
    QCOMPARE(int(label->alignment() & Qt::AlignHorizontal_Mask), hAlign);

    // At its designed place, inside the frame, the whole text readable.
    QCOMPARE(label->pos(), designed.topLeft());
    QVERIFY(about->rect().contains(label->geometry()));
    const int textWidth = QFontMetrics(font).horizontalAdvance(text);
    QVERIFY2(label->width() >= textWidth, qPrintable(QStringLiteral("%1 < %2").arg(label->width()).arg(textWidth)));
    if (sizedToText)
        QVERIFY2(label->width() <= textWidth + 2, qPrintable(QString::number(label->width())));
    else
        QVERIFY(label->geometry().contains(designed));
}

void TestAboutWindow::logo()
{
    QWidget *about = openAbout();
    QVERIFY(about);
    auto *logo = about->findChild<QLabel *>(QStringLiteral("picLogo"));
    QVERIFY(logo);
    QCOMPARE(logo->geometry(), tavro::twipsRect(510, 855, 1215, 1425));
    const QPixmap pixmap = logo->pixmap();
    QCOMPARE(pixmap.size(), QSize(80, 89));
    QCOMPARE(pixmap.toImage(), QImage(QStringLiteral(":/pictures/logo.jpg")).convertToFormat(pixmap.toImage().format()));

    // "ZOLT" stands under the logo.
    auto *name = about->findChild<QLabel *>(QStringLiteral("lblProductName"));
    QVERIFY(name);
    QVERIFY(name->y() >= logo->geometry().bottom());
}

void TestAboutWindow::staffButton()
{
    QWidget *about = openAbout();
    QVERIFY(about);
    auto *button = about->findChild<QPushButton *>(QStringLiteral("Command1"));
    QVERIFY(button);
    QCOMPARE(button->text(), QStringLiteral("PERSONNELS KIRB TALMIRT"));
    QCOMPARE(button->geometry(), tavro::twipsRect(8520, 5880, 2775, 615));
    QCOMPARE(button->font().pointSizeF(), 12.0);
    QVERIFY(button->font().bold());
    QCOMPARE(QFontInfo(button->font()).family(), QFontInfo(QFont(QStringLiteral("Arial"))).family());
    // Bottom right, on top of the frame and of the dedication line beside it.
    QCOMPARE(about->childAt(button->geometry().center()), button);
    QVERIFY(button->geometry().right() > about->width() * 2 / 3);
    QVERIFY(button->geometry().bottom() > about->height() * 4 / 5);
    QVERIFY(button->isEnabled());
}

void TestAboutWindow::staffBoxes_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("ending");
    QTest::newRow("1 chef") << 0 << QStringLiteral(": CHEF D'AGENCE ");
    QTest::newRow("2 controle") << 1 << QStringLiteral(": CONTROLE ");
    QTest::newRow("3 guichetier") << 2 << QStringLiteral(": GUICHETIER ");
    QTest::newRow("4 guichetier") << 3 << QStringLiteral(": GUICHETIER");
    QTest::newRow("5 cofi") << 4 << QStringLiteral(": COFI ");
    QTest::newRow("6 messagerie") << 5 << QStringLiteral(": MESSAGERIE ");
    QTest::newRow("7 author") << 6 << QStringLiteral(": COURRIER");
}

void TestAboutWindow::staffBoxes()
{
    QFETCH(int, index);
    QFETCH(QString, ending);

    QWidget *about = openAbout();
    QVERIFY(about);
    m_dialogs->clear();
    auto *button = about->findChild<QPushButton *>(QStringLiteral("Command1"));
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);

    const auto &calls = m_dialogs->calls();
    QCOMPARE(calls.size(), 7);
    const auto &call = calls.at(index);
    QCOMPARE(call.kind, ScriptedDialogs::Call::Message);
    QCOMPARE(call.spec.title, QStringLiteral("KIRB TALMIRT"));
    QCOMPARE(call.spec.buttons, tavro::MsgButtons(tavro::Ok));
    QCOMPARE(call.spec.icon, tavro::MsgIcon::None);

    // "MR ", a name, then the role with its exact ending; the last one is the
    // author of the main window's caption.
    const QString text = call.spec.text;
    QVERIFY2(text.startsWith(QStringLiteral("MR ")), qPrintable(text));
    QVERIFY2(text.endsWith(ending), qPrintable(text));
    const QString name = text.mid(3, text.size() - 3 - ending.size());
    QVERIFY2(name.size() > 3 && name.trimmed() == name && !name.contains(QLatin1Char(':')), qPrintable(text));
    QCOMPARE(name, name.toUpper());
    if (index == 6) {
        QCOMPARE(name, m_main->windowTitle().toUpper());
        QCOMPARE(name, tavro::authorName().toUpper());
    }
    // Seven different people.
    const QStringList texts = m_dialogs->messageTexts();
    QCOMPARE(QSet<QString>(texts.cbegin(), texts.cend()).size(), 7);
}

void TestAboutWindow::staffBoxesLeaveWindowAsItWas()
{
    QWidget *about = openAbout();
    QVERIFY(about);
    QPointer<QWidget> guard(about);
    auto *button = about->findChild<QPushButton *>(QStringLiteral("Command1"));
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::mouseClick(button, Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // Pressed twice, the same seven boxes twice, and the window still there.
    const QStringList texts = m_dialogs->messageTexts();
    QCOMPARE(texts.size(), 14);
    QCOMPARE(texts.mid(7), texts.first(7));
    QVERIFY(guard);
    QCOMPARE(m_main->child(QStringLiteral("aprop")), about);
    QCOMPARE(m_main->workArea()->subWindowList().size(), 1);
}

void TestAboutWindow::reopenedAfresh()
{
    QWidget *first = openAbout();
    QVERIFY(first);
    QPointer<QWidget> old(first);
    QWidget *second = openAbout();
    QVERIFY(second);
    QVERIFY(!old); // the first one was closed and destroyed
    QCOMPARE(m_main->workArea()->subWindowList().size(), 1);
    QCOMPARE(frameOf(second)->windowTitle(), QStringLiteral("Form1"));
    QCOMPARE(second->size(), QSize(782, 450));
}

void TestAboutWindow::opensAlone_data()
{
    QTest::addColumn<QStringList>("openBefore");
    QTest::newRow("nothing") << QStringList();
    QTest::newRow("cp") << QStringList{QStringLiteral("cp")};
    QTest::newRow("cp and adr") << QStringList{QStringLiteral("cp"), QStringLiteral("adr")};
    QTest::newRow("every other") << QStringList{QStringLiteral("cp"), QStringLiteral("tel"), QStringLiteral("adr"),
                                                QStringLiteral("simu")};
}

void TestAboutWindow::opensAlone()
{
    QFETCH(QStringList, openBefore);
    QList<QPointer<QWidget>> before;
    for (const QString &name : openBefore) {
        QWidget *w = m_main->openWindow(name);
        QVERIFY2(w, qPrintable(name));
        before << w;
    }
    QWidget *about = openAbout();
    QVERIFY(about);
    for (int i = 0; i < before.size(); ++i) {
        QVERIFY2(!before.at(i), qPrintable(openBefore.at(i)));
        QVERIFY(!m_main->child(openBefore.at(i)));
    }
    const auto frames = m_main->workArea()->subWindowList();
    QCOMPARE(frames.size(), 1);
    QCOMPARE(frames.first()->widget(), about);
    QVERIFY(m_main->isVisible());
}

void TestAboutWindow::looksBlackWithWhiteTexts()
{
    // Room for the whole window, as on a clerk's screen.
    m_main->resize(1024, 620);
    QWidget *about = openAbout();
    QVERIFY(about);
    const QImage image = about->grab().toImage();
    QCOMPARE(image.size(), about->size() * image.devicePixelRatio());

    // The background is black wherever nothing is drawn...
    for (const QPoint p : {QPoint(2, 2), QPoint(about->width() - 3, 2), QPoint(2, about->height() - 3)})
        QCOMPARE(QColor(image.pixel(p)), QColor(Qt::black));
    // ...and every label's text is white on it.
    const auto labels = about->findChildren<QLabel *>();
    for (const QLabel *label : labels) {
        if (label->objectName() == QLatin1String("picLogo"))
            continue;
        int white = 0;
        const QRect r = label->geometry();
        for (int y = r.top(); y <= r.bottom(); ++y) {
            for (int x = r.left(); x <= r.right(); ++x) {
                const QColor c(image.pixel(x, y));
                QVERIFY2(c.red() == c.green() && c.green() == c.blue(), qPrintable(label->objectName()));
                white += c.lightness() > 240;
            }
        }
        QVERIFY2(white > 10, qPrintable(label->objectName()));
    }

    // Seen inside the main window, as a user does.
    const QString folder = qEnvironmentVariable("TAVRO_SCREENSHOTS");
    if (!folder.isEmpty()) {
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(m_main->grab().save(QDir(folder).filePath(QStringLiteral("aprop.png"))));
    }
}

QTEST_MAIN(TestAboutWindow)
#include "tst_aboutwindow.moc"
