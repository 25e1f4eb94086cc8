#pragma once

#include "records/querytext.h"

// Query texts and prompts of the addresses window, byte for byte.
namespace tavro::adrq {

inline const QString kInitial = QStringLiteral("select * from QRT ");
inline const QString kShowAll = QStringLiteral(" select * from QRT");
inline const QString kCityList = QStringLiteral("SELECT DISTINCT PROVINCE FROM QRT ");
inline const QueryFragments kCityPick{QStringLiteral("SELECT *  From QRT  WHERE PROVINCE='"),
                                      QStringLiteral("' ORDER BY PROVINCE")};

inline const QString kStreetPrompt = QStringLiteral("Entrer le nom Quartier ou de Rue svp ");
inline const QueryFragments kStreetSearch{QStringLiteral(" select * from QRT  where  QUARTIER like '"), kPrefixClosing};
inline const QString kCodePrompt = QStringLiteral("Entrer le Code Postale svp ");
inline const QueryFragments kCodeSearch{QStringLiteral(" SELECT * FROM QRT  where  CPOSTALE like '"), kPrefixClosing};

} // namespace tavro::adrq
