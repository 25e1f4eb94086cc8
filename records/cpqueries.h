#pragma once

#include "records/querytext.h"

// Query texts of the postal-code window, byte for byte as the users' file
// and habits expect them (double blanks included).
namespace tavro::cpq {

inline const QString kInitial = QStringLiteral(
    "SELECT CODE.AGENCE, CODE.CPOSTALE, CODE.PROVINCE, CODE.REGION ,TELE.TEL FROM CODE,TELE WHERE CODE.AGENCE = TELE.AGENCE ");
inline const QString kShowAll = QStringLiteral(" SELECT * FROM CODE ");

// Pick lists, read in this order at load.
inline const QString kRegionList = QStringLiteral("SELECT DISTINCT REGION FROM CODE ");
inline const QString kProvinceList = QStringLiteral("SELECT DISTINCT PROVINCE FROM CODE ");
inline const QString kAgenceList = QStringLiteral("SELECT AGENCE FROM CODE ");

// A choice in Combo1, Combo2, Combo3.
inline const QueryFragments kRegionPick{QStringLiteral("SELECT * FROM CODE WHERE REGION ='"),
                                        QStringLiteral("' ORDER BY  CODE.PROVINCE ,code.AGENCE")};
inline const QueryFragments kProvincePick{QStringLiteral("SELECT * From CODE  WHERE PROVINCE ='"),
                                          QStringLiteral("' ORDER BY AGENCE")};
inline const QueryFragments kAgencePick{QStringLiteral("SELECT *  From CODE  WHERE AGENCE  ='"),
                                        QStringLiteral("' ORDER BY AGENCE")};

// The two typed searches of the search frame.
inline const QueryFragments kPostalCodeSearch{QStringLiteral("SELECT * FROM CODE WHERE CPOSTALE like '"), kPrefixClosing};
inline const QueryFragments kNameWithTelSearch{
    QStringLiteral(" SELECT CODE.AGENCE, CODE.CPOSTALE, CODE.PROVINCE, CODE.REGION ,TELE.TEL FROM CODE,TELE WHERE "
                   "CODE.AGENCE = TELE.AGENCE AND CODE.agence like '"),
    QStringLiteral("%' order by CODE.PROVINCE")};

} // namespace tavro::cpq
