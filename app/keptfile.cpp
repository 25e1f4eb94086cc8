#include "app/keptfile.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcessEnvironment>
#include <QSaveFile>

namespace tavro {

namespace {

constexpr int kFormat = 1;
const QString kFileName = QStringLiteral("saisie-gardee.json");

QJsonValue jsonOf(const std::optional<QString> &value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

// One piece as the file holds it: pairs of a column's name and its value.
QJsonObject jsonOf(const KeptTyping &kept)
{
    QJsonArray row, typed;
    for (const auto &[column, value] : kept.row)
        row.append(QJsonArray{column, jsonOf(value)});
    for (const auto &[column, text] : kept.typed)
        typed.append(QJsonArray{column, text});
    return {{QStringLiteral("window"), kept.window},
            {QStringLiteral("query"), kept.query},
            {QStringLiteral("newRow"), kept.newRow},
            {QStringLiteral("row"), row},
            {QStringLiteral("typed"), typed}};
}

// Pairs of a name and a text (or null where allowed); false on anything else.
template <typename Value>
bool readPairs(const QJsonValue &json, bool nullAllowed, std::vector<std::pair<QString, Value>> &out)
{
    if (!json.isArray())
        return false;
    for (const QJsonValue &item : json.toArray()) {
        const QJsonArray pair = item.toArray();
        if (pair.size() != 2 || !pair[0].isString() || !(pair[1].isString() || (nullAllowed && pair[1].isNull())))
            return false;
        Value value{};
        if (pair[1].isString())
            value = pair[1].toString();
        out.emplace_back(pair[0].toString(), value);
    }
    return true;
}

bool readOne(const QJsonValue &json, KeptTyping &kept)
{
    const QJsonObject o = json.toObject();
    kept.window = o.value(QStringLiteral("window")).toString();
    kept.query = o.value(QStringLiteral("query")).toString();
    kept.newRow = o.value(QStringLiteral("newRow")).toBool();
    return !kept.window.isEmpty() && readPairs(o.value(QStringLiteral("row")), true, kept.row)
           && readPairs(o.value(QStringLiteral("typed")), false, kept.typed) && !kept.typed.empty();
}

QString quoted(const QString &text)
{
    constexpr int kShown = 60;
    return QStringLiteral("« %1 »").arg(text.size() > kShown ? text.left(kShown) + QChar(0x2026) : text);
}

} // namespace

QString keptTypingFile()
{
    // The XDG base directory rule for state: $XDG_STATE_HOME when it is an
    // absolute path, else ~/.local/state.
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QString folder = env.value(QStringLiteral("XDG_STATE_HOME"));
    if (QDir::isRelativePath(folder))
        folder = QDir::homePath() + QStringLiteral("/.local/state");
    return QDir(folder).filePath(QStringLiteral("tavro/") + kFileName);
}

Status writeKeptTyping(const QList<KeptTyping> &kept)
{
    const QString path = keptTypingFile();
    const auto failed = [&](const QString &why) {
        return Status::failure(
            Fault::Refused,
            QStringLiteral("La saisie n'a pas pu être gardée dans %1 : %2.").arg(QDir::toNativeSeparators(path), why));
    };
    if (kept.isEmpty()) {
        if (QFile::exists(path) && !QFile::remove(path))
            return failed(QStringLiteral("l'ancien fichier ne peut pas être supprimé"));
        return Status::success();
    }
    const QString folder = QFileInfo(path).path();
    if (!QDir(folder).exists()) {
        if (!QDir().mkpath(folder))
            return failed(QStringLiteral("le dossier ne peut pas être créé"));
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QJsonArray pieces;
    for (const KeptTyping &k : kept)
        pieces.append(jsonOf(k));
    const QByteArray bytes =
        QJsonDocument(QJsonObject{{QStringLiteral("format"), kFormat}, {QStringLiteral("kept"), pieces}}).toJson();
    // Whole or not at all: a new file, readable by the user alone, takes
    // the old one's place only once it is written and flushed.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(QFile::ReadOwner | QFile::WriteOwner)
        || file.write(bytes) != bytes.size() || !file.commit())
        return failed(file.errorString());
    return Status::success();
}

Result<QList<KeptTyping>> readKeptTyping()
{
    const QString path = keptTypingFile();
    QFile file(path);
    if (!file.exists())
        return QList<KeptTyping>();
    QJsonParseError error{};
    const QJsonDocument doc = file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll(), &error) : QJsonDocument();
    file.close();
    QList<KeptTyping> kept;
    bool readable = doc.isObject() && doc.object().value(QStringLiteral("format")).toInt() == kFormat
                    && doc.object().value(QStringLiteral("kept")).isArray();
    for (const QJsonValue &piece : doc.object().value(QStringLiteral("kept")).toArray()) {
        KeptTyping one;
        readable = readable && readOne(piece, one);
        kept << one;
    }
    if (readable)
        return kept;
    // Set aside, not removed: whatever it holds stays for an administrator.
    const QString aside = path + QStringLiteral(".illisible");
    QFile::remove(aside);
    const bool moved = QFile::rename(path, aside);
    return Status::failure(Fault::Refused,
                           QStringLiteral("Le fichier de saisie gardée %1 est illisible.").arg(QDir::toNativeSeparators(path)),
                           moved ? QStringLiteral("Il a été mis de côté sous le nom %1.").arg(QDir::toNativeSeparators(aside))
                                 : QStringLiteral("Il est laissé tel quel."));
}

QString describeKeptTyping(const KeptTyping &kept, const QString &windowCaption)
{
    QStringList row;
    for (const auto &[column, value] : kept.row) {
        if (row.size() < 3)
            row << QStringLiteral("%1 %2").arg(column, value ? quoted(*value) : QStringLiteral("vide"));
    }
    QStringList typed;
    for (const auto &[column, text] : kept.typed)
        typed << QStringLiteral("%1 %2").arg(column, text.isEmpty() ? QStringLiteral("vidé") : quoted(text));
    const QString where = kept.newRow ? QStringLiteral("un nouvel enregistrement")
                                      : QStringLiteral("l'enregistrement %1").arg(row.join(QStringLiteral(", ")));
    return QStringLiteral("fenêtre %1, %2 : %3").arg(windowCaption, where, typed.join(QStringLiteral(", ")));
}

} // namespace tavro
