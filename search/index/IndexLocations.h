#pragma once
// What the index holders read of the data locations and the library: where
// their directories are, whether the library's indexes may be written, and
// the persistent marks that an optimisation failed.

#include <QString>

class LocationInfo;

namespace tarnolix {

// The current data locations; throws Exception when none are set.
const LocationInfo& indexLocations();
// True for a prepared library, whose indexes may only be read; false when no
// locations are set.
bool isPreparedLibraryIndex();

// A library setting of the calling thread's connection (busy timeout 60 s).
bool readOptimizeErrorMark(const char* key);
void writeOptimizeErrorMark(const char* key, bool error);

} // namespace tarnolix
