#include "data/setting/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace tavro {

QString displayPath(const QString &path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

QString shellQuoted(const QString &word)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_@%+=:,./-]+$"));
    if (plain.match(word).hasMatch())
        return word;
    QString quoted = word;
    quoted.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString toolCommand(const QString &tool)
{
    // The tools are built and installed beside the program.
    const QString folder = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    return shellQuoted(folder.isEmpty() ? tool : QDir::toNativeSeparators(QDir(folder).filePath(tool)));
}

QString importCommandFor(const QString &accessFile)
{
    // The converter writes the new file where the Access one is and keeps
    // that one beside it as a backup, so the command fits whichever path
    // found the Access file.
    const QString file = shellQuoted(displayPath(accessFile));
    return QStringLiteral("%1 --force -o %2 %2").arg(toolCommand(QStringLiteral("tavro-import")), file);
}

} // namespace tavro
