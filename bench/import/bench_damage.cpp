// What the importer makes of damaged copies of an Access file: cut at
// several points, and with 1 to 64 bytes changed by a fixed list of seeds.
// Each copy goes through the real tool under a time and memory limit, and
// the outcome is counted. Prints figures; asserts nothing.
//   bench_import_damage [--tool PATH] [--file PATH | --rows N] [--seeds N] [--verbose] [--keep DIR]
// --keep leaves in DIR the files of the sound texts and damage classes, to
// seed the reader's fuzzing with.
// --rows writes a file with N rows in TELE and in QRT from the shared one.
// Before the damaged copies, two sound files that a careless reader gets
// wrong: rows moved to another page (some deleted after they moved), and
// text beyond the Basic Multilingual Plane; then sound texts that are easy to
// refuse or change, and classes of damage that are easy to pass over, each
// made at a computed place of a sound file, one outcome a class.
#include "support/jetfiles.h"
#include "support/jetlayout.h"
#include "support/jetwriter.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTextStream>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include <map>
#include <random>
#include <sys/resource.h>

using namespace tavro;

namespace {

// A leading U+FEFF is part of a value: QString::fromUtf8() would drop it.
QString text(const char *utf8)
{
    return QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom)(QByteArray(utf8));
}

// Every row of the three tables, in the file's order.
QStringList dump(const QString &path)
{
    QStringList rows;
    try {
        SQLite::Database db(QFile::encodeName(path).toStdString(), SQLite::OPEN_READONLY);
        for (const char *table : {"CODE", "TELE", "QRT"}) {
            SQLite::Statement st(db, std::string("SELECT * FROM ") + table + " ORDER BY rowid");
            while (st.executeStep()) {
                QString row = QLatin1String(table);
                for (int i = 0; i < st.getColumnCount(); ++i)
                    row += QLatin1Char('|')
                           + (st.getColumn(i).isNull() ? QStringLiteral("<null>") : text(st.getColumn(i).getText()));
                rows << row;
            }
        }
    } catch (const std::exception &e) {
        rows << QStringLiteral("unreadable: ") + QString::fromUtf8(e.what());
    }
    return rows;
}

QString countsOf(const QStringList &rows)
{
    std::map<QString, int> counts;
    for (const QString &r : rows)
        ++counts[r.section(QLatin1Char('|'), 0, 0)];
    QStringList parts;
    for (const auto &[table, n] : counts)
        parts << QStringLiteral("%1 %2").arg(table).arg(n);
    return parts.join(QLatin1String(", "));
}

const QString kModel = test::jetFile("codes_tele_qrt_jet4.mdb");

jetwriter::Row row(const QStringList &values)
{
    jetwriter::Row r;
    for (const QString &v : values)
        r.values << std::optional<QString>(v);
    return r;
}

// Invented offices and streets, n of each.
QList<jetwriter::Table> largeTables(int n)
{
    jetwriter::Table code{QStringLiteral("CODE"), {}, {}};
    jetwriter::Table tele{QStringLiteral("TELE"), {}, {}};
    jetwriter::Table qrt{QStringLiteral("QRT"), {}, {}};
    for (int i = 0; i < 5; ++i)
        code.rows << row({QStringLiteral("Agence %1").arg(i), QString::number(10000 + i),
                          QStringLiteral("PROVINCE %1").arg(i % 7), QStringLiteral("DR %1").arg(i % 3)});
    for (int i = 0; i < n; ++i) {
        tele.rows << row({QStringLiteral("Agence %1").arg(i), QStringLiteral("0500-%1").arg(i, 6, 10, QLatin1Char('0')),
                          QStringLiteral("PROVINCE %1").arg(i % 97), QStringLiteral("DR %1").arg(i % 9),
                          QStringLiteral("%1, rue des Essais").arg(i % 300),
                          QStringLiteral("0500-9%1").arg(i, 6, 10, QLatin1Char('0'))});
        qrt.rows << row({QStringLiteral("Quartier n° %1 des Tilleuls").arg(i), QString::number(10000 + i % 90000),
                         QStringLiteral("VILLE-%1").arg(i % 500)});
    }
    return {code, tele, qrt};
}

