#include "app/stafflist.h"

namespace tavro {

QString authorName()
{
    return QStringLiteral("Idriss Tamaloukt");
}

QStringList staffLines()
{
    // Invented names. The roles keep their trailing blanks exactly.
    struct Member {
        const char *name;
        const char *role;
    };
    static constexpr Member kStaff[] = {
        {"ANOUAR VELKADI", "CHEF D'AGENCE "}, {"MEHDI SORANTI", "CONTROLE "}, {"TARIK ZEMOURANE", "GUICHETIER "},
        {"RACHID OULKANE", "GUICHETIER"},     {"SAID BENTARIFA", "COFI "},    {"OMAR KESSAMINE", "MESSAGERIE "},
    };
    const auto line = [](const QString &name, const QString &role) -> QString {
        return QStringLiteral("MR ") + name + QStringLiteral(": ") + role;
    };
    QStringList lines;
    for (const Member &m : kStaff)
        lines << line(QLatin1String(m.name), QLatin1String(m.role));
    lines << line(authorName().toUpper(), QStringLiteral("COURRIER"));
    return lines;
}

} // namespace tavro
