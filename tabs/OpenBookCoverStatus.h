#pragma once
// The page kind of a book's cover page: it gives the tab the book's name in
// the page's language, read off the GUI thread. The page itself is built by
// the scheme handler.

#include "tabs/PageStatus.h"

class OpenBookCoverStatus : public PageStatus
{
    Q_OBJECT

public:
    explicit OpenBookCoverStatus(QObject* parent = nullptr);

    UrlCreator::QueryType type() const override { return UrlCreator::OpenBookCover; }
    void initializePage() override;
};
