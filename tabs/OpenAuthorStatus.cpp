#include "tabs/OpenAuthorStatus.h"

#include "core/CatalogRecords.h"
#include "database/TarnolixDB.h"
#include "tabs/TabStatus.h"

OpenAuthorStatus::OpenAuthorStatus(QObject* parent)
    : PageStatus(parent)
{
}

void OpenAuthorStatus::initializePage()
{
    TabStatus* tab = tabStatus();
    if (!tab)
        return;
    const TarnolixConstants::Language language = tab->pageLanguage();
    const int authorId = tab->authorId();
    lookUpTabTitle([language, authorId](TarnolixDB& db) {
        const TarnolixDB::PersonPtr person = db.selectPersonName(language, authorId);
        auto name = person->spiritualName.find(language);
        return name != person->spiritualName.end() ? name->second : QString();
    });
}
