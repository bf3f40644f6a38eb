#pragma once
// Hands the URL model the settings records of the four search families
// (full text, word by word, glossary, favorites), so that addresses of those
// search kinds carry and give back their keys.

namespace tarnolix {

// Once at start-up, before any such address is written or read; again does
// no harm.
void registerSearchUrlFamilies();

} // namespace tarnolix
