// Feeds arbitrary text to the three word-by-word readers in their trial
// order, as the book reader does for every word-by-word paragraph. Byte 0
// picks the edition language and whether the rest is UTF-8 or raw UTF-16
// (so that any code unit can appear). A reader either takes the text, with
// at least its minimum of pairs and a non-empty rendering, or it is left as
// it was.
#include "updates/WordByWordParser.h"

#include "core/BookRecords.h"

#include "fuzz/FuzzSupport.h"

#include <QtGlobal>

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::silenceLog();
    if (size < 1)
        return 0;
    const std::uint8_t mode = data[0];
    ++data;
    --size;
    QString input;
    if (mode & 4) {
        input = QString(int(size / 2), Qt::Uninitialized);
        std::memcpy(input.data(), data, size / 2 * 2);
    } else {
        input = QString::fromUtf8(reinterpret_cast<const char*>(data), int(size));
    }
    const auto parsers = makeWordByWordParsers(TarnolixConstants::Language(mode & 3));
    BookPart part;
    part.sectionCode = QStringLiteral("1.1");
    QString text = input;
    WordByWordDataForIndex::WordPairs pairs;
    const int reader = processWordByWord(parsers, part, 1, text, pairs);
    if (reader < 0) {
        fuzz::check(text == input && pairs.empty());
    } else {
        fuzz::check(reader < int(parsers.size()));
        fuzz::check(!pairs.empty() && int(pairs.size()) >= parsers[reader]->minimumPairs());
        fuzz::check(text.startsWith(QLatin1String("<i><a href=\"")));
    }
    return 0;
}