struct Outcome {
    QString kind;
    QString note;
};

Outcome runTool(const QString &tool, const QString &source, const QStringList &reference)
{
    QTemporaryDir out;
    const QString target = out.filePath(QStringLiteral("BD2003.mdb"));
    QProcess p;
    p.setChildProcessModifier([] {
        const rlimit memory{1024ul << 20, 1024ul << 20};
        setrlimit(RLIMIT_AS, &memory);
    });
    p.start(tool, {QStringLiteral("-o"), target, source});
    if (!p.waitForFinished(20000)) {
        p.kill();
        p.waitForFinished();
        return {QStringLiteral("hang (20 s)"), {}};
    }
    const QString err = QString::fromUtf8(p.readAllStandardError()).simplified();
    if (p.exitStatus() != QProcess::NormalExit)
        return {QStringLiteral("crash"), err.left(100)};
    const QStringList left = QDir(out.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    if (p.exitCode() != 0) {
        if (!left.isEmpty())
            return {QStringLiteral("failed, files left"), left.join(QLatin1Char(' '))};
        return {QStringLiteral("failed cleanly"), err.left(160)};
    }
    const QStringList rows = dump(target);
    if (rows == reference)
        return {QStringLiteral("written, same rows"), {}};
    if (countsOf(rows) != countsOf(reference))
        return {QStringLiteral("written, WRONG row counts"), countsOf(rows)};
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (rows[i] != reference[i])
            return {QStringLiteral("written, same counts, changed text"),
                    rows[i].left(80) + QStringLiteral(" instead of ") + reference[i].left(80)};
    }
    return {QStringLiteral("written, same counts, changed text"), {}};
}

QString written(const QString &folder, const QString &name, const QByteArray &bytes)
{
    const QString path = QDir(folder).filePath(name);
    return test::writeAll(path, bytes) ? path : QString();
}

QByteArray writtenBytes(const QString &path, const QList<jetwriter::Table> &tables)
{
    if (!jetwriter::write(kModel, path, tables))
        return {};
    return test::readAll(path);
}

