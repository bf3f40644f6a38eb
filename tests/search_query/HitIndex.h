#pragma once
// A small index in memory, one segment per batch of documents, each document
// with its book id ("bid"), section code ("s"), its text in the content
// fields "A" and "E" and in "notes", a field that is no content field.

#include "search/index/Analyzers.h"

#include <LuceneHeaders.h>

#include <string>
#include <vector>

namespace tarnolix::test {

struct HitDocument
{
    std::wstring bid;
    std::wstring text;
};

// Each inner list is one segment, in order.
using Segments = std::vector<std::vector<HitDocument>>;

class HitIndex
{
public:
    explicit HitIndex(const Segments& segments)
    {
        analyzer = Lucene::newLucene<EnglishAnalyzer>(Lucene::LuceneVersion::LUCENE_CURRENT);
        directory = Lucene::newLucene<Lucene::RAMDirectory>();
        const auto writer = Lucene::newLucene<Lucene::IndexWriter>(directory, analyzer, true,
                                                                   Lucene::IndexWriter::MaxFieldLengthUNLIMITED);
        // Segments stay apart: no merge before a hundred of them.
        writer->setMergeFactor(100);
        int section = 0;
        for (const auto& segment : segments) {
            for (const HitDocument& hit : segment) {
                const auto document = Lucene::newLucene<Lucene::Document>();
                document->add(Lucene::newLucene<Lucene::Field>(L"bid", hit.bid, Lucene::Field::STORE_YES,
                                                               Lucene::Field::INDEX_NOT_ANALYZED));
                document->add(Lucene::newLucene<Lucene::Field>(L"s", L"1." + std::to_wstring(++section),
                                                               Lucene::Field::STORE_YES,
                                                               Lucene::Field::INDEX_NOT_ANALYZED));
                for (const wchar_t* field : {L"A", L"E", L"notes"})
                    document->add(Lucene::newLucene<Lucene::Field>(field, hit.text, Lucene::Field::STORE_YES,
                                                                   Lucene::Field::INDEX_ANALYZED));
                writer->addDocument(document);
            }
            writer->commit();
        }
        writer->close();
        reader = Lucene::IndexReader::open(directory, true);
        searcher = Lucene::newLucene<Lucene::IndexSearcher>(reader);
    }

    int32_t segmentCount() const { return reader->getSequentialSubReaders().size(); }

    Lucene::AnalyzerPtr analyzer;
    Lucene::DirectoryPtr directory;
    Lucene::IndexReaderPtr reader;
    Lucene::IndexSearcherPtr searcher;
};

} // namespace tarnolix::test
