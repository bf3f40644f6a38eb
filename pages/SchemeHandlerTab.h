#pragma once
// What a scheme handler needs of the tab it serves: being told the URL the
// tab's view now shows, before the page for it is built (the tab parses it,
// turns slug URLs into id URLs and switches its page kind), and the pages
// that depend on the search state the tab keeps. GUI thread only.

#include "pages/SchemeHandlerException.h"
#include "pages/SchemeHandlerJob.h"

#include <QByteArray>

class QUrl;
class UrlCreatorImpl;

class SchemeHandlerTab
{
public:
    virtual ~SchemeHandlerTab() = default;
    virtual void setUrl(const QUrl& url) = 0;

    // The answer to a full-text search request: `page` at once, or, when
    // `work` is set, a job running it (the tab's stored results answer the
    // request).
    struct FullTextAnswer
    {
        QByteArray page;
        SchemeHandlerJob::WorkFunction work;
    };
    // `request` has search settings; `url` is the request's URL.
    virtual FullTextAnswer fullTextSearch(const UrlCreatorImpl& request, const QUrl& url)
    {
        Q_UNUSED(request)
        Q_UNUSED(url)
        throw SchemeHandlerException(SchemeHandlerException::NotFound, "Request not supported");
    }
};
