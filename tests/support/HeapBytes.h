#pragma once
// Heap bytes in use, for tests that show memory does not grow with
// something: the sanitizer runtime's count under AddressSanitizer, else
// glibc's. Header-only, so any test executable can use it.

#include <cstddef>

#if defined(__SANITIZE_ADDRESS__)
#define TARNOLIX_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TARNOLIX_TEST_ASAN 1
#endif
#endif

#ifdef TARNOLIX_TEST_ASAN
// GCC ships no header for it.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace tarnolix::test {

inline std::size_t heapBytes()
{
#ifdef TARNOLIX_TEST_ASAN
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

} // namespace tarnolix::test
