#pragma once
// The word pairs of one book edition, as the book reader collects them from
// its word-by-word paragraphs and the word-by-word index stores them: one
// document per (original, translation) pair, under its section's code.

#include "core/BookRecords.h"
#include "core/TarnolixConstants.h"

#include <QHash>
#include <QString>

#include <memory>
#include <utility>
#include <vector>

struct WordByWordDataForIndex
{
    // (original, translation), both trimmed.
    using WordPair = std::pair<QString, QString>;
    using WordPairs = std::vector<WordPair>;
    // Section code -> the section's pairs in reading order.
    using PairsBySection = QHash<QString, WordPairs>;

    explicit WordByWordDataForIndex(TarnolixConstants::Language language) : language(language) {}

    TarnolixConstants::Language language = TarnolixConstants::InvalidLanguage;
    // Set by the book saver once the book's base record is known; the index
    // takes the book id and categories from it.
    std::shared_ptr<const BookBase> book;
    PairsBySection pairs;

    void setBook(std::shared_ptr<const BookBase> base) { book = std::move(base); }
    // Appends each section's pairs after those already held for that section.
    void merge(const PairsBySection& other);
    // Number of pairs over all sections.
    int pairCount() const;
};
