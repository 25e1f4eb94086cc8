// The tavro-import executable as a user runs it, on sound, damaged and
// interrupted conversions, and the program's message that names it when it
// finds an Access file where BD2003.mdb should be.
#include "data/database/database.h"
#include "data/rows/recordsource.h"
#include "data/sample/sampledata.h"
#include "data/schema.h"
#include "data/setting/paths.h"
#include "data/sqlite/opendb.h"
#include "support/filerows.h"
#include "support/jetfiles.h"
#include "support/jetlayout.h"
#include "support/jetwriter.h"
#include "support/secretaddresses.h"
#include "support/testdb.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <SQLiteCpp/Database.h>

#include <csignal>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tavro;
using test::jetFile;
using test::readAll;
using test::sha256;
using test::writeAll;

namespace {

const QString kTool = QStringLiteral(TAVRO_IMPORT_TOOL);
const QString kSample = QStringLiteral(TAVRO_SAMPLE_TOOL);

struct Run {
    int exitCode = -1; // -1: killed, crashed or stopped at the time limit
    QString out;
    QString err;
};

// Every run under a time and a memory limit: a hang or a runaway fails the
// test instead of stopping it.
Run run(const QString &program, const QStringList &arguments, const QString &folder = {}, bool asNobody = false)
{
    QProcess process;
    if (!folder.isEmpty())
        process.setWorkingDirectory(folder);
    process.setChildProcessModifier([asNobody] {
        const rlimit memory{1ul << 30, 1ul << 30};
        setrlimit(RLIMIT_AS, &memory);
        if (asNobody && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(99);
    });
    process.start(program, arguments);
    Run result;
    if (!process.waitForFinished(30000))
        process.kill();
    process.waitForFinished();
    if (process.exitStatus() == QProcess::NormalExit)
        result.exitCode = process.exitCode();
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

// Every row of the three tables, each prefixed with its table's name.
QStringList tableRows(const QString &path)
{
    QStringList rows;
    for (const TableDef &table : kTables)
        rows += test::fileRows(path, QStringLiteral("SELECT '%1', * FROM %1 ORDER BY rowid").arg(QLatin1String(table.name)));
    return rows;
}

qint64 codeRows(const QString &path)
{
    const QStringList count = test::fileRows(path, QStringLiteral("SELECT count(*) FROM CODE"));
    bool ok = false;
    const qint64 n = count.value(0).toLongLong(&ok);
    return ok ? n : -1;
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// A file with n invented offices and streets, the address of office 7 a
// memo long enough to take several pages.
QString writeLarge(const QString &path, int n)
{
    jetwriter::Table tele{QStringLiteral("TELE"), {}, {QStringLiteral("ADRESSE")}};
    jetwriter::Table qrt{QStringLiteral("QRT"), {}, {}};
    for (int i = 0; i < n; ++i) {
        const QString n = QString::number(i);
        tele.rows << jetwriter::Row{{"Agence " + n, "0500-" + n, "PROVINCE", "DR",
                                     i == 7 ? QStringLiteral("Allée des Essais 🎵 ").repeated(600) : n + ", rue Neuve",
                                     QString()}};
        qrt.rows << jetwriter::Row{{"Quartier " + n, QString::number(10000 + i), "VILLE-" + n}};
    }
    const Status written = jetwriter::write(jetFile("codes_tele_qrt_jet4.mdb"), path, {tele, qrt});
    return written ? path : written.message();
}

// The memo of a chain of pages made to lead back to its own first piece.
QByteArray withLoopingMemo(QByteArray bytes)
{
    for (qsizetype page = bytes.size() / 4096 - 1; page > 0; --page) {
        char *p = bytes.data() + page * 4096;
        const int start = (uchar(p[14]) | uchar(p[15]) << 8) & 0x1fff;
        if (memcmp(p + 4, "LVAL", 4) == 0 && memcmp(p + start, "\0\0\0\0", 4) != 0) {
            const quint32 self = quint32(page) << 8;
            memcpy(p + start, &self, 4);
            return bytes;
        }
    }
    return {};
}

// A copy of a Jet file with a column of CODE marked of fixed length, which no
// text column is: a damaged definition.
QByteArray markedFixed(const QByteArray &bytes, const QString &column)
{
    const qsizetype flags = jetlayout::column(bytes, QStringLiteral("CODE"), column).flags;
    return flags < 0 ? QByteArray() : jetlayout::put(bytes, flags, 1, jetlayout::get(bytes, flags, 1) | 1);
}

// A copy of a Jet file with one name (a table's or a column's, stored once
// as UTF-16) spelt otherwise: a real file that lacks that table or column.
QByteArray renamed(QByteArray bytes, const QString &name, const QString &other)
{
    const QByteArray needle(reinterpret_cast<const char *>(name.utf16()), name.size() * 2);
    const qsizetype at = bytes.indexOf(needle);
    return at < 0 || bytes.indexOf(needle, at + 1) >= 0
               ? QByteArray()
               : bytes.replace(at, needle.size(), QByteArray(reinterpret_cast<const char *>(other.utf16()), other.size() * 2));
}

} // namespace

class TestImportTool : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void convertsAndReports();
    void writesBesideItselfByDefault();
    void refuses_data();
    void refuses();
    void damagedCopies_data();
    void damagedCopies();
    void interrupted_data();
    void interrupted();
    void forceKeepsBackup();
    void shellQuotedReadsBack_data();
    void shellQuotedReadsBack();
    void programMessageGivesWorkingCommand();
    void toTheProgramsDatabase_data();
    void toTheProgramsDatabase();
    void upgradesInPlace();
    void passwordsNeverShown_data();
    void passwordsNeverShown();
    void plantedFunctionsNeverRun_data();
    void plantedFunctionsNeverRun();

private:
    QTemporaryDir m_fixtures;
};

void TestImportTool::initTestCase()
{
    QCOMPARE(writeLarge(m_fixtures.filePath(QStringLiteral("small.mdb")), 3000),
             m_fixtures.filePath(QStringLiteral("small.mdb")));
    QCOMPARE(writeLarge(m_fixtures.filePath(QStringLiteral("large.mdb")), 200000),
             m_fixtures.filePath(QStringLiteral("large.mdb")));
    // NUL in two values (a text and a memo), half a UTF-16 pair in another;
    // a damaged column that is not copied.
    const jetwriter::Table tele{
        QStringLiteral("TELE"),
        {{{QString::fromUtf16(u"Agence \xdc00"), "01", "P", "R", QStringLiteral("Rue du\0 Nord"), QStringLiteral("No\0rd")}}},
        {"ADRESSE"}};
    const jetwriter::Table code{QStringLiteral("CODE"), {{{"Agence Un", "10001", "P", "R", std::nullopt}}}, {}, {}, {}, {"NOTE"}};
    const QString odd = m_fixtures.filePath(QStringLiteral("odd.mdb"));
    QVERIFY(jetwriter::write(jetFile("codes_tele_qrt_jet4.mdb"), odd, {tele, code}));
    QVERIFY(writeAll(odd, markedFixed(readAll(odd), QStringLiteral("NOTE"))));
}

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

// clang-format off
void TestImportTool::refuses_data()
{
    QTest::addColumn<QStringList>("arguments"); // %DIR%: the target folder, %SRC%: the prepared source
    QTest::addColumn<QString>("setup");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("left"); // what the target folder holds afterwards

    const QString codes = jetFile("codes_tele_qrt_jet4.mdb");
    const QStringList toSource{"-o", "%DIR%/BD2003.mdb", "%SRC%"};
    const QStringList toTarget{"-o", "%DIR%/BD2003.mdb", codes};
    QTest::newRow("no Access file named") << QStringList{"-o", "%DIR%/BD2003.mdb"} << "" << 2 << "indiquez une seule base Access" << QStringList();
    QTest::newRow("two Access files named") << QStringList{"-o", "%DIR%/BD2003.mdb", codes, codes} << "" << 2 << "indiquez une seule base Access" << QStringList();
    QTest::newRow("missing Access file") << toSource << "" << 1 << "La base Access %SRC% est introuvable." << QStringList();
    QTest::newRow("not an Access file") << QStringList{"-o", "%DIR%/BD2003.mdb", jetFile("README.md")} << "" << 1 << "n'est pas une base Access" << QStringList();
    QTest::newRow("Jet header only") << toSource << "header" << 1 << "Le fichier %SRC% ne peut pas être lu comme base Access" << QStringList();
    QTest::newRow("no CODE table") << QStringList{"-o", "%DIR%/BD2003.mdb", jetFile("overflowTestV2000.mdb")} << "" << 1
                                   << "La table CODE est absente de la base Access " + jetFile("overflowTestV2000.mdb") << QStringList();
    QTest::newRow("no FAX column") << toSource << "renamed" << 1 << "La colonne FAX est absente de la table TELE de la base Access %SRC%, qui a les colonnes "
                                                                       "AGENCE, TEL, PROVINCE, REGION, ADRESSE, FAZ.\nAucun fichier n'a été écrit.\n"
                                                                       "Vérifiez qu'il s'agit bien de la base BD2003.mdb de l'ancien programme ; si c'est bien elle, elle est abîmée"
                                   << QStringList();
    QTest::newRow("FAX unreadable") << toSource << "FAX unreadable" << 1 << "La colonne FAX est introuvable dans la table TELE de la base Access %SRC%, "
                                                                           "dont la définition est abîmée : la colonne n° 5 a un nom illisible.\nAucun fichier n'a été écrit.\n"
                                                                           "Ouvrez la base dans Access, faites « Compacter et réparer"
                                    << QStringList();
    QTest::newRow("AGENCE damaged") << toSource << "AGENCE fixed" << 1 << "La table CODE de la base Access %SRC% est abîmée : sa colonne AGENCE est marquée de longueur fixe"
                                    << QStringList();
    QTest::newRow("CODE unreadable in the list of tables") << toSource << "CODE unreadable" << 1
                                                           << "La table CODE est introuvable dans la base Access %SRC%, dont la liste des tables est abîmée : "
                                                              "une table y a un nom illisible (définition page 24).\nAucun fichier n'a été écrit.\nOuvrez la base"
                                                           << QStringList();
    QTest::newRow("unknown code page") << QStringList{"--charset", "CP99999", "-o", "%DIR%/BD2003.mdb", codes} << "" << 1 << "« CP99999 » est inconnu" << QStringList();
    QTest::newRow("source is a folder") << toSource << "folder" << 1 << "%SRC% est un dossier, pas une base Access." << QStringList();
    QTest::newRow("source is a pipe") << toSource << "fifo" << 1 << "%SRC% n'est pas un fichier ordinaire" << QStringList();
    QTest::newRow("source unreadable") << toSource << "unreadable" << 1 << "vous n'avez pas le droit de la lire" << QStringList();
    QTest::newRow("missing target folder") << QStringList{"-o", "%DIR%/absent/BD2003.mdb", codes} << "" << 1 << "Le dossier %DIR%/absent n'existe pas." << QStringList();
    QTest::newRow("target is a folder") << toTarget << "target folder" << 1 << "%DIR%/BD2003.mdb est un dossier." << QStringList{"BD2003.mdb"};
    QTest::newRow("target exists") << toTarget << "existing" << 1 << "Le fichier %DIR%/BD2003.mdb existe déjà : il est laissé tel quel." << QStringList{"BD2003.mdb"};
    QTest::newRow("link at the target") << toTarget << "link" << 1 << "Le fichier %DIR%/BD2003.mdb existe déjà : il est laissé tel quel." << QStringList{"BD2003.mdb"};
    QTest::newRow("disk full") << toSource << "full" << 1 << "Le disque du fichier de données %DIR%/BD2003.mdb est plein." << QStringList();
}
// clang-format on

void TestImportTool::refuses()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, setup);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QFETCH(QStringList, left);

