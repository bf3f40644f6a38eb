#pragma once
// Words and paths shared across the program. All are compile-time constants,
// so they exist before any code runs and are read from any thread.

#include <QChar>
#include <QLatin1String>

#include <cstddef>

namespace ProgramConstantsDetail {
template <std::size_t N>
constexpr QLatin1String latin(const char (&text)[N])
{
    return QLatin1String(text, int(N - 1));
}
} // namespace ProgramConstantsDetail

// Field names of the search indexes (Lucene strings are wide).
namespace IndexField {
inline constexpr wchar_t bid[] = L"bid";
inline constexpr wchar_t c[] = L"c";
inline constexpr wchar_t ei[] = L"ei";
inline constexpr wchar_t pi[] = L"pi";
inline constexpr wchar_t s[] = L"s";
inline constexpr wchar_t sn[] = L"sn";
inline constexpr wchar_t gls[] = L"gls";
inline constexpr wchar_t id[] = L"id";
inline constexpr wchar_t L[] = L"L";
inline constexpr wchar_t wwo[] = L"wwo";
inline constexpr wchar_t wwt[] = L"wwt";
inline constexpr wchar_t wwso[] = L"wwso";
inline constexpr wchar_t wwst[] = L"wwst";
inline constexpr wchar_t lucenematch[] = L"lucenematch";
// Prefix of the book index's full-text content field names.
inline constexpr wchar_t contentPrefix[] = L"cts1";
} // namespace IndexField

// Words of the internal URLs.
namespace UrlWord {
inline constexpr QLatin1String falseWord = ProgramConstantsDetail::latin("false");
inline constexpr QLatin1String trueWord = ProgramConstantsDetail::latin("true");
inline constexpr QLatin1String original = ProgramConstantsDetail::latin("original");
inline constexpr QLatin1String originalChoise = ProgramConstantsDetail::latin("originalChoise");
inline constexpr QLatin1String translation = ProgramConstantsDetail::latin("translation");
inline constexpr QLatin1String scheme = ProgramConstantsDetail::latin("tarnolix");
} // namespace UrlWord

// Methods and media types of the scheme handler and the API client (bytes).
namespace HttpWord {
inline constexpr char get[] = "GET";
inline constexpr char post[] = "POST";
inline constexpr char imageJpeg[] = "image/jpeg";
inline constexpr char imagePng[] = "image/png";
inline constexpr char textHtml[] = "text/html";
inline constexpr char applicationJson[] = "application/json";
inline constexpr char webResourcePrefix[] = "/resource/web/";
} // namespace HttpWord

// Tags around the highlighted words of search results.
namespace SearchHighlight {
inline constexpr wchar_t openTagW[] = L"<mark class=\"highlight\">";
inline constexpr wchar_t closeTagW[] = L"</mark>";
inline constexpr QLatin1String openTag = ProgramConstantsDetail::latin("<mark class=\"highlight\">");
inline constexpr QLatin1String closeTag = ProgramConstantsDetail::latin("</mark>");
} // namespace SearchHighlight

namespace SharedText {
// Separator of column and value lists in generated SQL.
inline constexpr QLatin1String listSeparator = ProgramConstantsDetail::latin(", ");
inline constexpr QLatin1String author = ProgramConstantsDetail::latin("author");
inline constexpr QLatin1String doubleHyphen = ProgramConstantsDetail::latin("--");
inline constexpr QChar emDash{u'\u2014'};
inline constexpr QChar enDash{u'\u2013'};
// Time stamp in crash dump file names.
inline constexpr QLatin1String crashDumpTimeFormat = ProgramConstantsDetail::latin("dd-MM-yyyy_hh.mm.zzz");
} // namespace SharedText

// Paths of the update services, joined to the hosts the configuration gives.
namespace UpdateServerPath {
inline constexpr QLatin1String glossariesArchive =
    ProgramConstantsDetail::latin("/storage/desktop-dictionaries-update/glossaries.zip");
inline constexpr QLatin1String glossariesChecksum =
    ProgramConstantsDetail::latin("/storage/desktop-dictionaries-update/glossaries.zip.md5");
// Followed by the interface language code.
inline constexpr QLatin1String windowsUpdateList = ProgramConstantsDetail::latin("/app-update/list/windows/");
inline constexpr QLatin1String macUpdateList = ProgramConstantsDetail::latin("/app-update/list/mac/en");
} // namespace UpdateServerPath
