#include "records/querytext.h"

#include "data/sqltext.h"

namespace tavro {

QString QueryFragments::with(const QString &userText) const
{
    return opening + sqlQuoted(userText) + closing;
}

bool isEditPassword(const QString &typed)
{
    // No trimming and no case folding: " QXV" and "qxv" are wrong passwords.
    return typed == kEditPassword;
}

} // namespace tavro