    QTemporaryDir dir;
    QTemporaryDir sources;
    const QString source = sources.filePath(QStringLiteral("old.mdb"));
    const QByteArray codes = readAll(jetFile("codes_tele_qrt_jet4.mdb"));
    if (setup == QLatin1String("header"))
        QVERIFY(writeAll(source, codes.left(3000)));
    if (setup == QLatin1String("renamed"))
        QVERIFY(writeAll(source, renamed(codes, QStringLiteral("FAX"), QStringLiteral("FAZ"))));
    // A control character where no name has one: a damaged name.
    if (setup == QLatin1String("FAX unreadable"))
        QVERIFY(writeAll(source, renamed(codes, QStringLiteral("FAX"), QStringLiteral("F\x01X"))));
    if (setup == QLatin1String("AGENCE fixed"))
        QVERIFY(writeAll(source, markedFixed(codes, QStringLiteral("AGENCE"))));
    if (setup == QLatin1String("CODE unreadable"))
        QVERIFY(writeAll(source, renamed(codes, QStringLiteral("CODE"),
                                         QStringLiteral("CO\x01"
                                                        "E"))));
    if (setup == QLatin1String("folder"))
        QVERIFY(QDir().mkdir(source));
    if (setup == QLatin1String("fifo"))
        QCOMPARE(mkfifo(QFile::encodeName(source).constData(), 0600), 0);
    if (setup == QLatin1String("unreadable")) {
        QVERIFY(writeAll(source, codes));
        QVERIFY(QFile::setPermissions(source, QFileDevice::WriteOwner));
        QVERIFY(QFile::setPermissions(sources.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                                          | QFileDevice::ExeOther));
    }
    if (setup == QLatin1String("target folder"))
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("BD2003.mdb")));
    if (setup == QLatin1String("existing"))
        QVERIFY(writeAll(dir.filePath(QStringLiteral("BD2003.mdb")), codes));
    if (setup == QLatin1String("link"))
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("nowhere.mdb")), dir.filePath(QStringLiteral("BD2003.mdb"))));
    arguments.replaceInStrings(QStringLiteral("%DIR%"), dir.path()).replaceInStrings(QStringLiteral("%SRC%"), source);
    message.replace(QStringLiteral("%DIR%"), dir.path()).replace(QStringLiteral("%SRC%"), source);
    Run r;
    if (setup == QLatin1String("full")) {
        // A disk of 64 kB, in a mount namespace of the tool's own; what the
        // folder holds afterwards is listed from in there.
        QVERIFY(QFile::copy(m_fixtures.filePath(QStringLiteral("small.mdb")), source));
        r = run(
            QStringLiteral("unshare"),
            {"-rm", "/bin/sh", "-c",
             "d=$1 t=$2; shift 2; mount -t tmpfs -o size=64k tmpfs \"$d\" || exit 9; \"$t\" \"$@\"; s=$?; ls -A \"$d\"; exit $s",
             "sh", dir.path(), kTool, arguments.at(0), arguments.at(1), arguments.at(2)});
        if (r.exitCode == 9 || r.err.startsWith(QLatin1String("unshare")))
            QSKIP("no mount namespace here");
    } else {
        // Root reads every file: the tool then runs as nobody, from a copy
        // it can reach (the build folder may be private to root).
        const bool asNobody = setup == QLatin1String("unreadable") && geteuid() == 0;
        QTemporaryDir copy;
        const QString tool = asNobody ? copy.filePath(QStringLiteral("tavro-import")) : kTool;
        QVERIFY(!asNobody
                || (QFile::copy(kTool, tool)
                    && QFile::setPermissions(copy.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                                              | QFileDevice::ExeOther)));
        r = run(tool, arguments, {}, asNobody);
    }
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2(r.err.startsWith(QLatin1String("tavro-import : ")), qPrintable(r.err));
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QVERIFY(r.out.isEmpty());
    // Only when --force would help does the message suggest it.
    QCOMPARE(r.err.contains(QLatin1String("Ajoutez --force")),
             setup == QLatin1String("link") || setup == QLatin1String("existing"));
    if (setup == QLatin1String("existing"))
        QCOMPARE(readAll(dir.filePath(QStringLiteral("BD2003.mdb"))), codes);
    QVERIFY2(!r.err.contains(QLatin1String(".import-")), qPrintable(r.err));
    QCOMPARE(filesIn(dir.path()), left);
}

