#include "app/TextTablesOnce.h"

#include "core/TarnolixText.h"
#include "core/TextNormalization.h"

#include <mutex>

void initTextTablesOnce()
{
    static std::once_flag once;
    std::call_once(once, [] {
        initCharFoldingTable();
        TarnolixText::initHtmlTagTables();
    });
}
