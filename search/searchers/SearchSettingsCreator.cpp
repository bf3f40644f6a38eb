#include "search/searchers/SearchSettingsCreator.h"

#include "core/Exception.h"
#include "core/TextNormalization.h"
#include "pages/PageServices.h"
#include "pages/UrlCreatorImpl.h"
#include "search/searchers/CheckedItemsSource.h"
#include "search/searchers/FTSearchRecords.h"
#include "search/searchers/FavoritesSearchRecords.h"
#include "search/searchers/GlossarySearchRecords.h"
#include "search/searchers/WBWSearchRecords.h"

#include <QThread>

#include <exception>

namespace tarnolix {

namespace {

using C = TarnolixConstants;

std::vector<int> toInts(const std::vector<uint32_t>& ids)
{
    return std::vector<int>(ids.begin(), ids.end());
}

} // namespace

SearchSettingsCreator::SearchSettingsCreator(QObject* parent)
    : QObject(parent)
    , m_fullText(std::make_shared<FTSearchSettings>())
    , m_wordByWord(std::make_shared<WBWSearchSettings>())
    , m_glossary(std::make_shared<GlossarySearchSettings>())
    , m_favorites(std::make_shared<FavoritesSearchSettings>())
{
}

SearchSettingsCreator::~SearchSettingsCreator() = default;

void SearchSettingsCreator::setCatalogTreeHelper(QObject* helper)
{
    CheckedItemsSource* source = qobject_cast<CheckedItemsSource*>(helper);
    if (helper && !source) {
        qWarning("SearchSettingsCreator: %s is no catalogue tree helper", helper->metaObject()->className());
        helper = nullptr;
    }
    if (helper == m_helperObject)
        return;
    if (m_helperObject)
        disconnect(m_helperObject, nullptr, this, nullptr);
    m_helperObject = helper;
    m_helper = source;
    if (m_helperObject) {
        connect(m_helperObject, &QObject::destroyed, this, &SearchSettingsCreator::catalogTreeHelperDestroyed);
        connect(m_helperObject, SIGNAL(treeViewProxyModelChanged()), this,
                SLOT(catalogTreeHelperTreeViewProxyModelChanged()));
    }
    setTreeViewProxyModel(m_helper ? m_helper->treeViewProxyModel() : nullptr);
    m_scopeUpToDate = false;
    emit catalogTreeHelperChanged();
}

void SearchSettingsCreator::setTreeViewProxyModel(QObject* model)
{
    if (m_treeViewProxyModel)
        disconnect(m_treeViewProxyModel, nullptr, this, nullptr);
    m_treeViewProxyModel = model;
    if (!model)
        return;
    connect(model, &QObject::destroyed, this, &SearchSettingsCreator::treeViewProxyModelDestroyed);
    const char* slot = SLOT(treeViewProxyModelCheckStateChanged());
    connect(model, SIGNAL(itemChecked(QModelIndex)), this, slot);
    connect(model, SIGNAL(itemUnchecked(QModelIndex)), this, slot);
    connect(model, SIGNAL(allChecked()), this, slot);
    connect(model, SIGNAL(allUnchecked()), this, slot);
}

void SearchSettingsCreator::catalogTreeHelperTreeViewProxyModelChanged()
{
    setTreeViewProxyModel(m_helper ? m_helper->treeViewProxyModel() : nullptr);
}

void SearchSettingsCreator::catalogTreeHelperDestroyed()
{
    if (!m_helperObject || sender() != m_helperObject)
        return;
    m_helperObject = nullptr;
    m_helper = nullptr;
    emit catalogTreeHelperChanged();
}

void SearchSettingsCreator::treeViewProxyModelDestroyed()
{
    if (m_treeViewProxyModel && sender() == m_treeViewProxyModel)
        m_treeViewProxyModel = nullptr;
}

void SearchSettingsCreator::treeViewProxyModelCheckStateChanged()
{
    m_scopeUpToDate = false;
}

C::Language SearchSettingsCreator::language() const
{
    return m_fullText->language();
}

void SearchSettingsCreator::setLanguage(C::Language language)
{
    if (language == m_fullText->language())
        return;
    m_fullText->setLanguage(language);
    m_wordByWord->setLanguage(language);
    m_glossary->setLanguage(language);
    m_favorites->setLanguage(language);
    m_scopeUpToDate = false;
    emit languageChanged();
}

void SearchSettingsCreator::setSearchType(C::SearchType searchType)
{
    if (searchType == m_searchType)
        return;
    m_searchType = searchType;
    emit searchTypeChanged();
}

QString SearchSettingsCreator::query() const
{
    return m_fullText->query();
}

void SearchSettingsCreator::setQuery(const QString& text)
{
    if (text == m_fullText->query())
        return;
    m_fullText->setQuery(text);
    m_glossary->setQuery(text);
    m_favorites->setText(text);
    if (m_searchAreaOriginal) {
        m_wordByWord->setOriginalQuery(text);
        m_wordByWord->setTranslationQuery(QString());
    } else {
        if (!m_searchAreaTranslate)
            qCritical("ERROR 0x88797451");
        m_wordByWord->setOriginalQuery(QString());
        m_wordByWord->setTranslationQuery(text);
    }
    emit queryChanged();
}

bool SearchSettingsCreator::exactMatch() const
{
    return m_fullText->fieldName().exactMatch();
}

void SearchSettingsCreator::setExactMatch(bool exactMatch)
{
    if (exactMatch == this->exactMatch())
        return;
    FTFieldName fieldName = m_fullText->fieldName();
    fieldName.setExactMatch(exactMatch);
    m_fullText->setFieldName(fieldName);
    emit exactMatchChanged();
}

bool SearchSettingsCreator::accountOfDiacritics() const
{
    return m_fullText->fieldName().accountOfDiacritics();
}

void SearchSettingsCreator::setAccountOfDiacritics(bool accountOfDiacritics)
{
    // The record starts false and stays so.
    if (accountOfDiacritics)
        qWarning("accountOfDiacritics not supported");
}

void SearchSettingsCreator::setSearchFilter(bool searchFilter)
{
    if (searchFilter == m_searchFilter)
        return;
    m_searchFilter = searchFilter;
    m_scopeUpToDate = false;
    emit searchFilterChanged();
}

int SearchSettingsCreator::searchInBook() const
{
    return m_fullText->searchInBook();
}

void SearchSettingsCreator::setSearchInBook(int bookId)
{
    if (bookId == m_fullText->searchInBook())
        return;
    m_fullText->setSearchInBook(bookId);
    emit searchInBookChanged();
}

void SearchSettingsCreator::setSearchAreaOriginal(bool searchAreaOriginal)
{
    if (searchAreaOriginal == m_searchAreaOriginal)
        return;
    m_searchAreaOriginal = searchAreaOriginal;
    m_wordByWord->setOriginalQuery(searchAreaOriginal ? m_fullText->query() : QString());
    emit searchAreaOriginalChanged();
}

void SearchSettingsCreator::setSearchAreaTranslate(bool searchAreaTranslate)
{
    if (searchAreaTranslate == m_searchAreaTranslate)
        return;
    m_searchAreaTranslate = searchAreaTranslate;
    m_wordByWord->setTranslationQuery(searchAreaTranslate ? m_fullText->query() : QString());
    emit searchAreaTranslateChanged();
}

C::OriginalChoise SearchSettingsCreator::originalChoise() const
{
    return m_wordByWord->originalChoise();
}

void SearchSettingsCreator::setOriginalChoise(C::OriginalChoise choise)
{
    if (choise == m_wordByWord->originalChoise())
        return;
    m_wordByWord->setOriginalChoise(choise);
    emit originalChoiseChanged();
}

bool SearchSettingsCreator::hasValidSearchScope()
{
    if (!m_searchFilter)
        return true;
    try {
        refreshScope();
    } catch (const std::exception& e) {
        qCritical("Search scope validation failed: %s", e.what());
        return false;
    } catch (...) {
        qCritical("Search scope validation failed");
        return false;
    }
    switch (m_searchType) {
    case C::FullText:
        return hasScope(*m_fullText);
    case C::WordByWord:
        return hasScope(*m_wordByWord);
    case C::GlossarySearch:
        return hasScope(*m_glossary);
    case C::FavoritesSearch:
        return true;
    default:
        return false;
    }
}

bool SearchSettingsCreator::setSearch(UrlCreator* urlCreator)
{
    try {
        if (!urlCreator)
            throw Exception("urlCreator=nullptr");
        urlCreator->impl().setSearchSettings(createSearchSettings());
        return true;
    } catch (const std::exception& e) {
        qCritical("setSearch failed: %s", e.what());
        if (PageServices* services = PageServices::current())
            services->postShowError(tr("Не удалось начать поиск!(0x54977751)"));
    } catch (...) {
        qCritical("setSearch failed");
        if (PageServices* services = PageServices::current())
            services->postShowError(tr("Не удалось начать поиск!(0x54977752)"));
    }
    return false;
}

SearchSettingsConstPtr SearchSettingsCreator::createSearchSettings()
{
    refreshScope();

    SearchSettings* current = m_fullText.get();
    if (m_searchType == C::WordByWord)
        current = m_wordByWord.get();
    else if (m_searchType == C::GlossarySearch)
        current = m_glossary.get();
    else if (m_searchType == C::FavoritesSearch)
        current = m_favorites.get();
    if (current->searchType() != m_searchType) {
        throw Exception(
            QStringLiteral("Invalid search type(2)!(%1;%2)").arg(int(current->searchType())).arg(int(m_searchType)));
    }

    const bool catalogMatches = !m_helper || m_helper->language() == m_fullText->language();
    if (m_searchType == C::WordByWord && m_searchFilter && !catalogMatches && hasScope(*current)) {
        if (PageServices* services = PageServices::current()) {
            services->showMessage(
                tr("Нельзя использовать фильтр по каталогу, если язык каталога не соответствует языку поиска!\n"
                   "Фильтр проигнорирован!"));
        }
    }

    const SearchSettingsPtr copy = current->clone();
    if (m_searchFilter) {
        if (auto* fullText = dynamic_cast<FTSearchSettings*>(copy.get())) {
            // The catalogue filter stands in for the one-book search.
            fullText->setSearchInBook(0);
        } else if (auto* wordByWord = dynamic_cast<WBWSearchSettings*>(copy.get()); wordByWord && !catalogMatches) {
            wordByWord->setCategories({});
            wordByWord->setBooks({});
            wordByWord->setSections({});
        }
    }

    if (m_searchType == C::FavoritesSearch) {
        const C::Language language = detectTextLanguage(m_fullText->query());
        if (language != copy->language()) {
            qDebug("SearchSettingsCreator: language changed to %s", qUtf8Printable(languageToString(language)));
            copy->setLanguage(language);
        }
    }
    return copy;
}

C::Language SearchSettingsCreator::catalogModelLanguage() const
{
    if (m_searchType == C::FavoritesSearch)
        return detectTextLanguage(m_fullText->query());
    return m_fullText->language();
}

void SearchSettingsCreator::refreshScope()
{
    checkThread();
    if (m_scopeUpToDate)
        return;
    std::vector<uint32_t> categoryIds;
    std::vector<uint32_t> glossaryIds;
    std::vector<uint32_t> bookIds;
    QStringList sectionCodes;
    if (m_searchFilter) {
        if (!m_helper)
            throw Exception("catalogTreeHelper=nullptr");
        m_helper->getCheckedItems(categoryIds, glossaryIds, bookIds, sectionCodes);
    }
    const std::vector<int> categories = toInts(categoryIds);
    const std::vector<int> books = toInts(bookIds);
    m_fullText->setCategories(categories);
    m_fullText->setBooks(books);
    m_fullText->setSections(sectionCodes);
    m_wordByWord->setCategories(categories);
    m_wordByWord->setBooks(books);
    m_wordByWord->setSections(sectionCodes);
    m_glossary->setCategories(categories);
    m_glossary->setGlossaries(toInts(glossaryIds));
    m_scopeUpToDate = true;
}

bool SearchSettingsCreator::hasScope(const SearchSettings& settings) const
{
    if (const auto* limits = dynamic_cast<const CatalogLimits*>(&settings))
        return !limits->categories().empty() || !limits->books().empty() || !limits->sections().isEmpty();
    if (const auto* glossary = dynamic_cast<const GlossarySearchSettings*>(&settings))
        return !glossary->categories().empty() || !glossary->glossaries().empty();
    return settings.searchType() == C::FavoritesSearch;
}

void SearchSettingsCreator::checkThread() const
{
    if (QThread::currentThread() != thread())
        throw Exception("SearchSettingsCreator is used off its thread");
}

} // namespace tarnolix