void TestImportTool::damagedCopies_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("sound"); // the rows of the undamaged file
    QTest::addColumn<int>("changed");       // bytes changed; -1: the import must fail

    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("sound.mdb"));
    const QByteArray codes = readAll(jetFile("codes_tele_qrt_jet4.mdb"));
    QCOMPARE(run(kTool, {QStringLiteral("-o"), target, jetFile("codes_tele_qrt_jet4.mdb")}).exitCode, 0);
    const QStringList codesRows = tableRows(target);
    const QByteArray small = readAll(m_fixtures.filePath(QStringLiteral("small.mdb")));
    QVERIFY(!small.isEmpty());

    // Cut where the tables' rows are: the conversion must fail. The shared
    // file's last pages hold none of the rows copied.
    for (qsizetype keep : {qsizetype(4096), qsizetype(65536), small.size() / 2, small.size() - 4096})
        QTest::addRow("small file cut to %lld bytes", qlonglong(keep)) << small.left(keep) << QStringList() << -1;
    QTest::newRow("shared file less its last page") << codes.chopped(4096) << codesRows << 0;
    QTest::newRow("memo chain leading back to itself") << withLoopingMemo(small) << QStringList() << -1;
    QByteArray lengthByte = codes;
    lengthByte[126452] = 0x4d; // a text's length beyond its row
    QTest::newRow("byte 126452 set to 0x4d") << lengthByte << QStringList() << -1;
    for (quint32 seed = 1; seed <= 100; ++seed) {
        std::mt19937 random{seed};
        QByteArray bytes = codes;
        const int changes = 1 + int(random() % 64);
        for (int i = 0; i < changes; ++i)
            bytes[qsizetype(random() % quint32(bytes.size()))] = char(random() & 0xff);
        QTest::addRow("seed %u, %d bytes changed", seed, changes) << bytes << codesRows << changes;
    }
}

