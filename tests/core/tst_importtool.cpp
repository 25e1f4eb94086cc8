// The tavro-import executable as a user runs it, and the program's message
// that names it when it finds an Access file where BD2003.mdb should be.
#include "data/opendb.h"
#include "data/sampledata.h"
#include "data/schema.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <SQLiteCpp/Database.h>

using namespace tavro;

namespace {

const QString kTool = QStringLiteral(TAVRO_IMPORT_TOOL);

QString jetFile(const char *name)
{
    return QStringLiteral(TAVRO_JET_DATA "/") + QLatin1String(name);
}

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

Run run(const QString &program, const QStringList &arguments, const QString &folder = QString())
{
    QProcess process;
    if (!folder.isEmpty())
        process.setWorkingDirectory(folder);
    process.start(program, arguments);
    Run result;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.exitCode = process.exitCode();
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

QByteArray sha256(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex();
}

qint64 codeRows(const QString &path)
{
    auto opened = openDatabase(path);
    return opened ? (*opened)->execAndGet("SELECT count(*) FROM CODE").getInt64() : -1;
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class TestImportTool : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void convertsAndReports();
    void writesBesideItselfByDefault();
    void refuses_data();
    void refuses();
    void forceKeepsBackup();
    void shellQuotedReadsBack_data();
    void shellQuotedReadsBack();
    void programMessageGivesWorkingCommand();
};

void TestImportTool::convertsAndReports()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("BD2003.mdb"));
    const Run r = run(kTool, {QStringLiteral("-o"), target, jetFile("codes_tele_qrt_jet4.mdb")});
    QCOMPARE(r.exitCode, 0);
    const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines, (QStringList{
                        QStringLiteral("Base Access (Jet 4) : ") + jetFile("codes_tele_qrt_jet4.mdb"),
                        QStringLiteral("  CODE : 5 ligne(s) copiée(s)"),
                        QStringLiteral("  TELE : 4 ligne(s) copiée(s)"),
                        QStringLiteral("  QRT : 4 ligne(s) copiée(s)"),
                        QStringLiteral("  laissé de côté : table LONGTEXT"),
                        QStringLiteral("Écrit : ") + target,
                    }));
    QCOMPARE(codeRows(target), 5);
    QCOMPARE(filesIn(dir.path()), QStringList{"BD2003.mdb"});
}

void TestImportTool::writesBesideItselfByDefault()
{
    // A copy of the tool in a folder of its own, run from another folder.
    QTemporaryDir programFolder;
    QTemporaryDir elsewhere;
    const QString tool = programFolder.filePath(QStringLiteral("tavro-import"));
    QVERIFY(QFile::copy(kTool, tool));
    const Run r = run(tool, {jetFile("codes_tele_qrt_jet4.mdb")}, elsewhere.path());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(codeRows(programFolder.filePath(QStringLiteral("BD2003.mdb"))), 5);
    QCOMPARE(filesIn(elsewhere.path()), QStringList());
}

void TestImportTool::refuses_data()
{
    QTest::addColumn<QStringList>("arguments"); // %DIR% is the target folder
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");

    const QString codes = jetFile("codes_tele_qrt_jet4.mdb");
    QTest::newRow("no Access file named") << QStringList{"-o", "%DIR%/BD2003.mdb"} << 2 << "indiquez une seule base Access";
    QTest::newRow("two Access files named") << QStringList{"-o", "%DIR%/BD2003.mdb", codes, codes} << 2 << "indiquez une seule base Access";
    QTest::newRow("missing Access file") << QStringList{"-o", "%DIR%/BD2003.mdb", "%DIR%/absent.mdb"} << 1 << "est introuvable";
    QTest::newRow("not an Access file") << QStringList{"-o", "%DIR%/BD2003.mdb", jetFile("README.md")} << 1 << "n'est pas une base Access";
    QTest::newRow("no CODE table") << QStringList{"-o", "%DIR%/BD2003.mdb", jetFile("overflowTestV2000.mdb")} << 1
                                   << "La table CODE est absente de la base Access " + jetFile("overflowTestV2000.mdb");
    QTest::newRow("unknown code page") << QStringList{"--charset", "CP99999", "-o", "%DIR%/BD2003.mdb", codes} << 1 << "« CP99999 » est inconnu";
    QTest::newRow("missing target folder") << QStringList{"-o", "%DIR%/absent/BD2003.mdb", codes} << 1 << "n'existe pas";
}

