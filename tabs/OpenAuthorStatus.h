#pragma once
// The page kind of an author's page: it gives the tab the person's name in
// the page's language (empty when the person has none in it), read off the
// GUI thread. The page itself is built by the scheme handler.

#include "tabs/PageStatus.h"

class OpenAuthorStatus : public PageStatus
{
    Q_OBJECT

public:
    explicit OpenAuthorStatus(QObject* parent = nullptr);

    UrlCreator::QueryType type() const override { return UrlCreator::OpenAuthor; }
    void initializePage() override;
};