// Each damaged copy fails cleanly (nothing at the target, no temporary
// file, a French message naming the cause) or gives the rows of the sound
// file, but for what the changed bytes themselves altered.
void TestImportTool::damagedCopies()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, sound);
    QFETCH(int, changed);
    QVERIFY(!bytes.isEmpty());

    QTemporaryDir dir;
    QTemporaryDir out;
    const QString source = dir.filePath(QStringLiteral("damaged.mdb"));
    QVERIFY(writeAll(source, bytes));
    const Run r = run(kTool, {QStringLiteral("-o"), out.filePath(QStringLiteral("BD2003.mdb")), source});
    QVERIFY2(r.exitCode == 0 || r.exitCode == 1, qPrintable(QStringLiteral("status %1: %2").arg(r.exitCode).arg(r.err)));
    if (r.exitCode == 1) {
        QVERIFY2(r.err.startsWith(QLatin1String("tavro-import : "))
                     && r.err.contains(QStringLiteral("Aucun fichier n'a été écrit.")),
                 qPrintable(r.err));
        QCOMPARE(filesIn(out.path()), QStringList());
        return;
    }
    QVERIFY2(changed >= 0, qPrintable(r.out));
    QCOMPARE(filesIn(out.path()), QStringList{"BD2003.mdb"});
    const QStringList rows = tableRows(out.filePath(QStringLiteral("BD2003.mdb")));
    QCOMPARE(rows.size(), sound.size());
    int differing = 0;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        QCOMPARE(rows[i].section(QLatin1Char('|'), 0, 0), sound[i].section(QLatin1Char('|'), 0, 0));
        differing += rows[i] != sound[i];
    }
    QVERIFY(differing <= changed);
}

