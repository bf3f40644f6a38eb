#include "search/index/IndexLocations.h"

#include "core/Exception.h"
#include "core/LocationInfo.h"
#include "database/DatabasePool.h"
#include "database/TarnolixDB.h"

namespace tarnolix {

const LocationInfo& indexLocations()
{
    const LocationInfo* locations = LocationInfo::current();
    if (!locations)
        throw Exception("Data locations are not set");
    return *locations;
}

bool isPreparedLibraryIndex()
{
    const LocationInfo* locations = LocationInfo::current();
    return locations && locations->isPreparedLibrary();
}

bool readOptimizeErrorMark(const char* key)
{
    return currentDatabase()->getSettingOr(QLatin1String(key), false).toBool();
}

void writeOptimizeErrorMark(const char* key, bool error)
{
    currentDatabase()->setSetting(QLatin1String(key), error);
}

} // namespace tarnolix
