#pragma once
// Decoding of HTML character references in the byte text of book sources.

#include <cstddef>

// Replaces named ("&amp;") and numeric ("&#65;", "&#x41;") character references
// in the NUL-terminated UTF-8 text `src` by their UTF-8 bytes, writing the
// result and a terminating NUL to `dest`; with a null `src` decodes `dest` in
// place. Returns the length of the result without the NUL. `dest` needs no more
// room than the input, because no reference is shorter than its UTF-8 form.
// Unknown or malformed references are copied unchanged. A numeric reference to
// 0 or to a surrogate (D800-DFFF) gives U+FFFD, so the result never holds a NUL
// before its end. Allocates nothing; errno is untouched.
std::size_t decodeHtmlEntities(char* dest, const char* src);