void TestImportTool::interrupted_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGHUP") << int(SIGHUP);
    QTest::newRow("SIGKILL, then the next run") << int(SIGKILL);
}

// Stopped in the middle of replacing a target, the import leaves the target
// as it was and no temporary file; one killed outright leaves it to the
// next run for the same target, which removes it.
void TestImportTool::interrupted()
{
    QFETCH(int, signal);
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("BD2003.mdb"));
    QVERIFY(writeSampleDatabase(target, SampleOptions{}));
    const QByteArray before = sha256(target);

    QProcess process;
    process.start(kTool,
                  {QStringLiteral("--force"), QStringLiteral("-o"), target, m_fixtures.filePath(QStringLiteral("large.mdb"))});
    QVERIFY(process.waitForStarted());
    while (filesIn(dir.path()).size() < 2 && process.state() == QProcess::Running)
        QThread::usleep(200);
    const QStringList during = filesIn(dir.path());
    QCOMPARE(during.size(), 2);
    QVERIFY2(during.at(1).startsWith(QLatin1String("BD2003.mdb.import-")), qPrintable(during.join(' ')));
    ::kill(pid_t(process.processId()), signal);
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus(), QProcess::CrashExit);
    QCOMPARE(sha256(target), before);

    if (signal != SIGKILL) {
        QCOMPARE(filesIn(dir.path()), QStringList{"BD2003.mdb"});
        return;
    }
    QCOMPARE(filesIn(dir.path()), during);
    const Run next = run(kTool, {QStringLiteral("--force"), QStringLiteral("-o"), target, jetFile("codes_tele_qrt_jet4.mdb")});
    QCOMPARE(next.exitCode, 0);
    QVERIFY2(next.out.startsWith(QStringLiteral("Fichier provisoire d'une conversion interrompue supprimé : ")
                                 + dir.filePath(during.at(1))),
             qPrintable(next.out));
    QCOMPARE(filesIn(dir.path()).size(), 2);
    QVERIFY(!filesIn(dir.path()).join(' ').contains(QLatin1String(".import-")));
    QCOMPARE(codeRows(target), 5);
}

void TestImportTool::forceKeepsBackup()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("BD2003.mdb"));
    QVERIFY(writeSampleDatabase(target, SampleOptions{}));
    const QByteArray sample = sha256(target);
    const qint64 sampleRows = codeRows(target);
    QVERIFY(sampleRows > 5);

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

    // A second run keeps both older files, even within the same second.
    QCOMPARE(run(kTool, {QStringLiteral("--force"), QStringLiteral("-o"), target, jetFile("codes_tele_qrt_jet4.mdb")}).exitCode,
             0);
    QCOMPARE(filesIn(dir.path()).size(), 3);

    // A link at the target's name is replaced, the file it leads to never written.
    QTemporaryDir linked;
    const QString link = linked.filePath(QStringLiteral("BD2003.mdb"));
    QVERIFY(QFile::link(linked.filePath(QStringLiteral("nowhere.mdb")), link));
    QCOMPARE(run(kTool, {QStringLiteral("--force"), QStringLiteral("-o"), link, jetFile("codes_tele_qrt_jet4.mdb")}).exitCode, 0);
    QVERIFY(!QFileInfo(link).isSymLink());
    QCOMPARE(codeRows(link), 5);
    QVERIFY(!QFileInfo::exists(linked.filePath(QStringLiteral("nowhere.mdb"))));
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
    QVERIFY2(opened.status().message().contains(QStringLiteral("est une base Access (Jet)")),
             qPrintable(opened.status().message()));
    QVERIFY2(opened.status().message().contains(QLatin1Char('\n') + command + QLatin1Char('\n')),
             qPrintable(opened.status().message()));

    // The command names the tool beside the program, then converts in place.
    const QString besideProgram =
        shellQuoted(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("tavro-import")));
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

