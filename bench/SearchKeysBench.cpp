// Search-key throughput beside a bare ICU transliterator over the same lines:
// the key adds the Russian folding, the walk and the lower-casing to ICU's
// transliteration. Bytes are counted as the UTF-8 size of the input.

#include "core/TextNormalization.h"

#include <benchmark/benchmark.h>

#include <QString>
#include <QStringList>

#include <memory>

namespace {

// Our own sample lines: names, titles and verse references as a catalogue holds them.
const char* const kRussian[] = {
    "«Нитья-шастра», глава 12: о постоянстве ума и речи",
    "Шрӣ Ӣшопанишад — мантра 7, комментарий переводчика",
    "Бхагавад-гӣта̄ как она есть. Песнь вторая, стих 47",
    "Учение о долге: беседы у реки, записанные в 1974 году",
    "Краткий словарь терминов: дхарма, карма, йога, ёмкость",
    "Письма ученикам (том 3), ответы на вопросы о практике",
};
const char* const kEnglish[] = {
    "The Treatise on Constancy, chapter 12: of mind and speech",
    "Śrī Īśopaniṣad, mantra 7, with the translator's commentary",
    "Bhagavad-gītā As It Is. Song two, verse 47",
    "Teachings on Duty: talks by the river, recorded in 1974",
    "A Short Glossary of Terms: dharma, karma, yoga, ṛṣi",
    "Letters to Students (volume 3), answers on practice",
};

template <std::size_t N>
QStringList corpus(const char* const (&lines)[N])
{
    QStringList result;
    for (int copy = 0; copy < 200; ++copy)
        for (const char* line : lines)
            result.append(QString::fromUtf8(line));
    return result;
}

qint64 utf8Bytes(const QStringList& lines)
{
    qint64 bytes = 0;
    for (const QString& line : lines)
        bytes += line.toUtf8().size();
    return bytes;
}

const QStringList& linesFor(TarnolixConstants::Language language)
{
    static const QStringList russian = corpus(kRussian);
    static const QStringList english = corpus(kEnglish);
    return language == TarnolixConstants::Russian ? russian : english;
}

void SearchKey(benchmark::State& state, TarnolixConstants::Language language)
{
    const QStringList& lines = linesFor(language);
    initCharFoldingTable();
    for (auto _ : state) {
        for (const QString& line : lines)
            benchmark::DoNotOptimize(removeDiacritics(language, line));
    }
    state.SetBytesProcessed(state.iterations() * utf8Bytes(lines));
}

void BareIcuTransliterator(benchmark::State& state, TarnolixConstants::Language language)
{
    const QStringList& lines = linesFor(language);
    const char* id = language == TarnolixConstants::Russian ? "ru_RU; NFD; [:Nonspacing Mark:] Remove; NFC"
                                                            : "NFD; [:Nonspacing Mark:] Remove; NFC";
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Transliterator> transliterator(
        icu::Transliterator::createInstance(icu::UnicodeString::fromUTF8(id), UTRANS_FORWARD, status));
    if (U_FAILURE(status) || !transliterator) {
        state.SkipWithError("ICU transliterator not available");
        return;
    }
    for (auto _ : state) {
        for (const QString& line : lines) {
            icu::UnicodeString text(reinterpret_cast<const char16_t*>(line.utf16()), line.size());
            transliterator->transliterate(text);
            benchmark::DoNotOptimize(text);
        }
    }
    state.SetBytesProcessed(state.iterations() * utf8Bytes(lines));
}

} // namespace

BENCHMARK_CAPTURE(SearchKey, russian, TarnolixConstants::Russian)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BareIcuTransliterator, russian, TarnolixConstants::Russian)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SearchKey, english, TarnolixConstants::English)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BareIcuTransliterator, english, TarnolixConstants::English)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
