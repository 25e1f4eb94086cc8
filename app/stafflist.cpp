#include "app/stafflist.h"

namespace tavro {

QStringList staffLines(const QString &author)
{
    // Invented names. The roles keep their trailing blanks exactly.
    struct Member {
        const char *name;
        const char *role;
    };
    static constexpr Member kStaff[] = {
        {"ANOUAR VELKADI", "CHEF D'AGENCE "},
        {"MEHDI SORANTI", "CONTROLE "},
        {"TARIK ZEMOURANE", "GUICHETIER "},
        {"RACHID OULKANE", "GUICHETIER"},
        {"SAID BENTARIFA", "COFI "},
        {"OMAR KESSAMINE", "MESSAGERIE "},
    };
    const auto line = [](const QString &name, const QString &role) -> QString {
        return QStringLiteral("MR ") + name + QStringLiteral(": ") + role;
    };
    QStringList lines;
    for (const Member &m : kStaff)
        lines << line(QLatin1String(m.name), QLatin1String(m.role));
    lines << line(author.toUpper(), QStringLiteral("COURRIER"));
    return lines;
}

} // namespace tavro
