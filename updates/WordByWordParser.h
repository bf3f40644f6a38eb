#pragma once
// Readers of word-by-word paragraphs: lists of an original word (mostly
// transliterated Sanskrit) and its translation, written by their authors in
// several styles. Each reader recognises one style, collects the
// (original, translation) pairs for the word-by-word index and rewrites the
// text as markup in which every original links to a word-by-word search.
// A reader that does not recognise the style throws NotSupported and the
// next one is tried (processWordByWord).

#include "core/Exception.h"
#include "core/TarnolixConstants.h"
#include "core/WordByWordDataForIndex.h"

#include <QString>

#include <memory>
#include <vector>

struct BookPart;

// Separator counts of one text. A hyphen, em dash or en dash is "spaced"
// with a plain space or the text's end on both sides; "--" counts once as a
// double hyphen and neither of its hyphens counts again.
struct WordByWordStatistics
{
    int semicolons = 0;
    int plainHyphens = 0;
    int spacedHyphens = 0;
    int doubleHyphens = 0;
    int unspacedEmDashes = 0;
    int spacedEmDashes = 0;
    int unspacedEnDashes = 0;
    int spacedEnDashes = 0;

    int hyphens() const { return plainHyphens + spacedHyphens; }
    int emDashes() const { return unspacedEmDashes + spacedEmDashes; }
    int enDashes() const { return unspacedEnDashes + spacedEnDashes; }

    static WordByWordStatistics of(const QString& text);
};

// What the readers of one book edition share: the part being read, the
// current text and its statistics, computed once per text.
class WordByWordParserShared
{
public:
    void update(const BookPart* part, const QString& text);

    const BookPart* part() const { return m_part; }
    const QString& text() const { return m_text; }
    const WordByWordStatistics& statistics() const { return m_statistics; }

private:
    const BookPart* m_part = nullptr;
    QString m_text;
    bool m_valid = false;
    WordByWordStatistics m_statistics;
};

// Puts every `dash` that has white space on one side between single plain
// spaces: a white-space neighbour becomes a plain space, a missing one is
// added. A dash at either end of the text, one with no space on either side
// (a hyphenated word) and a hyphen of "--" stay as they are. True when the
// text changed.
bool normaliseDashSpacing(QString& text, QChar dash);

class WordByWordParser
{
public:
    class NotSupported : public Exception
    {
    public:
        NotSupported() : Exception("WordByWordParser::NotSupported") {}
    };

    explicit WordByWordParser(std::shared_ptr<WordByWordParserShared> shared);
    virtual ~WordByWordParser();

    WordByWordParser(const WordByWordParser&) = delete;
    WordByWordParser& operator=(const WordByWordParser&) = delete;

    // Fewer pairs than this is not this reader's style (0: no minimum).
    virtual int minimumPairs() const;

    // The edition's language names the links' host; InvalidLanguage gives
    // empty links.
    void setLanguage(TarnolixConstants::Language language);
    TarnolixConstants::Language language() const { return m_language; }

    // Reads `text` (a paragraph of `part`) with the tags that carry no
    // meaning here removed. Throws NotSupported when the style is not this
    // reader's; output() and pairs() are then meaningless.
    void process(const BookPart* part, const QString& text);

    const QString& output() const { return m_output; }
    const WordByWordDataForIndex::WordPairs& pairs() const { return m_pairs; }

protected:
    virtual void parse() = 0;

    [[noreturn]] static void notSupported();
    // Texts that begin with "word note" are notes, in no reader's style.
    void rejectWordNote() const;
    // Keeps the pair (trimmed) and appends the rendered entry: the original
    // as a link to its word-by-word search, then the separator and the
    // translation, all as written.
    void addEntry(const QString& original, const QString& separator, const QString& translation);
    // Replaces the text being read (after a spacing normalisation).
    void replaceText(const QString& text);

    QString m_text;
    QString m_output;
    std::shared_ptr<WordByWordParserShared> m_shared;

private:
    QString link(const QString& original) const;

    TarnolixConstants::Language m_language = TarnolixConstants::InvalidLanguage;
    QString m_languageCode;
    const BookPart* m_part = nullptr;
    WordByWordDataForIndex::WordPairs m_pairs;
};

// "original — translation; original — translation": the separator (em or en
// dash, double hyphen or hyphen, spaced or not) chosen from the statistics.
class WordByWordParser1 : public WordByWordParser
{
public:
    using WordByWordParser::WordByWordParser;

protected:
    void parse() override;

private:
    // Normalises the spacing of `dash`; NotSupported when nothing changed.
    void normaliseOrReject(QChar dash);
    void readEntries(int firstSeparator, const QString& firstSeparatorText, const QString& separator);
};

// "(original) - translation, (original) - translation".
class WordByWordParser2 : public WordByWordParser
{
public:
    using WordByWordParser::WordByWordParser;

protected:
    void parse() override;
};

// "original - translation; ...", exactly one separator per entry; also a
// single entry.
class WBWEasyParser : public WordByWordParser
{
public:
    using WordByWordParser::WordByWordParser;
    int minimumPairs() const override;

protected:
    void parse() override;
};

// WordByWordParser1, WordByWordParser2 and WBWEasyParser over one shared
// state, in the order they are tried.
std::vector<std::unique_ptr<WordByWordParser>> makeWordByWordParsers(TarnolixConstants::Language language);

// Tries the readers in order on one word-by-word paragraph of `part`. On
// success `text` becomes the reader's output and its pairs are appended to
// `pairs`; returns the index of the reader that took it. When none does,
// logs "processWordByWord for book <id> section <code> failed", leaves
// `text` as it was and returns -1.
int processWordByWord(const std::vector<std::unique_ptr<WordByWordParser>>& parsers, const BookPart& part, int bookId,
                      QString& text, WordByWordDataForIndex::WordPairs& pairs);