// clang-format off
void TestImportTool::toTheProgramsDatabase_data()
{
    QTest::addColumn<QString>("source"); // empty: a BD2003.mdb of the program's own
    QTest::addColumn<QStringList>("summary"); // lines the tool's summary must have
    QTest::newRow("Access file") << jetFile("codes_tele_qrt_jet4.mdb") << QStringList();
    QTest::newRow("the program's own file") << QString() << QStringList();
    // A server's text cannot hold NUL: dropped on both targets alike.
    QTest::newRow("NUL, half a UTF-16 pair, a damaged column") << m_fixtures.filePath(QStringLiteral("odd.mdb"))
                                                               << QStringList{"  laissé de côté, car abîmée : colonne CODE.NOTE, qui est marquée de longueur fixe, ce qu'une colonne de texte n'est jamais",
                                                                              "  caractère NUL retiré de 2 valeur(s)", "  demi-caractère UTF-16 isolé remplacé par « \ufffd » dans 1 valeur(s)"};
}
// clang-format on

void TestImportTool::toTheProgramsDatabase()
{
    // The run's engine: a new file, or a server database without the tables.
    QFETCH(QString, source);
    QFETCH(QStringList, summary);
    QTemporaryDir dir;
    const QString reference = dir.filePath(QStringLiteral("reference.mdb"));
    if (source.isEmpty()) {
        source = reference;
        QVERIFY(writeSampleDatabase(source, {}));
    } else {
        QCOMPARE(run(kTool, {QStringLiteral("-o"), reference, source}).exitCode, 0);
    }
    QStringList expected = tableRows(reference);
    expected.sort();
    test::TestDatabase db;
    db.create(false);
    const QString target = db.path() + (test::TestDatabase::onServer() ? QStringLiteral(" password=secret") : QString());
    const auto rows = [&] {
        QStringList all;
        for (const TableDef &table : kTables)
            all += db.rows(QStringLiteral("SELECT '%1', * FROM %1").arg(QLatin1String(table.name)));
        all.sort();
        return all;
    };

    const Run first = run(kTool, {QStringLiteral("-o"), target, source});
    QCOMPARE(first.exitCode, 0);
    QVERIFY(first.out.contains(QStringLiteral("Écrit : ")) && !first.out.contains(QStringLiteral("secret")));
    QCOMPARE(rows(), expected);
    for (const QString &line : summary)
        QVERIFY2(first.out.split(QLatin1Char('\n')).contains(line), qPrintable(first.out));
    if (!summary.isEmpty())
        QVERIFY2(expected.contains(QString::fromUtf16(u"TELE|Agence \ufffd|01|P|R|Rue du Nord|Nord")),
                 qPrintable(expected.join('\n')));
    const Run again = run(kTool, {QStringLiteral("-o"), target, source});
    QCOMPARE(again.exitCode, 1);
    QVERIFY2(again.err.contains(test::TestDatabase::onServer() ? QStringLiteral("contient déjà des lignes")
                                                               : QStringLiteral("existe déjà")),
             qPrintable(again.err));
    QCOMPARE(run(kTool, {QStringLiteral("--force"), QStringLiteral("-o"), target, source}).exitCode, 0);
    QCOMPARE(rows(), expected); // replaced, not added to
}

