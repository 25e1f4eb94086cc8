#include "app/shell.h"
#include "simulator/loan.h"
#include "simulator/simuwindow.h"
#include "support/scripteddialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace tavro;
using namespace tavro::simu;

namespace {

struct Loan {
    QString principal;
    QString years;
    QString rate;
};

// A line as a reader sees it on paper: the columns, one blank apart.
QString readable(const QString &line)
{
    QStringList columns = line.split(QLatin1Char('\t'), Qt::SkipEmptyParts);
    for (QString &c : columns)
        c = c.simplified();
    return columns.join(QLatin1Char(' '));
}

QString tool(const QString &name)
{
    const QString found = QStandardPaths::findExecutable(name);
    return found.isEmpty() ? QStandardPaths::findExecutable(name, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")}) : found;
}

} // namespace

// Prints through a CUPS server of its own: a private cupsd with one raw
// queue, set as the default, whose backend keeps each job's PDF in a folder.
class TestSimuPrint : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void printedLinesMatchTheList_data();
    void printedLinesMatchTheList();

private:
    bool run(const QString &program, const QStringList &args, QString *error);
    QStringList jobFiles() const;

    QTemporaryDir m_root;
    QProcess m_cupsd;
    QString m_jobs;
    QString m_pdftotext;
};

bool TestSimuPrint::run(const QString &program, const QStringList &args, QString *error)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        *error = program + QLatin1Char(' ') + args.join(QLatin1Char(' ')) + QStringLiteral(": ")
                 + QString::fromLocal8Bit(p.readAllStandardError());
        return false;
    }
    return true;
}

