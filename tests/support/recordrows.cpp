#include "support/recordrows.h"

#include <QVariant>

namespace tavro::test {

void fillRecordRows(TestDatabase &db)
{
    const QVariant null;
    // CODE: AGENCE, CPOSTALE, PROVINCE, REGION
    db.insert("CODE", {"TAMBRELLE CENTRE", "16010", "TAMBRELLE RP", "DR TAMBRELLE"});
    db.insert("CODE", {"TAMBRELLE GARE", "16012", "TAMBRELLE RP", "DR TAMBRELLE"});
    db.insert("CODE", {"IGNAROLLE HAUT", "16230", "AZURELLE RP", "DR TAMBRELLE"});
    db.insert("CODE", {"AZURELLE NORD", "61100", "AZURELLE RP", "DR OUZERANDE"});
    db.insert("CODE", {"BORDJ L'HIRONDELLE", "61450", "OUZERANDE RP", "DR OUZERANDE"});
    db.insert("CODE", {"ÉLIANE PLATEAU", "61460", "OUZERANDE RP", "DR OUZERANDE"});
    db.insert("CODE", {"KIRB OUZERANDE", "61001", "OUZERANDE RP", null});
    db.insert("CODE", {"TAMBRELLE GARE", "16013", "TAMBRELLE RP", "DR TAMBRELLE"});
    db.insert("CODE", {"AGRAVELLE", "62010", null, "DR OUZERANDE"});
    db.insert("CODE", {"HAMEAU DES SOURCES", null, "AZURELLE RP", "DR OUZERANDE"});

    // TELE: AGENCE, TEL, PROVINCE, REGION, ADRESSE, FAX
    db.insert("TELE", {"TAMBRELLE CENTRE", "0700 11 01", "TAMBRELLE RP", "DR TAMBRELLE", "1 place du Puits", "0700 11 91"});
    db.insert("TELE", {"TAMBRELLE GARE", "0700 11 02", "TAMBRELLE RP", "DR TAMBRELLE", "4 rue des Tanneurs", null});
    db.insert("TELE", {"IGNAROLLE HAUT", "0700 12 03", "AZURELLE RP", "DR TAMBRELLE", "route du Col", "0700 12 93"});
    db.insert("TELE", {"BORDJ L'HIRONDELLE", "0700 31 04", "OUZERANDE RP", "DR OUZERANDE", "rue de l'Oued", null});
    db.insert("TELE", {"ÉLIANE PLATEAU", "0700 31 05", "OUZERANDE RP", "DR OUZERANDE", "cité des Pins", null});
    db.insert("TELE", {"ÉLIANE PLATEAU", "0700 31 06", "OUZERANDE RP", "DR OUZERANDE", "cité des Pins", null});
    db.insert("TELE", {null, "0700 99 99", "SANS NOM RP", "DR OUZERANDE", null, null});
    db.insert("TELE", {"KIRB OUZERANDE", "0700 31 07", "OUZERANDE RP", null, "bd du Centre", "0700 31 97"});

    // QRT: QUARTIER, CPOSTALE, PROVINCE
    db.insert("QRT", {"Rue de l'Église", "16001", "TAMBRELLE"});
    db.insert("QRT", {"Cité des Oliviers", "16002", "TAMBRELLE"});
    db.insert("QRT", {"Boulevard des Tisserands", "61011", "OUZERANDE"});
    db.insert("QRT", {"Quartier Haut", "61012", "OUZERANDE"});
    db.insert("QRT", {"Rue Basse", "16003", "TAMBRELLE"});
    db.insert("QRT", {"Impasse des Rosiers", "70001", null});
    db.insert("QRT", {"Place Neuve", null, "ASPRELLE"});
    db.insert("QRT", {"école du Bas", "70002", "ASPRELLE"});
}

} // namespace tavro::test
