#pragma once

#include "records/querytext.h"

// Query texts and prompts of the telephone window, byte for byte.
namespace tavro::telq {

inline const QString kInitial = QStringLiteral("select * from TELE");
inline const QString kShowAll = QStringLiteral(" select * from TELE");
inline const QString kAgenceList = QStringLiteral("SELECT AGENCE FROM TELE ");
inline const QueryFragments kAgencePick{QStringLiteral("SELECT *  From TELE  WHERE AGENCE='"),
                                        QStringLiteral("' ORDER BY AGENCE")};

inline const QString kProvincePrompt = QStringLiteral("Entrer le nom de la Poste Principale svp ");
inline const QueryFragments kProvinceSearch{QStringLiteral(" select * from TELE  where PROVINCE like '"), kPrefixClosing};
// The prompt asks for a postal code; the text is matched against the name.
inline const QString kAgencePrompt = QStringLiteral("Entrer le code postale svp ");
inline const QueryFragments kAgenceSearch{QStringLiteral(" SELECT * FROM TELE  where  AGENCE like '"), kPrefixClosing};

} // namespace tavro::telq
