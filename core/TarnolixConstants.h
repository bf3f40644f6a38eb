#pragma once
// The program's shared enumerations, interface colours and platform flags, as
// the code and QML ("Constants") both see them, with the functions that turn
// languages and enum values into the texts used in URLs, item paths, settings
// and database names, and back.

#include <QColor>
#include <QLocale>
#include <QObject>
#include <QString>
#include <QVector>

class TarnolixConstants : public QObject
{
    Q_OBJECT

public:
    // Every enumeration has int as its underlying type: values arrive as
    // plain integers (stored rows, settings, QML, URLs), and casting one
    // outside the listed values must stay defined so it can be refused.
    enum Language : int { InvalidLanguage = 0, English = 1, Russian = 2, Sanskrit = 3 };
    Q_ENUM(Language)

    enum Catalog : int {
        InvalidCatalog = 0,
        EnglishCatalog = 1,
        RussianCatalog = 2,
        SanskritCatalog = 3,
        WordByWordCatalog = 4,
        GlossaryCatalog = 5,
        ConverterCatalog = 6,
        FavoritesCatalog = 7
    };
    Q_ENUM(Catalog)

    enum CatalogTab : int {
        InvalidCatalogTab = -1,
        Categories = 0,
        Authors = 1,
        Names = 2,
        SearchResults = 3,
        Glossaries = 4,
        GlossariesNames = 5,
        AllFavorites = 6,
        FavoritesByBooks = 7
    };
    Q_ENUM(CatalogTab)

    enum CatalogItemType : int {
        InvalidCatalogItemType = 0,
        Letter = 1,
        Category = 2,
        Author = 3,
        Book = 4,
        Section = 5,
        SRItemId = 6,
        Glossary = 7,
        FavoriteFolder = 8,
        FavoriteItemId = 9
    };
    Q_ENUM(CatalogItemType)

    enum ColorMode : int { InvalidColorMode = 0, Light = 1, Dark = 2, Mixed = 3 };
    Q_ENUM(ColorMode)

    enum SearchStatus : int { InvalidSearchStatus = 0, Searching = 1, SearchFinished = 2 };
    Q_ENUM(SearchStatus)

    enum SearchSort : int { ByRelevance = 0, ByCatalog = 1, ByMatch = 2 };
    Q_ENUM(SearchSort)

    enum SearchType : int { InvalidSearchType = 0, FullText = 1, WordByWord = 2, GlossarySearch = 3, FavoritesSearch = 4 };
    Q_ENUM(SearchType)

    enum OriginalChoise : int { InvalidOriginalChoise = 0, ExactWord = 1, Exact = 2, Contains = 3, WordStartsWith = 4 };
    Q_ENUM(OriginalChoise)

    Q_PROPERTY(QColor lightGold READ lightGold CONSTANT)
    Q_PROPERTY(QColor darkGold READ darkGold CONSTANT)
    Q_PROPERTY(QColor white READ white CONSTANT)
    Q_PROPERTY(QColor lightGray READ lightGray CONSTANT)
    Q_PROPERTY(QColor grayStroke READ grayStroke CONSTANT)
    Q_PROPERTY(QColor grayText READ grayText CONSTANT)
    Q_PROPERTY(QColor darkGray READ darkGray CONSTANT)
    Q_PROPERTY(QColor blackBackground READ blackBackground CONSTANT)
    Q_PROPERTY(QColor blackText READ blackText CONSTANT)
    Q_PROPERTY(QColor blackMenu READ blackMenu CONSTANT)
    Q_PROPERTY(QColor lightBlack READ lightBlack CONSTANT)
    Q_PROPERTY(QColor colorStatic READ colorStatic CONSTANT)
    Q_PROPERTY(QColor colorHover READ colorHover CONSTANT)
    Q_PROPERTY(QColor colorActive READ colorActive CONSTANT)
    Q_PROPERTY(QColor colorPressed READ colorPressed CONSTANT)
    Q_PROPERTY(QColor orange READ orange CONSTANT)
    Q_PROPERTY(bool isDebug READ isDebug CONSTANT)
    Q_PROPERTY(bool isWindows READ isWindows CONSTANT)
    Q_PROPERTY(bool isMacOS READ isMacOS CONSTANT)
    Q_PROPERTY(Language glossaryLanguage READ glossaryLanguage CONSTANT)

    explicit TarnolixConstants(QObject* parent = nullptr);

    static QColor lightGold() { return QColor(0xC9, 0x9C, 0x66); }
    static QColor darkGold() { return QColor(0xB7, 0x8A, 0x54); }
    static QColor white() { return QColor(0xFE, 0xFE, 0xFE); }
    static QColor lightGray() { return QColor(0xED, 0xED, 0xEE); }
    static QColor grayStroke() { return QColor(0xDA, 0xD8, 0xDD); }
    static QColor grayText() { return QColor(0xA9, 0xAA, 0xAD); }
    static QColor darkGray() { return QColor(0x89, 0x8A, 0x8E); }
    static QColor blackBackground() { return QColor(0x10, 0x10, 0x11); }
    static QColor blackText() { return QColor(0x1F, 0x20, 0x23); }
    static QColor blackMenu() { return QColor(0x27, 0x28, 0x2B); }
    static QColor lightBlack() { return QColor(0x3A, 0x3C, 0x40); }
    static QColor colorStatic() { return lightGray(); }
    static QColor colorHover() { return QColor(0xF8, 0xE5, 0x71); }
    static QColor colorActive() { return QColor(0xEF, 0xC8, 0x69); }
    static QColor colorPressed() { return QColor(0xEE, 0xBB, 0x3E); }
    static QColor orange() { return QColor(0xDE, 0x78, 0x61); }

    // "TARNOLIX_DEBUG" equal to exactly "1", read once per run.
    static bool isDebug();
    static bool isWindows() { return false; }
    static bool isMacOS() { return false; }
    static Language glossaryLanguage() { return English; }

    Q_INVOKABLE QString convertLanguageToString(TarnolixConstants::Language language) const;
    Q_INVOKABLE QString convertColorModeToString(TarnolixConstants::ColorMode colorMode) const;
};

// Language codes ("en", "ru", "st") and English names; invalid values log a
// warning and give an empty text.
QString languageToString(TarnolixConstants::Language language);
QString languageToName(TarnolixConstants::Language language);
TarnolixConstants::Language languageFromString(const QString& code);
QLocale languageToLocale(TarnolixConstants::Language language);
QString languageToStringTr(TarnolixConstants::Language language);
// Russian, English, Sanskrit: the order of every language list.
const QVector<TarnolixConstants::Language>& languageList();

// Enum key texts. A value outside the covered run gives an empty text; the
// reverse functions take only the texts the forward ones produce.
QString catalogItemTypeToString(TarnolixConstants::CatalogItemType type);
TarnolixConstants::CatalogItemType catalogItemTypeFromString(const QString& text);
QString catalogTabToString(TarnolixConstants::CatalogTab tab);
TarnolixConstants::CatalogTab catalogTabFromString(const QString& text);
QString colorModeToString(TarnolixConstants::ColorMode mode);
QString originalChoiseToString(TarnolixConstants::OriginalChoise choise);
TarnolixConstants::OriginalChoise originalChoiseFromString(const QString& text);
QString searchSortToString(TarnolixConstants::SearchSort sort);
TarnolixConstants::SearchSort searchSortFromString(const QString& text);
QString searchTypeToString(TarnolixConstants::SearchType type);