void TestSimuPrint::initTestCase()
{
    const QString cupsd = tool(QStringLiteral("cupsd"));
    const QString lpadmin = tool(QStringLiteral("lpadmin"));
    m_pdftotext = tool(QStringLiteral("pdftotext"));
    if (cupsd.isEmpty() || lpadmin.isEmpty() || m_pdftotext.isEmpty())
        QSKIP("CUPS cannot be started here: cupsd, lpadmin or pdftotext is missing (packages cups, cups-client, "
              "poppler-utils)");
    if (geteuid() != 0)
        QSKIP("CUPS cannot be started here: a private cupsd needs root (the CI runs the tests as root)");
    const QString backendSource = QFINDTESTDATA("../printing/keepjob");
    QVERIFY2(!backendSource.isEmpty(), "tests/printing/keepjob not found");
    QVERIFY(m_root.isValid());

    const QDir root(m_root.path());
    for (const char *dir : {"conf", "spool", "tmp", "state", "cache", "log", "jobs", "bin/backend"})
        QVERIFY(root.mkpath(QLatin1String(dir)));
    m_jobs = root.filePath(QStringLiteral("jobs"));
    // cupsd looks for its helpers and filters under ServerBin; only the
    // backend is ours.
    for (const char *dir : {"daemon", "filter", "cgi-bin", "notifier", "monitor", "driver"}) {
        const QString system = QStringLiteral("/usr/lib/cups/") + QLatin1String(dir);
        if (QFileInfo::exists(system))
            QVERIFY(QFile::link(system, root.filePath(QStringLiteral("bin/") + QLatin1String(dir))));
    }
    // cupsd runs a backend that only its owner may run as root, and refuses
    // one that others could change.
    const QString backend = root.filePath(QStringLiteral("bin/backend/keepjob"));
    QVERIFY(QFile::copy(backendSource, backend));
    QVERIFY(QFile::setPermissions(backend, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    const QString socket = root.filePath(QStringLiteral("cups.sock"));
    auto write = [](const QString &path, const QString &text) {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write(text.toUtf8()) == text.toUtf8().size();
    };
    QVERIFY(write(root.filePath(QStringLiteral("conf/cupsd.conf")),
                  QStringLiteral("LogLevel warn\nListen %1\nBrowsing No\nWebInterface No\nDefaultAuthType None\n"
                                 "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                                 "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n")
                      .arg(socket)));
    QVERIFY(write(root.filePath(QStringLiteral("conf/cups-files.conf")),
                  QStringLiteral("ServerRoot %1/conf\nRequestRoot %1/spool\nTempDir %1/tmp\nStateDir %1/state\n"
                                 "CacheDir %1/cache\nServerBin %1/bin\nErrorLog %1/log/error_log\n"
                                 "AccessLog %1/log/access_log\nPageLog %1/log/page_log\nGroup lp\nSystemGroup root\n")
                      .arg(root.path())));

    m_cupsd.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_cupsd.start(cupsd, {QStringLiteral("-f"), QStringLiteral("-c"), root.filePath(QStringLiteral("conf/cupsd.conf")),
                          QStringLiteral("-s"), root.filePath(QStringLiteral("conf/cups-files.conf"))});
    if (!m_cupsd.waitForStarted())
        QSKIP("CUPS cannot be started here: cupsd did not start");
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(socket) || m_cupsd.state() == QProcess::NotRunning, 20000);
    if (m_cupsd.state() == QProcess::NotRunning)
        QSKIP("CUPS cannot be started here: cupsd stopped at once (see the error output above)");

    QString error;
    if (!run(lpadmin,
             {QStringLiteral("-h"), socket, QStringLiteral("-p"), QStringLiteral("tavro-test"), QStringLiteral("-E"),
              QStringLiteral("-v"), QStringLiteral("keepjob:") + m_jobs},
             &error)
        || !run(lpadmin, {QStringLiteral("-h"), socket, QStringLiteral("-d"), QStringLiteral("tavro-test")}, &error))
        QFAIL(qPrintable(error));

    // Before the first printer look-up: libcups reads it once.
    qputenv("CUPS_SERVER", QFile::encodeName(socket));
    qunsetenv("PRINTER");
    qunsetenv("LPDEST");
}

void TestSimuPrint::cleanupTestCase()
{
    if (m_cupsd.state() != QProcess::NotRunning) {
        m_cupsd.terminate();
        m_cupsd.waitForFinished(10000);
    }
}

QStringList TestSimuPrint::jobFiles() const
{
    return QDir(m_jobs).entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
}

void TestSimuPrint::printedLinesMatchTheList_data()
{
    QTest::addColumn<bool>("resetFirst");
    QTest::addColumn<QList<Loan>>("loans");
    QTest::newRow("ten years, several pages") << false << QList<Loan>{{"100000", "10", "6"}};
    QTest::newRow("after a reset, no title line") << true << QList<Loan>{{"12000", "1", "5"}};
    QTest::newRow("two tables") << false << QList<Loan>{{"100000", "1", "6"}, {"", "2", ""}};
}

void TestSimuPrint::printedLinesMatchTheList()
{
    QFETCH(bool, resetFirst);
    QFETCH(QList<Loan>, loans);
    test::ScriptedDialogs dialogs;
    LoanState::process() = LoanState();
    SimuWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto *principal = window.findChild<QLineEdit *>(QStringLiteral("Txt_Principal"));
    auto *years = window.findChild<QLineEdit *>(QStringLiteral("Text1"));
    auto *rate = window.findChild<QLineEdit *>(QStringLiteral("Txt_Interest"));
    auto *list = window.findChild<QListWidget *>(QStringLiteral("List_Amortization"));
    if (resetFirst)
        QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("Command3")), Qt::LeftButton);
    for (const Loan &loan : loans) {
        if (!loan.years.isEmpty())
            years->clear();
        QTest::keyClicks(principal, loan.principal);
        QTest::keyClicks(years, loan.years);
        QTest::keyClicks(rate, loan.rate);
        QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("Cmd_Calculate")), Qt::LeftButton);
    }
    QTest::mouseClick(window.findChild<QCheckBox *>(QStringLiteral("Check1")), Qt::LeftButton);
    QStringList lines;
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();

    const QStringList before = jobFiles();
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("Command1")), Qt::LeftButton);
    QCOMPARE(dialogs.messageTexts(), QStringList());
    QTRY_VERIFY_WITH_TIMEOUT(jobFiles().size() == before.size() + 1, 60000);
    QString job;
    for (const QString &f : jobFiles()) {
        if (!before.contains(f))
            job = QDir(m_jobs).filePath(f);
    }

    QProcess text;
    text.start(m_pdftotext,
               {QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8"), job, QStringLiteral("-")});
    QVERIFY(text.waitForFinished(30000));
    QCOMPARE(text.exitCode(), 0);
    QStringList printed;
    // Where the columns of each five-column line begin, page by page (the
    // text tool lays out every page on its own grid).
    QList<QList<QList<qsizetype>>> columnStarts;
    const QStringList pages = QString::fromUtf8(text.readAllStandardOutput()).split(QLatin1Char('\f'));
    for (const QString &page : pages) {
        columnStarts.append(QList<QList<qsizetype>>());
        for (const QString &line : page.split(QLatin1Char('\n'))) {
            if (line.trimmed().isEmpty())
                continue;
            printed << line.simplified();
            QList<qsizetype> starts;
            for (qsizetype i = 0; i < line.size(); ++i) {
                if (!line.at(i).isSpace() && (i == 0 || line.at(i - 1).isSpace()))
                    starts << i;
            }
            if (starts.size() == 5)
                columnStarts.last() << starts;
        }
    }
    QStringList expected;
    for (const QString &line : lines)
        expected << readable(line);
    QCOMPARE(printed, expected);
    QVERIFY(pages.size() > 1 || lines.size() < 40);
    // The columns stand under the header's words, as in the list.
    QVERIFY(!columnStarts.first().isEmpty());
    for (const QList<QList<qsizetype>> &page : columnStarts) {
        for (const QList<qsizetype> &starts : page)
            QCOMPARE(starts, page.first());
    }
    // Printing leaves the list as it was.
    QCOMPARE(list->count(), lines.size());
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    tavro::setupApplication(app);
    TestSimuPrint test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_simuprint.moc"
