#pragma once
// The request kinds of the URL model, shared by the URL model, the scheme
// handler and the page kinds. The key names, lower-cased, are the URL host
// words (openbook, openbookslug, ...).

#include <QObject>

class UrlCreator
{
    Q_GADGET

public:
    enum QueryType : int {
        InvalidQuery = 0,
        OpenBook = 1,
        OpenBookSlug = 2,
        OpenBookCover = 3,
        GetBookCover = 4,
        OpenAuthor = 5,
        NewTab = 6,
        FTSearch = 7,
        GetPersonPhoto = 8,
        WBWSearch = 9,
        GlossarySearch = 10,
        Redirect = 11,
        Glossary = 12,
        Converter = 13,
        Favorites = 14,
        FavoritesSearch = 15
    };
    Q_ENUM(QueryType)
};
