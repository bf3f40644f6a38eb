#pragma once
// Stand-in search settings families for the URL model's tests: each record
// holds its family's URL keys as they are, and registers through the same
// point the real families use. `describe` gives a request's every field as
// one text, so tests compare requests (and "unchanged") in one line.

#include "core/SearchSettings.h"
#include "pages/SearchUrlFamilies.h"
#include "pages/UrlCreatorImpl.h"

#include <QStringList>

#include <memory>

namespace tarnolix::test {

template <typename Keys, TarnolixConstants::SearchType Type>
class FakeSettings : public SearchSettings
{
public:
    FakeSettings() = default;
    FakeSettings(const Keys& keys, TarnolixConstants::Language language)
        : SearchSettings(language)
        , keys(keys)
    {
    }

    TarnolixConstants::SearchType searchType() const override { return Type; }
    SearchSettingsPtr clone(SearchSettingsPtr target = {}) const override
    {
        if (!target)
            target = std::make_shared<FakeSettings>();
        SearchSettings::clone(target);
        static_cast<FakeSettings&>(*target).keys = keys;
        return target;
    }

    Keys keys;
};

using FakeFullText = FakeSettings<FullTextSearchKeys, TarnolixConstants::FullText>;
using FakeWordByWord = FakeSettings<WordByWordSearchKeys, TarnolixConstants::WordByWord>;
using FakeGlossary = FakeSettings<GlossarySearchKeys, TarnolixConstants::GlossarySearch>;
using FakeFavorites = FakeSettings<FavoritesSearchKeys, TarnolixConstants::FavoritesSearch>;

template <typename Fake, typename Keys>
SearchUrlFamily<Keys> fakeFamily()
{
    SearchUrlFamily<Keys> family;
    family.keysOf = [](const SearchSettings& settings) -> std::optional<Keys> {
        if (const auto* fake = dynamic_cast<const Fake*>(&settings))
            return fake->keys;
        return std::nullopt;
    };
    family.settingsFrom = [](const Keys& keys, TarnolixConstants::Language language) {
        return std::make_shared<Fake>(keys, language);
    };
    return family;
}

inline void registerFakeSearchFamilies()
{
    registerFullTextSearchUrls(fakeFamily<FakeFullText, FullTextSearchKeys>());
    registerWordByWordSearchUrls(fakeFamily<FakeWordByWord, WordByWordSearchKeys>());
    registerGlossarySearchUrls(fakeFamily<FakeGlossary, GlossarySearchKeys>());
    registerFavoritesSearchUrls(fakeFamily<FakeFavorites, FavoritesSearchKeys>());
}

inline void withdrawSearchFamilies()
{
    registerFullTextSearchUrls({});
    registerWordByWordSearchUrls({});
    registerGlossarySearchUrls({});
    registerFavoritesSearchUrls({});
}

inline QString ids(const std::vector<int>& values)
{
    QStringList texts;
    for (int value : values)
        texts << QString::number(value);
    return texts.join(QLatin1Char(','));
}

inline QString num(int value)
{
    return QString::number(value);
}

// Built by concatenation: values may hold "%1"-like text that arg() would fill.
inline QString describeSettings(const SearchSettings* settings)
{
    if (!settings)
        return QStringLiteral("none");
    QString text = "type=" + num(settings->searchType()) + " lang=" + num(settings->language())
                 + " sort=" + num(settings->sort()) + ' ';
    if (const auto* s = dynamic_cast<const FakeFullText*>(settings)) {
        const auto& k = s->keys;
        text += "q=[" + k.query + "] exact=" + num(k.exactMatch) + " diacritics=" + num(k.accountOfDiacritics)
              + " cat=" + ids(k.categoryIds) + " book=" + ids(k.bookIds) + " sec=[" + k.sectionCodes.join('|')
              + "] inBook=" + num(k.searchInBook);
    } else if (const auto* s = dynamic_cast<const FakeWordByWord*>(settings)) {
        const auto& k = s->keys;
        text += "orig=[" + k.original + "] tr=[" + k.translation + "] choise=" + num(k.originalChoise)
              + " cat=" + ids(k.categoryIds) + " book=" + ids(k.bookIds) + " sec=[" + k.sectionCodes.join('|') + ']';
    } else if (const auto* s = dynamic_cast<const FakeGlossary*>(settings)) {
        const auto& k = s->keys;
        text += "q=[" + k.query + "] cat=" + ids(k.categoryIds) + " glossary=" + ids(k.glossaryIds);
    } else if (const auto* s = dynamic_cast<const FakeFavorites*>(settings)) {
        text += s->keys.text ? "text=[" + *s->keys.text + ']' : QStringLiteral("no text");
    }
    return text;
}

inline QString describe(const UrlCreatorImpl& request)
{
    QStringList path;
    for (const auto& [type, id] : request.itemPathItems())
        path << num(type) + ':' + id.toString() + '(' + QLatin1String(id.typeName()) + ')';
    return "kind=" + num(request.queryType()) + " lang=" + num(request.language()) + " tab="
         + num(request.catalogTab()) + " search=" + num(request.searchId()) + " tabId=" + num(request.tabId())
         + " other=" + num(request.findInAnotherLanguageIfNotExists()) + " path=[" + path.join('/') + "] redirect=["
         + request.redirect() + "] settings={" + describeSettings(request.searchSettings().get()) + '}';
}

} // namespace tarnolix::test
