// Feeds arbitrary bytes to the book archive readers as the archive saver
// does: byte 0 picks the base document or an edition (and its language),
// the rest is the document. Either the parse error comes back as Exception,
// or the records hold what every later reader relies on.
#include "core/Exception.h"
#include "updates/BookParser.h"

#include "fuzz/FuzzSupport.h"

#include <QtGlobal>

#include <cstdint>
#include <cstdlib>

namespace {

void checkChunks(const QStringList& chunks)
{
    fuzz::check(!chunks.isEmpty());
    for (int i = 0; i < chunks.size(); ++i) {
        if (i + 1 < chunks.size())
            fuzz::check(chunks[i].size() > BookParser::chunkLength);
        if (i > 0)
            fuzz::check(chunks[i].startsWith(QLatin1String("<p>")));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::silenceLog();
    if (size < 1)
        return 0;
    const std::uint8_t mode = data[0];
    const QByteArray xml(reinterpret_cast<const char*>(data + 1), int(size - 1));
    try {
        if (mode % 5 == 0) {
            fuzz::check(BookBaseParser(xml).parse() != nullptr);
            return 0;
        }
        // Languages 0 to 3: 0 stands for an unknown entry name.
        const auto language = TarnolixConstants::Language(mode % 5 - 1);
        const auto [book, wordByWord] = BookParser(language, xml, 17).parse();
        fuzz::check(book && book->info && wordByWord);
        fuzz::check(book->info->bookId == 17 && book->info->language == language);
        for (std::size_t i = 0; i < book->sections.size(); ++i)
            fuzz::check(book->sections[i]->index == int(i) + 1);
        int pairs = 0;
        for (const auto& list : wordByWord->pairs)
            pairs += int(list.size());
        fuzz::check(pairs == wordByWord->pairCount());
        for (const auto& part : book->parts) {
            for (const auto& entity : part->entities) {
                fuzz::check(entity->kind >= 1 && entity->kind <= 10);
                checkChunks(entity->texts);
            }
        }
    } catch (const Exception& e) {
        fuzz::check(e.message().startsWith(QLatin1String("XML parse error: ")));
    }
    return 0;
}
