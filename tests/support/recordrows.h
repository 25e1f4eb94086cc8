#pragma once

// A small invented directory for the record-window tests, small enough that
// every expected result can be written out by hand: two directorates, three
// principal offices, an office listed twice in CODE, one with two telephone
// rows, one without any, an apostrophe, accents, and a null in each list.

#include "support/testdb.h"

#include <QVariant>

namespace tavro::test {

inline void fillRecordRows(TestDatabase &db)
{
    const QVariant null;
    // CODE: AGENCE, CPOSTALE, PROVINCE, REGION
    db.insert("CODE", {"TAMELLAHT CENTRE", "16010", "TAMELLAHT RP", "DR TAMELLAHT"});
    db.insert("CODE", {"TAMELLAHT GARE", "16012", "TAMELLAHT RP", "DR TAMELLAHT"});
    db.insert("CODE", {"IGHIL OUFELLA", "16230", "AZROU RP", "DR TAMELLAHT"});
    db.insert("CODE", {"AZROU NORD", "61100", "AZROU RP", "DR OUZZANE"});
    db.insert("CODE", {"BORDJ L'HIRONDELLE", "61450", "OUZZANE RP", "DR OUZZANE"});
    db.insert("CODE", {"ÉLIANE PLATEAU", "61460", "OUZZANE RP", "DR OUZZANE"});
    db.insert("CODE", {"KIRB OUZZANE", "61001", "OUZZANE RP", null});
    db.insert("CODE", {"TAMELLAHT GARE", "16013", "TAMELLAHT RP", "DR TAMELLAHT"});
    db.insert("CODE", {"AGHBALOU", "62010", null, "DR OUZZANE"});
    db.insert("CODE", {"HAMMAM SOUK", null, "AZROU RP", "DR OUZZANE"});

    // TELE: AGENCE, TEL, PROVINCE, REGION, ADRESSE, FAX
    db.insert("TELE", {"TAMELLAHT CENTRE", "0700 11 01", "TAMELLAHT RP", "DR TAMELLAHT", "1 place du Puits", "0700 11 91"});
    db.insert("TELE", {"TAMELLAHT GARE", "0700 11 02", "TAMELLAHT RP", "DR TAMELLAHT", "4 rue des Tanneurs", null});
    db.insert("TELE", {"IGHIL OUFELLA", "0700 12 03", "AZROU RP", "DR TAMELLAHT", "route du Col", "0700 12 93"});
    db.insert("TELE", {"BORDJ L'HIRONDELLE", "0700 31 04", "OUZZANE RP", "DR OUZZANE", "rue de l'Oued", null});
    db.insert("TELE", {"ÉLIANE PLATEAU", "0700 31 05", "OUZZANE RP", "DR OUZZANE", "cité des Pins", null});
    db.insert("TELE", {"ÉLIANE PLATEAU", "0700 31 06", "OUZZANE RP", "DR OUZZANE", "cité des Pins", null});
    db.insert("TELE", {null, "0700 99 99", "SANS NOM RP", "DR OUZZANE", null, null});
    db.insert("TELE", {"KIRB OUZZANE", "0700 31 07", "OUZZANE RP", null, "bd du Centre", "0700 31 97"});

    // QRT: QUARTIER, CPOSTALE, PROVINCE
    db.insert("QRT", {"Rue de l'Église", "16001", "TAMELLAHT"});
    db.insert("QRT", {"Cité des Oliviers", "16002", "TAMELLAHT"});
    db.insert("QRT", {"Boulevard des Tisserands", "61011", "OUZZANE"});
    db.insert("QRT", {"Quartier Haut", "61012", "OUZZANE"});
    db.insert("QRT", {"Rue Basse", "16003", "TAMELLAHT"});
    db.insert("QRT", {"Impasse des Rosiers", "70001", null});
    db.insert("QRT", {"Place Neuve", null, "ASSIRDANE"});
    db.insert("QRT", {"école du Bas", "70002", "ASSIRDANE"});
}

} // namespace tavro::test