void TestImportTool::refuses()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);

    QTemporaryDir dir;
    arguments.replaceInStrings(QStringLiteral("%DIR%"), dir.path());
    const Run r = run(kTool, arguments);
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QVERIFY(r.out.isEmpty());
    QCOMPARE(filesIn(dir.path()), QStringList());
}

void TestImportTool::forceKeepsBackup()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("BD2003.mdb"));
    QVERIFY(writeSampleDatabase(target, SampleOptions{}));
    const QByteArray sample = sha256(target);
    const qint64 sampleRows = codeRows(target);
    QVERIFY(sampleRows > 5);

    const Run refused = run(kTool, {QStringLiteral("-o"), target, jetFile("codes_tele_qrt_jet4.mdb")});
    QCOMPARE(refused.exitCode, 1);
    QVERIFY2(refused.err.contains(QStringLiteral("existe déjà")), qPrintable(refused.err));
    QVERIFY2(refused.err.contains(QStringLiteral("Aucun fichier n'a été écrit.")), qPrintable(refused.err));
    QCOMPARE(sha256(target), sample);
    QCOMPARE(filesIn(dir.path()), QStringList{"BD2003.mdb"});

    const Run forced = run(kTool, {QStringLiteral("--force"), QStringLiteral("-o"), target, jetFile("codes_tele_qrt_jet4.mdb")});
    QCOMPARE(forced.exitCode, 0);
    static const QRegularExpression kept(QStringLiteral("^Ancien fichier gardé sous : (.*BD2003\\.mdb\\.bak-\\d{8}-\\d{6})$"),
                                         QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = kept.match(forced.out);
    QVERIFY2(match.hasMatch(), qPrintable(forced.out));
    QCOMPARE(QFileInfo(match.captured(1)).absolutePath(), QFileInfo(target).absolutePath());
    QCOMPARE(sha256(match.captured(1)), sample);
    QCOMPARE(codeRows(match.captured(1)), sampleRows);
    QCOMPARE(codeRows(target), 5);
    QCOMPARE(filesIn(dir.path()).size(), 2);
}

void TestImportTool::shellQuotedReadsBack_data()
{
    QTest::addColumn<QString>("word");
    QTest::newRow("plain path") << "/opt/tavro/BD2003.mdb";
    QTest::newRow("blank") << "/home/agent/Mes documents/BD2003.mdb";
    QTest::newRow("apostrophe") << "/srv/bureau d'Ombrevent/BD2003.mdb";
    QTest::newRow("shell characters") << "/tmp/$HOME `id` \"x\" \\ ; & | * ?";
    QTest::newRow("accents") << "/données/Élysée/BD2003.mdb";
}

void TestImportTool::shellQuotedReadsBack()
{
    QFETCH(QString, word);
    const Run r = run(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("printf %s ") + shellQuoted(word)});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, word);
}

void TestImportTool::programMessageGivesWorkingCommand()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("bureau d'essai"));
    QVERIFY(QDir().mkpath(folder));
    const QString path = QDir(folder).filePath(QLatin1String(kDatabaseFileName));
    QVERIFY(QFile::copy(jetFile("codes_tele_qrt_jet4.mdb"), path));
    const QByteArray jet = sha256(path);

    const auto opened = openDatabase(path);
    QVERIFY(!opened);
    QCOMPARE(sha256(path), jet);
    const QString command = importCommandFor(path);
    QVERIFY2(opened.status().message().contains(QStringLiteral("est une base Access (Jet)")), qPrintable(opened.status().message()));
    QVERIFY2(opened.status().message().contains(QLatin1Char('\n') + command + QLatin1Char('\n')), qPrintable(opened.status().message()));

    // The command names the tool beside the program, then converts in place.
    const QString besideProgram = shellQuoted(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("tavro-import")));
    QVERIFY2(command.startsWith(besideProgram + QLatin1Char(' ')), qPrintable(command));
    const QString runnable = shellQuoted(kTool) + command.mid(besideProgram.size());
    const Run r = run(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), runnable});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));

    QCOMPARE(codeRows(path), 5);
    const QStringList files = filesIn(folder);
    QCOMPARE(files.size(), 2);
    QVERIFY(files.at(1).startsWith(QLatin1String("BD2003.mdb.bak-")));
    QCOMPARE(sha256(QDir(folder).filePath(files.at(1))), jet);
}

QTEST_GUILESS_MAIN(TestImportTool)
#include "tst_importtool.moc"
