// Feeds arbitrary bytes to the glossary readers as the glossaries install
// does, with one id table across inputs: byte 0 picks the tree or a word
// document. Either the parse error comes back as Exception, or the tree is
// whole (parent links, sorted-in glossaries, the id set) and ids stay in
// their tables.
#include "core/Exception.h"
#include "updates/GlossaryParser.h"

#include "fuzz/FuzzSupport.h"

#include <QtGlobal>

#include <cstdint>
#include <cstdlib>

namespace {

void checkCategory(const std::shared_ptr<GlossaryCategory>& category, const std::set<int>& ids, int depth)
{
    fuzz::check(depth < 100000);
    for (const auto& glossary : category->glossaries) {
        fuzz::check(glossary->parent.lock() == category);
        fuzz::check(glossary->name.isEmpty() || !glossary->shortName.isEmpty());
        fuzz::check(glossary->id == 0 || ids.count(glossary->id) == 1);
    }
    for (const auto& child : category->categories) {
        fuzz::check(child->parent.lock() == category);
        checkCategory(child, ids, depth + 1);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::silenceLog();
    static auto ids = std::make_shared<GlossariesIdMngr>();
    if (size < 1)
        return 0;
    const QByteArray xml(reinterpret_cast<const char*>(data + 1), int(size - 1));
    try {
        if (data[0] & 1) {
            const auto word = GlossaryWordParser(ids, xml).parse();
            fuzz::check(word->id >= 0 && word->id <= ids->lastWordId);
            for (const auto& place : word->where) {
                fuzz::check(place.categoryId >= 0 && place.categoryId <= ids->lastCategoryId);
                for (int id : place.glossaryIds)
                    fuzz::check(id >= 1 && id <= ids->lastGlossaryId);
            }
        } else {
            GlossaryTreeParser parser(ids, xml);
            const auto tree = parser.parse();
            fuzz::check(tree->glossariesCount == int(parser.glossaryIds().size()));
            for (const auto& category : tree->categories) {
                fuzz::check(category->parent.expired());
                checkCategory(category, parser.glossaryIds(), 0);
            }
        }
    } catch (const Exception& e) {
        fuzz::check(e.message().startsWith(QLatin1String("XML parse error: ")));
    }
    return 0;
}