void TestImportTool::upgradesInPlace()
{
    // A database as earlier versions made it, on the run's engine, its rows
    // in an order of their own: one deleted, one changed (which moves it on
    // a server), one added.
    test::TestDatabase db;
    db.createWithoutKeys();
    for (const char *street : {"Rue Haute", "Rue Basse", "Impasse du Puits", "Allée des Cèdres"})
        db.insert("QRT", {QString::fromUtf8(street), "16001", "Tazurellekt"});
    db.exec(QStringLiteral("DELETE FROM QRT WHERE QUARTIER = 'Rue Basse'"));
    db.exec(QStringLiteral("UPDATE QRT SET CPOSTALE = '16002' WHERE QUARTIER = 'Rue Haute'"));
    db.insert("QRT", {"Place Neuve", QVariant(), "Tazurellekt"});
    // The rows as the program shows them.
    const auto shown = [&] {
        auto connection = Database(db.path()).connect();
        const auto result = connection.value()->load(QStringLiteral("select * from QRT "));
        QStringList rows;
        for (int r = 0; result && r < result->rows.rowCount(); ++r)
            rows << result->rows.text(r, 0) + '|' + result->rows.text(r, 1);
        return rows;
    };
    const QStringList before = shown();
    QCOMPARE(before.size(), 4);

    const Run upgraded = run(kTool, {QStringLiteral("--upgrade"), QStringLiteral("-o"), db.path()});
    QCOMPARE(upgraded.exitCode, 0);
    QCOMPARE(upgraded.out.count(QStringLiteral("clé CLE ajoutée")), 3);
    QVERIFY2(upgraded.out.contains(QStringLiteral("QRT : 4 ligne(s)")), qPrintable(upgraded.out));
    QCOMPARE(shown(), before);
    QStringList keys;
    for (int i = 1; i <= before.size(); ++i)
        keys << before[i - 1].section('|', 0, 0) + '|' + QString::number(i);
    QCOMPARE(db.rows(QStringLiteral("SELECT QUARTIER, CLE FROM QRT ORDER BY CLE")), keys);
    // A row added now takes the next key; a second upgrade changes nothing.
    db.insert("QRT", {"Chemin Vert", "16003", "Tazurellekt"});
    QCOMPARE(db.rows(QStringLiteral("SELECT CLE FROM QRT WHERE QUARTIER = 'Chemin Vert'")), QStringList{"5"});
    const Run again = run(kTool, {QStringLiteral("--upgrade"), QStringLiteral("-o"), db.path()});
    QCOMPARE(again.exitCode, 0);
    QCOMPARE(again.out.count(QStringLiteral("avait déjà la clé CLE")), 3);
    if (test::TestDatabase::onServer())
        return;
    // The file was put in place whole, the old one kept; the sqlite3 tool finds it sound.
    const QStringList files = filesIn(QFileInfo(db.path()).path());
    QCOMPARE(files.size(), 2);
    QVERIFY(upgraded.out.contains(QFileInfo(db.path()).path() + '/' + files.last()));
    QCOMPARE(tableRows(QFileInfo(db.path()).dir().filePath(files.last())).size(), 4);
    QProcess sqlite;
    sqlite.start(QStringLiteral("sqlite3"), {db.path(), QStringLiteral("PRAGMA integrity_check;")});
    QVERIFY2(sqlite.waitForFinished(), "the sqlite3 command line tool is needed");
    QCOMPARE(QString::fromUtf8(sqlite.readAllStandardOutput()).trimmed(), QStringLiteral("ok"));
}

void TestImportTool::passwordsNeverShown_data()
{
    const QString server = test::TestDatabase::onServer() ? test::TestDatabase().path() : QString();
    test::addSecretAddressRows(server);
}

void TestImportTool::passwordsNeverShown()
{
    // Both tools, as a user runs them: what they print and their stderr.
    QFETCH(QString, address);
    QFETCH(QStringList, secrets);
    QFETCH(QString, shown);
    QFETCH(bool, warned);
    const Run runs[] = {run(kSample, {QStringLiteral("-o"), address}),
                        run(kTool, {QStringLiteral("-o"), address, jetFile("codes_tele_qrt_jet4.mdb")})};
    for (const Run &r : runs) {
        const QString all = r.out + r.err;
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(test::shownSecret(all, secrets).isEmpty(), qPrintable(all));
        QVERIFY2(r.err.contains(shown.section(QStringLiteral(", utilisateur"), 0, 0)), qPrintable(all));
        QCOMPARE(r.err.contains(QStringLiteral("est visible de tous les utilisateurs de cette machine")), warned);
    }
}

// clang-format off
void TestImportTool::plantedFunctionsNeverRun_data()
{
    // Where the owner keeps the data (%O the owner, %C a counter, %D the
    // database), and what the owner's first fill adds to the address.
    QTest::addColumn<QString>("setUp");
    QTest::addColumn<QString>("schema");
    QTest::addColumn<QString>("firstFill");
    QTest::newRow("own schema, the database's path")
        << "CREATE SCHEMA tavro AUTHORIZATION %O; ALTER DATABASE %D SET search_path = tavro" << "tavro" << "";
    QTest::newRow("own schema, found by its table CODE") << "CREATE SCHEMA tavro AUTHORIZATION %O" << "tavro"
                                                         << " options=-csearch_path=tavro";
    QTest::newRow("public, as before PostgreSQL 15") << "" << "public" << "";
}
// clang-format on

