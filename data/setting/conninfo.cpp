// Connection strings read by libpq itself, not by patterns: libpq knows
// every key, both forms, percent-encoding and quoting, including what a
// later version adds. What is shown is rebuilt from what it read.
#include "data/setting/conninfo.h"

#include <QHash>
#include <QList>

#include <libpq-fe.h>

#include <algorithm>
#include <optional>

namespace tavro {

namespace {

struct Option {
    QByteArray keyword;
    QString value;
    bool secret; // libpq's display mark '*': a password
    bool plain;  // no mark: neither a password nor a debugging option
};

// The options the string gives, in libpq's order; nothing when libpq cannot
// read it. libpq's own complaint quotes pieces of the string: never kept.
std::optional<QList<Option>> parsed(const QString &conninfo)
{
    char *error = nullptr;
    PQconninfoOption *options = PQconninfoParse(conninfo.toUtf8().constData(), &error);
    PQfreemem(error);
    if (!options)
        return std::nullopt;
    QList<Option> given;
    for (const PQconninfoOption *o = options; o->keyword; ++o) {
        if (!o->val || !*o->val)
            continue;
        const QByteArray mark(o->dispchar ? o->dispchar : "");
        given.push_back({QByteArray(o->keyword), QString::fromUtf8(o->val), mark.contains('*'), mark.isEmpty()});
    }
    PQconninfoFree(options);
    return given;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Where the text stops reading as `secret` when read from `at`: each byte
// as it is, percent-encoded, or after a backslash (libpq's key=value
// escape). -1 when it does not read as it.
qsizetype secretEnd(const QByteArray &text, qsizetype at, const QByteArray &secret)
{
    QList<qsizetype> ends{at};
    for (const char wanted : secret) {
        QList<qsizetype> next;
        for (const qsizetype i : ends) {
            if (i < text.size() && text[i] == wanted)
                next << i + 1;
            if (i + 2 < text.size() && text[i] == '%' && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0
                && char(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2])) == wanted)
                next << i + 3;
            if (i + 1 < text.size() && text[i] == '\\' && text[i + 1] == wanted)
                next << i + 2;
        }
        if (next.isEmpty())
            return -1;
        std::sort(next.begin(), next.end());
        next.erase(std::unique(next.begin(), next.end()), next.end());
        ends = next;
    }
    return ends.constLast();
}

QString shownValue(const QString &value)
{
    if (!value.contains(QLatin1Char(' ')) && !value.contains(QLatin1Char(',')) && !value.contains(QLatin1Char('\'')))
        return value;
    QString q = value;
    q.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('\''), QLatin1String("\\'"));
    return QLatin1Char('\'') + q + QLatin1Char('\'');
}

} // namespace

bool readableConnection(const QString &conninfo)
{
    if (!parsed(conninfo))
        return false;
    // libpq takes the credentials of a URI up to its first "@" that comes
    // before the first "/"; any other "@" before the query means a password
    // that held a raw "/" or "@", read otherwise.
    for (const QLatin1String scheme : {QLatin1String("postgresql://"), QLatin1String("postgres://")}) {
        if (!conninfo.startsWith(scheme))
            continue;
        const QString authorityAndPath = conninfo.mid(scheme.size()).section(QLatin1Char('?'), 0, 0);
        const qsizetype at = authorityAndPath.indexOf(QLatin1Char('@'));
        const qsizetype slash = authorityAndPath.indexOf(QLatin1Char('/'));
        return authorityAndPath.count(QLatin1Char('@')) <= 1 && (at < 0 || slash < 0 || at < slash);
    }
    return true;
}

bool holdsPassword(const QString &conninfo)
{
    const auto options = parsed(conninfo);
    return options && std::any_of(options->begin(), options->end(), [](const Option &o) { return o.secret; });
}

QString shownConnection(const QString &conninfo, ConnectionShown form)
{
    const auto options = readableConnection(conninfo) ? parsed(conninfo) : std::nullopt;
    if (!options)
        return QStringLiteral("(adresse illisible)");
    QHash<QByteArray, QString> given;
    for (const Option &o : *options) {
        if (!o.secret)
            given.insert(o.keyword, o.value);
    }
    // What libpq would take where the string is silent.
    const auto value = [&](const char *keyword, const char *variable, const QString &fallback) {
        const QString v = given.value(keyword, QString::fromLocal8Bit(qgetenv(variable)));
        return v.isEmpty() ? fallback : v;
    };
    const QString host = value("host", "PGHOST", value("hostaddr", "PGHOSTADDR", QStringLiteral("local")));
    QString shown = QStringLiteral("%1 sur le serveur %2 (port %3)")
                        .arg(value("dbname", "PGDATABASE", QStringLiteral("(par défaut)")), host,
                             value("port", "PGPORT", QStringLiteral("5432")));
    if (form == ConnectionShown::Whole) {
        if (const QString user = value("user", "PGUSER", {}); !user.isEmpty())
            shown += QStringLiteral(", utilisateur ") + user;
        static const QList<QByteArray> placeKeys = {"dbname", "host", "hostaddr", "port", "user"};
        for (const Option &o : *options) {
            if (o.plain && !placeKeys.contains(o.keyword))
                shown += QStringLiteral(", ") + QString::fromLatin1(o.keyword) + QLatin1Char('=') + shownValue(o.value);
        }
    }
    // A password may be written elsewhere too (a user named as it).
    return withoutSecrets(shown, conninfo);
}

QString withoutSecrets(const QString &text, const QString &conninfo)
{
    QString bare = text;
    if (const QString raw = conninfo.trimmed(); !raw.isEmpty())
        bare.replace(raw, QLatin1String("***"));
    QList<QByteArray> secrets;
    if (const auto options = parsed(conninfo)) {
        for (const Option &o : *options) {
            if (o.secret)
                secrets << o.value.toUtf8();
        }
    }
    if (secrets.isEmpty())
        return bare;
    const QByteArray bytes = bare.toUtf8();
    QByteArray out;
    for (qsizetype i = 0; i < bytes.size();) {
        qsizetype end = -1;
        for (const QByteArray &secret : secrets)
            end = std::max(end, secretEnd(bytes, i, secret));
        if (end > i) {
            out += "***";
            i = end;
        } else {
            out += bytes[i++];
        }
    }
    return QString::fromUtf8(out);
}

QString passwordOnCommandLineWarning(const QString &program, const QString &option)
{
    return QStringLiteral("%1 : attention, le mot de passe écrit dans l'option %2 est visible de tous les utilisateurs de "
                          "cette machine (dans la liste des processus). Sa place est le fichier ~/.pgpass de l'utilisateur "
                          "(mode 600) ; l'adresse se donne alors sans lui.")
        .arg(program, option);
}

} // namespace tavro
