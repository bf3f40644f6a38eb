#pragma once
// What a scheme handler needs of the tab it serves: being told the URL the
// tab's view now shows, before the page for it is built (the tab parses it,
// turns slug URLs into id URLs and switches its page kind). GUI thread only.

class QUrl;

class SchemeHandlerTab
{
public:
    virtual ~SchemeHandlerTab() = default;
    virtual void setUrl(const QUrl& url) = 0;
};
