#include "data/setting/databasesetting.h"

#include "data/databasekind.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace tavro {

namespace {

DatabaseSetting g_setting;

// A server's connection string is kept as written.
QString fromFolder(const QString &value, const QDir &folder)
{
    return databaseKind(value, folder) == DatabaseKind::Server ? value : QDir::cleanPath(folder.absoluteFilePath(value));
}

// A settings file is written once for many sessions and started from no
// particular folder: "~/" is the home folder, other relative paths start
// beside the file.
QString fromSettingsFile(const QString &value, const QFileInfo &file, const QString &home)
{
    if (!home.isEmpty() && (value == QLatin1String("~") || value.startsWith(QLatin1String("~/"))))
        return QDir::cleanPath(home + value.mid(1));
    return fromFolder(value, file.absoluteDir());
}

QString settingsValue(const QString &file)
{
    const QSettings conf(file, QSettings::IniFormat);
    const QVariant v = conf.value(QLatin1String(kDatabaseKey));
    // An unquoted comma makes QSettings read a list; the value meant is the line.
    const QString value = v.typeId() == QMetaType::QStringList ? v.toStringList().join(QLatin1Char(',')) : v.toString();
    return value.trimmed();
}

// The XDG base directory rules: $XDG_CONFIG_HOME, else ~/.config, for the
// user; each absolute folder of $XDG_CONFIG_DIRS, else /etc/xdg, for the system.
QString userSettingsFile(const QProcessEnvironment &env)
{
    QString folder = env.value(QStringLiteral("XDG_CONFIG_HOME"));
    if (QDir::isRelativePath(folder)) {
        const QString home = env.value(QStringLiteral("HOME"));
        folder = home.isEmpty() ? QString() : home + QStringLiteral("/.config");
    }
    return folder.isEmpty() ? QString() : QDir(folder).filePath(QStringLiteral("tavro/") + QLatin1String(kSettingsFileName));
}

QStringList systemSettingsFiles(const QProcessEnvironment &env)
{
    QStringList files;
    for (const QString &folder : env.value(QStringLiteral("XDG_CONFIG_DIRS")).split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(folder))
            files << QDir(folder).filePath(QStringLiteral("tavro/") + QLatin1String(kSettingsFileName));
    }
    if (files.isEmpty())
        files << QStringLiteral("/etc/xdg/tavro/") + QLatin1String(kSettingsFileName);
    return files;
}

} // namespace

bool DatabaseSetting::isNamed() const
{
    return source != DatabaseSource::None;
}

QString DatabaseSetting::fileOr(const QString &fallback) const
{
    return isNamed() && databaseKind(value) == DatabaseKind::File ? value : fallback;
}

QStringList settingsFilePlaces(const QProcessEnvironment &env)
{
    const QString user = userSettingsFile(env);
    return (user.isEmpty() ? QStringList() : QStringList{user}) + systemSettingsFiles(env);
}

namespace {

bool saysOff(const QString &value)
{
    static const QStringList off{QStringLiteral("off"), QStringLiteral("non"), QStringLiteral("false"), QStringLiteral("0")};
    return off.contains(value.trimmed(), Qt::CaseInsensitive);
}

bool localCopyWanted(const QProcessEnvironment &env)
{
    if (env.contains(QLatin1String(kLocalCopyVariable)))
        return !saysOff(env.value(QLatin1String(kLocalCopyVariable)));
    for (const QString &place : settingsFilePlaces(env)) {
        if (!QFileInfo(place).isReadable())
            continue;
        const QSettings conf(place, QSettings::IniFormat);
        if (conf.contains(QLatin1String(kLocalCopyKey)))
            return !saysOff(conf.value(QLatin1String(kLocalCopyKey)).toString());
    }
    return true;
}

DatabaseSetting resolveDatabase(const std::optional<QString> &option, const QProcessEnvironment &env);

} // namespace

DatabaseSetting resolveDatabaseSetting(const std::optional<QString> &option, const QProcessEnvironment &env)
{
    DatabaseSetting s = resolveDatabase(option, env);
    s.localCopy = localCopyWanted(env);
    return s;
}

namespace {

DatabaseSetting resolveDatabase(const std::optional<QString> &option, const QProcessEnvironment &env)
{
    DatabaseSetting s;
    if (option && !option->trimmed().isEmpty()) {
        s.value = fromFolder(option->trimmed(), QDir::current());
        s.source = DatabaseSource::Option;
        return s;
    }
    const QString variable = env.value(QLatin1String(kDatabaseVariable)).trimmed();
    if (!variable.isEmpty()) {
        s.value = fromFolder(variable, QDir::current());
        s.source = DatabaseSource::Environment;
        return s;
    }
    const QString user = userSettingsFile(env);
    for (const QString &place : settingsFilePlaces(env)) {
        const QFileInfo info(place);
        if (!info.isFile())
            continue;
        if (!info.isReadable()) {
            s.unreadable << place;
            continue;
        }
        const QString value = settingsValue(place);
        if (value.isEmpty())
            continue;
        s.value = fromSettingsFile(value, info, env.value(QStringLiteral("HOME")));
        s.source = place == user ? DatabaseSource::UserFile : DatabaseSource::SystemFile;
        s.settingsFile = info.absoluteFilePath();
        return s;
    }
    return s;
}

} // namespace

QString shownDatabase(const QString &value, ConnectionShown form)
{
    if (databaseKind(value) == DatabaseKind::File)
        return QDir::toNativeSeparators(QFileInfo(value).absoluteFilePath());
    return shownConnection(value, form);
}

QString sourceDescription(const DatabaseSetting &setting, bool french)
{
    const QString file = QDir::toNativeSeparators(setting.settingsFile);
    switch (setting.source) {
    case DatabaseSource::Option:
        return french ? QStringLiteral("l'option --database") : QStringLiteral("the --database option");
    case DatabaseSource::Environment:
        return french ? QStringLiteral("la variable d'environnement %1").arg(QLatin1String(kDatabaseVariable))
                      : QStringLiteral("the %1 environment variable").arg(QLatin1String(kDatabaseVariable));
    case DatabaseSource::UserFile:
    case DatabaseSource::SystemFile:
        return french ? QStringLiteral("le fichier de réglages %1").arg(file) : QStringLiteral("the settings file %1").arg(file);
    case DatabaseSource::None:
        break;
    }
    return french ? QStringLiteral("aucun réglage") : QStringLiteral("no setting");
}

void useDatabaseSetting(const DatabaseSetting &setting)
{
    g_setting = setting;
}

const DatabaseSetting &databaseSetting()
{
    return g_setting;
}

QString databaseOr(const QString &fallback)
{
    return g_setting.isNamed() ? g_setting.value : fallback;
}

} // namespace tavro
