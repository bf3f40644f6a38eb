#include "database/BookTextCipher.h"

#include "core/CipherKeyPair.h"

#include <atomic>

namespace {

// Set on the GUI thread, read by every thread that reads book text.
std::atomic<const CipherKeyPair*> s_pair{nullptr};

} // namespace

void setBookTextCipher(const CipherKeyPair* pair)
{
    s_pair.store(pair);
}

const CipherKeyPair& bookTextCipher()
{
    static const CipherKeyPair unset;
    const CipherKeyPair* pair = s_pair.load();
    return pair ? *pair : unset;
}
