// Feeds arbitrary bytes to the entity decoder, into a separate buffer and in
// place, and checks what every caller relies on.
#include "core/HtmlEntities.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The decoder takes NUL-terminated text: the input up to its first NUL.
    std::vector<char> input(data, data + size);
    input.push_back('\0');
    const std::size_t inputLength = std::strlen(input.data());

    // Exactly the room the input takes, so an overrun reaches the sanitizer.
    std::vector<char> dest(inputLength + 1);
    const std::size_t n = decodeHtmlEntities(dest.data(), input.data());

    std::vector<char> inPlace(input.begin(), input.begin() + inputLength + 1);
    const std::size_t m = decodeHtmlEntities(inPlace.data(), nullptr);

    if (n > inputLength || dest[n] != '\0')
        std::abort(); // longer than the input, or not terminated
    if (std::strlen(dest.data()) != n)
        std::abort(); // a NUL inside the result would cut the text
    if (m != n || std::memcmp(dest.data(), inPlace.data(), n + 1) != 0)
        std::abort(); // in place must equal the separate buffer
    if (std::memchr(input.data(), '&', inputLength) == nullptr
        && std::memcmp(dest.data(), input.data(), inputLength + 1) != 0)
        std::abort(); // text without references is copied unchanged
    return 0;
}
