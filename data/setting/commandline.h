#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QTranslator>

#include <functional>
#include <optional>

class QCoreApplication;

namespace tavro {

// True when the user's locale is French: the command line speaks French
// then, English otherwise.
bool frenchLocale();
QString byLocale(const QString &french, const QString &english);

// The command-line manners the program and its tools share: name and
// version, Qt's own parser texts in the user's language, -h/--help and
// -v/--version on standard output, and every refusal on standard error
// with exit status 2.
class CommandLine {
public:
    // The description heads the help; it is written when the help is asked
    // for, so it may tell what the options given would do.
    using Describe = std::function<QString(const QCommandLineParser &)>;
    CommandLine(QCoreApplication &app, Describe describe);

    QCommandLineParser &parser() { return m_parser; }

    // Parses the program's arguments. Returns the exit status when the
    // program ends here (help or version printed: 0; refused: 2), nothing
    // when it goes on.
    std::optional<int> parse();

    // A usage error found after parsing, on standard error with the way to
    // the help: returns 2.
    int refuse(const QString &message) const;

    // The tools' -o/--output: a file or a server's database, by default the
    // file the program uses (the one named for it, else the one beside the
    // tool). Returns the option's name.
    QString addOutputOption();

    // An option that may name a server database: a password given in it
    // is taken, with a warning on standard error that others can read it.
    void warnOfPasswordIn(const QString &option) { m_databaseOptions << option; }

private:
    Describe m_describe;
    QTranslator m_qtTexts;
    QCommandLineParser m_parser;
    QCommandLineOption m_help;
    QCommandLineOption m_version;
    QStringList m_databaseOptions;
};

} // namespace tavro
