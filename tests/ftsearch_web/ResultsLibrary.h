#pragma once
// An English library of many hits for "alpha", indexed by the program's own
// index writer thread, with the page services, the index lookup and the
// search thread pool of the full-text pages pointed at it. One per run.
//
//   book 1: sections 1.1 .. 1.kHits, each one paragraph holding "alpha"
//   book 2: sections 2.1 .. 2.4 holding "beta" only
//   book 5: sections 5.1 .. 5.kSigmaBookSections, each holding "delta";
//           "sigma" only in the sections of kSigmaSections
//   book 6: section 6.1, one paragraph of kGammaLines lines each holding
//           "gamma", then 6.2 with one line of "gamma"
//   book 7: section 7.1, two paragraphs each holding "omega"

#include "pages/HTMLCreator.h"
#include "pages/UrlCreatorImpl.h"
#include "search/index/IndexWriterThread.h"
#include "search/searchers/FTSearchThread.h"
#include "search/searchers/SearchIndexLookup.h"
#include "tabs/FTSearchPageStatus.h"
#include "tests/pages/FakePageServices.h"
#include "tests/search_index/IndexTestLibrary.h"
#include "tests/search_index_writer/FakeIndexWriterHost.h"

#include <QSignalSpy>
#include <QStringList>

#include <algorithm>
#include <iterator>
#include <memory>

namespace tarnolix::test {

class ResultsLibrary
{
public:
    static constexpr int kHits = 400;
    static constexpr int kSigmaBookId = 5;
    static constexpr int kSigmaBookSections = 60;
    static constexpr int kSigmaSections[] = {10, 25, 26, 40, 55};
    static constexpr int kGammaBookId = 6;
    static constexpr int kGammaLines = 3;
    static constexpr int kOmegaBookId = 7;

    ResultsLibrary()
        : m_previousPages(PageServices::current())
    {
        IndexWriterHost::setCurrent(&host);
        QStringList alpha;
        for (int n = 1; n <= kHits; ++n)
            alpha << QStringLiteral("alpha number %1 walks along the river bank where the old mill stands, "
                                    "and the reeds bend under the evening wind while the heron waits")
                         .arg(n);
        library.addBook(1, {TarnolixConstants::English}, alpha);
        library.addBook(2, {TarnolixConstants::English},
                        {QStringLiteral("beta one"), QStringLiteral("beta two"), QStringLiteral("beta three"),
                         QStringLiteral("beta four")});
        QStringList delta;
        for (int n = 1; n <= kSigmaBookSections; ++n) {
            QString text = QStringLiteral("delta passage %1 tells of the quiet valley where the shepherd rests beside "
                                          "the stream while swallows circle over the meadow until the evening bell "
                                          "calls everyone home from the hills")
                               .arg(n);
            if (std::find(std::begin(kSigmaSections), std::end(kSigmaSections), n) != std::end(kSigmaSections))
                text += QStringLiteral(" and the sigma stone");
            delta << text;
        }
        library.addBook(kSigmaBookId, {TarnolixConstants::English}, delta);
        QStringList gammaLines;
        for (int n = 1; n <= kGammaLines; ++n)
            gammaLines << QStringLiteral("gamma line %1 of the long verse that climbs from the harbour to the "
                                         "lighthouse, past the nets drying in the sun and the boats drawn up on "
                                         "the shingle, where the gulls quarrel over what the tide left behind")
                              .arg(n);
        library.addBookOfTexts(kGammaBookId, {TarnolixConstants::English},
                               {gammaLines, {QStringLiteral("gamma alone in the second section")}});
        library.addBookOfParagraphs(kOmegaBookId, {TarnolixConstants::English},
                                    {{{QStringLiteral("omega opens the first paragraph of the chapter")},
                                      {QStringLiteral("and omega closes the second paragraph of the chapter")}}});
        writer = std::make_unique<IndexWriterThread>(1);
        QSignalSpy active(writer.get(), &IndexWriterThread::activeChanged);
        writer->create();
        EXPECT_TRUE(waitUntil(
            [&] {
                return active.count() >= 2 && !writer->active()
                    && library.db().countBFI(TarnolixConstants::English) == 0;
            },
            60000));
        IndexWriterThread* indexWriter = writer.get();
        setIndexWriterThreadLookup([indexWriter](unsigned language) { return language == 1 ? indexWriter : nullptr; });

        pages = std::make_unique<FakePageServices>();
        pages->db = std::shared_ptr<TarnolixDB>(&library.db(), [](TarnolixDB*) {});
        pages->creator = std::make_shared<HTMLCreator>();
        manager = std::make_unique<FTSearchThreadManager>();
        FTSearchPageStatus::setThreadManager(manager.get());
    }

    ~ResultsLibrary()
    {
        FTSearchPageStatus::setThreadManager(nullptr);
        manager.reset();
        pages.reset();
        PageServices::setCurrent(m_previousPages);
        setIndexWriterThreadLookup({});
        writer.reset();
        IndexWriterHost::setCurrent(nullptr);
    }

    // The results URL of `query` made for tab `tabId`.
    static QUrl resultsUrl(const QString& query, int tabId)
    {
        auto settings = std::make_shared<FTSearchSettings>(TarnolixConstants::English);
        settings->setQuery(query);
        UrlCreatorImpl url;
        url.setSearchSettings(settings);
        return url.toUrl(tabId);
    }

    IndexTestLibrary library;
    FakeIndexWriterHost host;
    std::unique_ptr<IndexWriterThread> writer;
    std::unique_ptr<FakePageServices> pages;
    std::unique_ptr<FTSearchThreadManager> manager;

private:
    PageServices* m_previousPages;
};

// The library of this test run, made before the first test and gone after
// the last (ResultsLibrary.cpp).
ResultsLibrary& resultsLibrary();

} // namespace tarnolix::test