// Sound texts: each read whole, or refused, or read otherwise; and damage
// that the file's own structure shows, each given the true values or refused.
void classes(const QString &tool, const QString &keep, QTextStream &out)
{
    using jetlayout::get;
    using jetlayout::put;
    QTemporaryDir dir;
    const QString feff(QChar(0xfeff));
    jetwriter::Row plain{
        {QStringLiteral("Agence Zéro"), feff + QStringLiteral("10000"), QStringLiteral("P"), QStringLiteral("R")}};
    jetwriter::Row odd{{QString::fromUtf16(u"Agence \xd800"), QStringLiteral("01"), QStringLiteral("P"), QStringLiteral("R"),
                        QStringLiteral("Rue"), QStringLiteral("{12345678-9abc-def0-1234-56789abcdef0}")}};
    jetwriter::Row nul{{QStringLiteral("Quartier\0Nord"), QStringLiteral("10000"), QStringLiteral("VILLE")}};
    const struct {
        const char *label;
        jetwriter::Table table;
        QString expected; // the row as a sound reader gives it
    } sound[] = {
        {"U+FEFF first, column without compression",
         {QStringLiteral("CODE"), {plain}, {}, {QStringLiteral("CPOSTALE")}},
         QStringLiteral("CODE|Agence Zéro|") + feff + QStringLiteral("10000|P|R")},
        {"half a UTF-16 pair, an identifier",
         {QStringLiteral("TELE"), {odd}, {}, {}, {QStringLiteral("FAX")}},
         QString::fromUtf16(u"TELE|Agence \ufffd|01|P|R|Rue|{12345678-9ABC-DEF0-1234-56789ABCDEF0}")},
        {"NUL in a text", {QStringLiteral("QRT"), {nul}, {}}, QStringLiteral("QRT|QuartierNord|10000|VILLE")},
    };
    out << "sound texts:\n";
    for (const auto &c : sound) {
        const QString path = dir.filePath(QStringLiteral("sound.mdb"));
        jetwriter::write(kModel, path, {c.table});
        if (!keep.isEmpty())
            QFile::copy(path, QDir(keep).filePath(QString::fromLatin1(c.label) + QStringLiteral(".mdb")));
        QTemporaryDir target;
        QProcess p;
        p.start(tool, {QStringLiteral("-o"), target.filePath(QStringLiteral("BD2003.mdb")), path});
        p.waitForFinished(20000);
        const QString said = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()).simplified();
        const QStringList rows = dump(target.filePath(QStringLiteral("BD2003.mdb")));
        const QString table = c.expected.section(QLatin1Char('|'), 0, 0);
        const QString got = rows.filter(QRegularExpression(QLatin1Char('^') + table)).value(0);
        out << "  " << c.label << ": "
            << (p.exitCode() != 0   ? QStringLiteral("refused (") + said.left(140) + QLatin1Char(')')
                : got == c.expected ? QStringLiteral("read whole")
                                    : QStringLiteral("read otherwise (\"") + got + QStringLiteral("\")"))
            << (said.contains(QLatin1String("valeur(s)")) ? QStringLiteral(", counted") : QString()) << '\n';
    }

    // The sound files the damage is made in, and what they give.
    const QByteArray codes = writtenBytes(dir.filePath(QStringLiteral("codes.mdb")), {});
    jetwriter::Table code{QStringLiteral("CODE"), {}, {}};
    for (int i = 0; i < 34; ++i) {
        jetwriter::Row r{
            {QStringLiteral("Agence %1").arg(i), QString::number(10000 + i), QStringLiteral("P"), QStringLiteral("R")}};
        r.moved = i % 3 == 1;
        r.deleted = i % 6 == 1;
        code.rows << r;
    }
    const QByteArray moved = writtenBytes(dir.filePath(QStringLiteral("moved.mdb")), {code});
    jetwriter::Table memos{QStringLiteral("TELE"), {}, {QStringLiteral("ADRESSE")}};
    for (const QString &address : {QStringLiteral("Allée des Érables, ").repeated(120), QStringLiteral("Rue courte"),
                                   QStringLiteral("Note 🎵 ").repeated(600)})
        memos.rows << jetwriter::Row{
            {QStringLiteral("Agence"), QStringLiteral("01"), QStringLiteral("P"), QStringLiteral("R"), address, std::nullopt}};
    const QByteArray memo = writtenBytes(dir.filePath(QStringLiteral("memos.mdb")), {memos});

    QList<jetlayout::Slot> pointers = jetlayout::rowSlots(moved, QStringLiteral("CODE"));
    pointers.removeIf([](const jetlayout::Slot &s) { return s.flags != 0x4000; });
    const jetlayout::Slot live = jetlayout::liveRows(moved, QStringLiteral("CODE")).value(0);
    const jetlayout::Slot first = jetlayout::liveRows(codes, QStringLiteral("CODE")).value(0);
    const jetlayout::ColumnEntry postal = jetlayout::column(codes, QStringLiteral("CODE"), QStringLiteral("CPOSTALE"));
    const qsizetype region = jetlayout::column(codes, QStringLiteral("CODE"), QStringLiteral("REGION")).number;
    const jetlayout::Slot third = jetlayout::liveRows(memo, QStringLiteral("TELE")).value(2);
    const struct {
        const char *label;
        const QByteArray &sound;
        QByteArray damaged;
    } damaged[] = {
        {"count of variable columns lowered", codes,
         put(codes, jetlayout::varCount(codes, first), 2, get(codes, jetlayout::varCount(codes, first), 2) - 1)},
        {"text column marked fixed", codes, put(codes, postal.flags, 1, get(codes, postal.flags, 1) | 1)},
        {"column number beyond the table's count", codes, put(codes, region, 2, 4)},
        {"two columns of one number", codes, put(codes, region, 2, 2)},
        {"moved row leading to a live row", moved,
         put(put(moved, pointers.value(0).start, 1, quint32(live.slot)), pointers.value(0).start + 1, 3, live.page)},
        {"two moved rows leading to one place", moved,
         put(moved, pointers.value(1).start, 4, get(moved, pointers.value(0).start, 4))},
        {"memo on one page, declared shorter", memo, jetlayout::memoLength(memo, QStringLiteral("TELE"), 4, 0x40, -2)},
        {"memo in its row, declared past its row", memo, jetlayout::memoLength(memo, QStringLiteral("TELE"), 4, 0x80, 1)},
        {"memo on a chain, declared as long as its first page", memo, put(memo, jetlayout::varValue(memo, third, 4), 3, 4000)},
    };
    out << "damage the file's structure shows (the true values, or a refusal):\n";
    for (const auto &c : damaged) {
        QTemporaryDir refDir;
        QProcess::execute(tool, {QStringLiteral("-o"), refDir.filePath(QStringLiteral("ref.mdb")),
                                 written(dir.path(), QStringLiteral("sound.mdb"), c.sound)});
        const Outcome o = runTool(tool, written(dir.path(), QStringLiteral("damaged.mdb"), c.damaged),
                                  dump(refDir.filePath(QStringLiteral("ref.mdb"))));
        if (!keep.isEmpty())
            written(keep, QString::fromLatin1(c.label) + QStringLiteral(".mdb"), c.damaged);
        out << "  " << c.label << ": " << o.kind
            << (o.note.isEmpty() ? QString() : QStringLiteral(" (") + o.note + QLatin1Char(')')) << '\n';
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("tool"), QStringLiteral("Importer to run."), QStringLiteral("path"),
                      QCoreApplication::applicationDirPath() + QStringLiteral("/tavro-import")});
    parser.addOption({QStringLiteral("file"), QStringLiteral("Access file to damage."), QStringLiteral("path"), kModel});
    parser.addOption({QStringLiteral("rows"), QStringLiteral("Damage a generated file with n rows in TELE and QRT instead."),
                      QStringLiteral("n")});
    parser.addOption({QStringLiteral("seeds"), QStringLiteral("Mutated copies."), QStringLiteral("n"), QStringLiteral("400")});
    parser.addOption({QStringLiteral("verbose"), QStringLiteral("One line per copy.")});
    parser.addOption({QStringLiteral("keep"), QStringLiteral("Folder to leave the sound texts' and damage classes' files in."),
                      QStringLiteral("dir")});
    parser.process(app);
    const QString tool = parser.value(QStringLiteral("tool"));
    const bool verbose = parser.isSet(QStringLiteral("verbose"));
    QTextStream out(stdout);

    QTemporaryDir generated;
    QString source = parser.value(QStringLiteral("file"));
    if (parser.isSet(QStringLiteral("rows"))) {
        source = generated.filePath(QStringLiteral("large.mdb"));
        const Status written = jetwriter::write(kModel, source, largeTables(parser.value(QStringLiteral("rows")).toInt()));
        if (!written) {
            out << written.message() << '\n';
            return 1;
        }
    }

    // Sound files: rows that moved, some deleted after; characters beyond the BMP.
    {
        jetwriter::Table code{QStringLiteral("CODE"), {}, {}};
        int live = 0;
        for (int i = 0; i < 34; ++i) {
            jetwriter::Row r =
                row({QStringLiteral("Agence %1").arg(i), QString::number(10000 + i), QStringLiteral("P"), QStringLiteral("R")});
            r.moved = i % 3 == 1;
            r.deleted = i % 6 == 1 && i < 30;
            live += r.deleted ? 0 : 1;
            code.rows << r;
        }
        jetwriter::Table qrt{QStringLiteral("QRT"),
                             {row({QStringLiteral("Rue du Sol 𝄞 🎵"), QStringLiteral("10000"), QStringLiteral("VILLE-A")})},
                             {}};
        const QString moved = generated.filePath(QStringLiteral("moved.mdb"));
        jetwriter::write(kModel, moved, {code, qrt});
        QTemporaryDir dir;
        QProcess::execute(tool, {QStringLiteral("-o"), dir.filePath(QStringLiteral("m.mdb")), moved});
        const QStringList rows = dump(dir.filePath(QStringLiteral("m.mdb")));
        QStringList codes = rows.filter(QRegularExpression(QStringLiteral("^CODE")));
        QStringList inOrder = codes;
        std::sort(inOrder.begin(), inOrder.end(), [](const QString &a, const QString &b) {
            return a.section(QLatin1Char('|'), 2, 2).toInt() < b.section(QLatin1Char('|'), 2, 2).toInt();
        });
        out << "moved rows: CODE holds " << live << " rows (11 moved, 5 of them deleted after): read " << codes.size()
            << (codes == inOrder ? " in order" : " out of order") << '\n';
        const QStringList qrtRows = rows.filter(QRegularExpression(QStringLiteral("^QRT")));
        out << "beyond the BMP: \"Rue du Sol 𝄞 🎵\" read as \""
            << (qrtRows.isEmpty() ? QStringLiteral("(nothing)") : qrtRows.first().section(QLatin1Char('|'), 1, 1)) << "\"\n";
    }

    if (parser.isSet(QStringLiteral("keep")) && !QDir().mkpath(parser.value(QStringLiteral("keep")))) {
        out << "cannot make " << parser.value(QStringLiteral("keep")) << '\n';
        return 1;
    }
    classes(tool, parser.value(QStringLiteral("keep")), out);

    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        out << "cannot read " << in.fileName() << '\n';
        return 1;
    }
    const QByteArray original = in.readAll();
    QTemporaryDir work;
    const QString sound = work.filePath(QStringLiteral("sound.mdb"));
    {
        QFile f(sound);
        f.open(QIODevice::WriteOnly);
        f.write(original);
    }
    QTemporaryDir refDir;
    QProcess::execute(tool, {QStringLiteral("-o"), refDir.filePath(QStringLiteral("ref.mdb")), sound});
    const QStringList reference = dump(refDir.filePath(QStringLiteral("ref.mdb")));
    out << "file: " << in.fileName() << " (" << original.size() << " bytes), sound read: " << countsOf(reference) << '\n';
    out << "tool: " << tool << '\n';

    auto tryCopy = [&](const QByteArray &bytes, const QString &label, std::map<QString, int> *tally) {
        const QString path = work.filePath(QStringLiteral("damaged.mdb"));
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
        f.close();
        const Outcome o = runTool(tool, path, reference);
        if (tally)
            ++(*tally)[o.kind];
        if (!tally || verbose || o.kind.contains(QLatin1String("WRONG")) || o.kind == QLatin1String("crash")
            || o.kind.startsWith(QLatin1String("hang")))
            out << "  " << label << ": " << o.kind
                << (o.note.isEmpty() ? QString() : QStringLiteral(" (") + o.note + QLatin1Char(')')) << '\n';
        out.flush();
    };

    out << "truncated copies:\n";
    const qsizetype page = 4096;
    for (const auto &[label, size] :
         std::initializer_list<std::pair<const char *, qsizetype>>{{"4 KiB", 4096},
                                                                   {"64 KiB", 65536},
                                                                   {"half", original.size() / 2},
                                                                   {"95 %", original.size() * 95 / 100},
                                                                   {"all but the last page", original.size() - page}})
        tryCopy(original.left(size), QString::fromLatin1(label), nullptr);

    if (original.size() > 126452) {
        QByteArray one = original;
        one[126452] = char(0x4d);
        tryCopy(one, QStringLiteral("byte 126452 set to 0x4d"), nullptr);
    }

    const int seeds = parser.value(QStringLiteral("seeds")).toInt();
    std::map<QString, int> tally;
    for (int seed = 1; seed <= seeds; ++seed) {
        std::mt19937 rng{quint32(seed)};
        QByteArray bytes = original;
        const int changes = 1 + int(rng() % 64);
        for (int i = 0; i < changes; ++i)
            bytes[qsizetype(rng() % quint32(bytes.size()))] = char(rng() & 0xff);
        tryCopy(bytes, QStringLiteral("seed %1 (%2 bytes)").arg(seed).arg(changes), &tally);
    }
    out << seeds << " mutated copies (seeds 1 to " << seeds << ", 1 to 64 random bytes each):\n";
    for (const auto &[kind, n] : tally)
        out << "  " << kind << ": " << n << '\n';
    return 0;
}