void TestImportTool::plantedFunctionsNeverRun()
{
    // A counter who may create in public shadows what the tools and the
    // program call; each shadow would write a marker row with the rights of
    // whoever runs it. The owner then fills, replaces, reads and saves.
    if (!test::TestDatabase::onServer())
        QSKIP("a server's matter");
    QFETCH(QString, setUp);
    QFETCH(QString, schema);
    QFETCH(QString, firstFill);
    static int made = 0;
    const QString owner = QStringLiteral("tavro_owner_%1_%2").arg(QCoreApplication::applicationPid()).arg(++made);
    const QString counter = QStringLiteral("tavro_counter_%1_%2").arg(QCoreApplication::applicationPid()).arg(made);
    test::TestDatabase db;
    db.create(false);
    const auto named = [&](QString sql) {
        return sql.replace(QLatin1String("%O"), owner)
            .replace(QLatin1String("%C"), counter)
            .replace(QLatin1String("%D"), db.name());
    };
    db.exec(named(QStringLiteral("CREATE ROLE %O LOGIN; CREATE ROLE %C LOGIN; ALTER DATABASE %D OWNER TO %O; "
                                 "GRANT CREATE ON SCHEMA public TO %C; CREATE TABLE public.marker (what text); "
                                 "GRANT INSERT ON public.marker TO PUBLIC; "))
            + named(setUp));
    const auto plant = [](const char *signature, const char *type, const char *body) {
        return QStringLiteral("CREATE FUNCTION public.%1 RETURNS %2 LANGUAGE sql AS $$ SELECT CASE WHEN public.planted('%1') "
                              "THEN %3 END $$; ")
            .arg(QLatin1String(signature), QLatin1String(type), QLatin1String(body));
    };
    QStringList code;
    for (const QString &c : columnNames(kTables[0]))
        code << QStringLiteral("'Z' AS ") + c;
    db.exec(QStringLiteral("CREATE FUNCTION public.planted(what text) RETURNS boolean LANGUAGE sql AS "
                           "$$ INSERT INTO public.marker VALUES (what) RETURNING true $$; ")
                + plant("upper(name)", "text", "pg_catalog.upper($1::text)")
                + plant("quote_ident(name)", "text", "pg_catalog.quote_ident($1::text)")
                + plant("to_regclass(text)", "regclass", "pg_catalog.to_regclass($1)")
                + plant("currtid2(text, tid)", "tid", "pg_catalog.currtid2($1, $2)")
                + plant("pg_encoding_to_char(integer)", "name", "pg_catalog.pg_encoding_to_char($1)")
                + plant("current_database()", "name", "pg_catalog.current_database()")
                + plant("oid_is(oid, regclass)", "boolean", "$1 OPERATOR(pg_catalog.=) $2::oid")
                + QStringLiteral("CREATE OPERATOR public.= (LEFTARG = oid, RIGHTARG = regclass, FUNCTION = public.oid_is); ")
                + (schema == QLatin1String("public")
                       ? QString()
                       : QStringLiteral("CREATE VIEW public.code AS SELECT %1 WHERE public.planted('code'); "
                                        "GRANT SELECT ON public.code TO PUBLIC")
                             .arg(code.join(QStringLiteral(", ")))),
            counter);

    const QString address = db.asRole(owner);
    QCOMPARE(run(kSample, {QStringLiteral("-o"), address + firstFill}).exitCode, 0);
    const Run import = run(kTool, {QStringLiteral("--force"), QStringLiteral("-o"), address, jetFile("codes_tele_qrt_jet4.mdb")});
    QVERIFY2(import.exitCode == 0, qPrintable(import.err));
    QCOMPARE(db.rows(QStringLiteral("SELECT count(*) FROM %1.CODE").arg(schema)), QStringList{"5"});
    // A window's look-up and save, on the data's CODE (never public's view).
    RecordSource codes;
    codes.setDatabase(address);
    codes.setRecordSource(QStringLiteral("SELECT * FROM CODE WHERE AGENCE LIKE '%' ORDER BY AGENCE"));
    QVERIFY(codes.refresh().ok());
    QCOMPARE(codes.recordCount(), qint64(5));
    QVERIFY(codes.setData(codes.index(0, codes.columnIndex(QStringLiteral("AGENCE"))), QStringLiteral("Agence du Piège")));
    QVERIFY(codes.update().ok());
    QCOMPARE(db.rows(QStringLiteral("SELECT count(*) FROM %1.CODE WHERE AGENCE = 'Agence du Piège'").arg(schema)),
             QStringList{"1"});

    QCOMPARE(db.rows(QStringLiteral("SELECT what FROM public.marker")), QStringList());
    // The trap is set: called by name, a shadow writes its row.
    db.exec(QStringLiteral("SELECT public.upper('x'::name)"), owner);
    QCOMPARE(db.rows(QStringLiteral("SELECT what FROM public.marker")), QStringList{"upper(name)"});
}

QTEST_GUILESS_MAIN(TestImportTool)
#include "tst_importtool.moc"
