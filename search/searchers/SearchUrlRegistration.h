#pragma once
// Hands the URL model the full-text and word-by-word settings records, so
// that addresses of those search kinds carry and give back their keys.

namespace tarnolix {

// Once at start-up, before any such address is written or read; again does
// no harm.
void registerBooksSearchUrlFamilies();

} // namespace tarnolix
