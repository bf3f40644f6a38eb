#pragma once
// Shared by the benchmarks: our own sample paragraphs and the key pair the
// section text is enciphered with.

#include "core/CipherKeyPair.h"

#include <memory>

namespace bench {

inline const char* const kParagraphs[] = {
    "дхарма-кшетре куру-кшетре самавета юйутсавах",
    "На поле дхармы, на поле Куру, собравшись и желая битвы, что сделали мои сыновья?",
    "Комментарий: ум, не знающий покоя, подобен светильнику на ветру; мы учимся держать его ровно.",
    "Слово за словом: дхарма — долг; кшетре — на поле; самавета — собравшиеся.",
};

inline const CipherKeyPair& keyPair()
{
    static const std::unique_ptr<CipherKeyPair> pair = [] {
        auto p = std::make_unique<CipherKeyPair>();
        p->setKeyFromString(QStringLiteral("reader@example.invalid"));
        p->setIvFromString(QStringLiteral("/home/reader/.local/share/Tarnolix"));
        return p;
    }();
    return *pair;
}

} // namespace bench
