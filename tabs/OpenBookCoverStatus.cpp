#include "tabs/OpenBookCoverStatus.h"

#include "database/TarnolixDB.h"
#include "tabs/TabStatus.h"

OpenBookCoverStatus::OpenBookCoverStatus(QObject* parent)
    : PageStatus(parent)
{
}

void OpenBookCoverStatus::initializePage()
{
    TabStatus* tab = tabStatus();
    if (!tab)
        return;
    const TarnolixConstants::Language language = tab->pageLanguage();
    const int bookId = tab->bookId();
    lookUpTabTitle([language, bookId](TarnolixDB& db) { return db.selectBookInfo(bookId, language)->name; });
}
