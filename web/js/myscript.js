// Shared page script: injected by the tab's web view into every document at
// its creation, in the main world, after the web channel client. The page's
// own scripts ("book.js" and the small ones) use what it defines here.

var g_tabWebChannel;
var g_contentElement = null;
var g_savedScrollPosition = null;

// The channel client needs the document: connect once its content is there.
document.addEventListener("DOMContentLoaded", function () {
    if (typeof QWebChannel === "undefined" || typeof qt === "undefined" || !qt.webChannelTransport) {
        console.warn("Web channel transport not available");
        return;
    }
    new QWebChannel(qt.webChannelTransport, function (channel) {
        g_tabWebChannel = channel.objects.tabWebChannel;
    });
});

function htmlToElement(html) {
    var template = document.createElement("template");
    template.innerHTML = String(html).trim();
    return template.content.firstChild;
}

function showPage() {
    var page = document.querySelector("div.invisible");
    if (!page) {
        console.warn("div.invisible not found!");
        return;
    }
    page.classList.remove("invisible");
}

function showPageDelay(delay) {
    setTimeout(showPage, delay);
}

function getContentElement() {
    if (!g_contentElement)
        g_contentElement = document.getElementById("content");
    return g_contentElement;
}

function getContentInnerElement() {
    return document.body ? document.body.firstElementChild : null;
}

function appendContent(html) {
    var node = htmlToElement(html);
    if (node)
        getContentElement().appendChild(node);
}

function prependContent(html) {
    var node = htmlToElement(html);
    if (node) {
        var content = getContentElement();
        content.insertBefore(node, content.firstChild);
    }
}

function clearContent() {
    var content = getContentElement();
    while (content.lastChild)
        content.removeChild(content.lastChild);
}

function setColorMode(colorClass) {
    var page = getContentInnerElement();
    if (!page) {
        console.warn("setColorMode: content not found");
        return;
    }
    page.classList.remove("light", "dark", "mixed");
    page.classList.add(colorClass);
}

function switchContent(hideClass, show, caller) {
    var page = getContentInnerElement();
    if (!page) {
        console.log(caller + ": content not found");
        return;
    }
    // The book page keeps the text in place while a verse part comes or goes.
    if (typeof changeBookContentVisibility === "function")
        changeBookContentVisibility(page, hideClass, show);
    else if (show)
        page.classList.remove(hideClass);
    else
        page.classList.add(hideClass);
}

function showContent(hideClass) {
    switchContent(hideClass, true, "showContent");
}

function hideContent(hideClass) {
    switchContent(hideClass, false, "hideContent");
}

function setElementsHidden(ids, hidden) {
    for (var i = 0; i < ids.length; ++i) {
        var element = document.getElementById(ids[i]);
        if (element)
            element.classList.toggle("hide", hidden);
    }
}

function showElements(ids) {
    setElementsHidden(ids, false);
}

function hideElements(ids) {
    setElementsHidden(ids, true);
}

// Scroll position of a results page: the first element with an id under the
// view's centre line, tried at nine heights.
function getElementScrollPosition() {
    for (var i = 1; i <= 9; ++i) {
        var element = document.elementFromPoint(window.innerWidth / 2, window.innerHeight * i / 10);
        while (element && !element.id)
            element = element.parentElement;
        if (!element || element.id === "content")
            continue;
        return { id: element.id, yOffset: element.getBoundingClientRect().top };
    }
    return null;
}

function restoreElementScrollPosition(id, yOffset) {
    var element = document.getElementById(id);
    if (!element) {
        console.error("restoreElementScrollPosition: Element not found");
        return;
    }
    element.scrollIntoView(true);
    window.scrollBy(0, -yOffset);
}

// Kept while the content view changes its width (book mode switch).
function saveScrollPosition() {
    var element = document.elementFromPoint(window.innerWidth / 2, window.innerHeight / 2);
    if (!element) {
        g_savedScrollPosition = null;
        console.warn("Element by point not found");
        return;
    }
    g_savedScrollPosition = { element: element, rect: element.getBoundingClientRect() };
}

function restoreScrollPosition() {
    if (!g_savedScrollPosition) {
        console.warn("g_savedScrollPosition = 0");
        return;
    }
    g_savedScrollPosition.element.scrollIntoView(true);
    window.scrollBy(0, -g_savedScrollPosition.rect.top);
}

function removeSavedScrollPosition() {
    g_savedScrollPosition = null;
}

// Rows of a list of books that shows three rows until expanded, with its pair
// of "expand" / "collapse" buttons (author match blocks, the cover page).
function toggleBookRows(root, rowClass, buttons, expand) {
    var rows = root.getElementsByClassName(rowClass);
    for (var i = 0; i < rows.length; ++i) {
        if (expand)
            rows[i].classList.remove("hide");
        else if (i >= 3)
            rows[i].classList.add("hide");
    }
    if (buttons.length !== 2)
        console.warn("Ожидалось 2 кнопки");
    for (var j = 0; j < buttons.length; ++j) {
        var type = buttons[j].getAttribute("data-button-type");
        if (type === "expand")
            buttons[j].classList.toggle("hide", expand);
        else if (type === "collapse")
            buttons[j].classList.toggle("hide", !expand);
        else
            console.warn("Неизвестный тип кнопки");
    }
}

function authorMatchToggleBooks(id, expand) {
    var block = document.getElementById(id);
    if (!block) {
        console.error("Error 0x85796512");
        return;
    }
    toggleBookRows(block, "author-book-item", block.getElementsByTagName("button"), expand);
}

function authorMatchExpandBooks(id) {
    authorMatchToggleBooks(id, true);
}

function authorMatchCollapseBooks(id) {
    authorMatchToggleBooks(id, false);
}

// variants: one {text, language} per language variant; an entry's text is the
// label of the button while that entry's language is shown.
function shortNameMatchAnyLangClicked(variants, button, id) {
    if (!variants || variants.length === 0)
        return;
    var next = parseInt(button.getAttribute("data-current-index"), 10) + 1;
    if (!(next >= 0 && next < variants.length))
        next = 0;
    var variant = variants[next];
    button.setAttribute("data-current-index", String(next));
    button.innerHTML = variant.text;
    var block = document.getElementById(id);
    if (!block) {
        console.error("Error 0x85794112");
        return;
    }
    var contents = block.getElementsByClassName("short-name-match-content-inner");
    if (contents.length === 0) {
        console.error("Error 0x85794111");
        return;
    }
    for (var i = 0; i < contents.length; ++i)
        contents[i].classList.toggle("hide", contents[i].getAttribute("data-language") !== variant.language);
}

// ---- Script twin of the program's URL model, for links built in a page ----

var Language = Object.freeze({
    InvalidLanguage: "",
    English: "en",
    Russian: "ru",
    Sanskrit: "st"
});

var CatalogItemType = Object.freeze({
    InvalidCatalogItemType: "",
    Letter: "Letter",
    Category: "Category",
    Author: "Author",
    Book: "Book",
    Section: "Section",
    SRItemId: "SRItemId",
    Glossary: "Glossary",
    FavoriteFolder: "FavoriteFolder",
    FavoriteItemId: "FavoriteItemId"
});

var CatalogTab = Object.freeze({
    InvalidCatalogTab: "",
    Categories: "Categories",
    Authors: "Authors",
    Names: "Names",
    SearchResults: "SearchResults",
    Glossaries: "Glossaries",
    GlossariesNames: "GlossariesNames",
    AllFavorites: "AllFavorites",
    FavoritesByBooks: "FavoritesByBooks"
});

// The program compares host words without regard to case.
var QueryType = Object.freeze({
    InvalidQuery: "",
    OpenBook: "openbook",
    OpenBookSlug: "openbookslug",
    OpenBookCover: "openbookcover",
    GetBookCover: "getbookcover",
    OpenAuthor: "openauthor",
    NewTab: "newtab",
    FTSearch: "ftsearch",
    GetPersonPhoto: "getpersonphoto",
    WBWSearch: "wbwsearch",
    Glossary: "glossary",
    GlossarySearch: "glossarySearch",
    Redirect: "redirect",
    Converter: "converter",
    Favorites: "favorites",
    FavoritesSearch: "favoritesSearch"
});

// Item values kept as text; every other item type holds an integer id.
var c_textItemTypes = [CatalogItemType.Letter, CatalogItemType.Section,
                       CatalogItemType.FavoriteFolder, CatalogItemType.FavoriteItemId];

function UrlCreator() {
    this.clear();
}

UrlCreator.prototype.clear = function () {
    this.queryType = QueryType.InvalidQuery;
    this.language = Language.InvalidLanguage;
    this.catalogTab = CatalogTab.InvalidCatalogTab;
    this.searchId = 0;
    this.tabId = 0;
    this.findInAnotherLanguageIfNotExists = false;
    this.itemPath = [];
};

UrlCreator.prototype.isValid = function () {
    return !!this.queryType && !!this.language;
};

UrlCreator.prototype.findItem = function (type, last) {
    var found;
    for (var i = 0; i < this.itemPath.length; ++i) {
        if (this.itemPath[i].type === type) {
            found = this.itemPath[i].id;
            if (!last)
                break;
        }
    }
    return found;
};

UrlCreator.prototype.getBookId = function () {
    return this.findItem(CatalogItemType.Book, false);
};

UrlCreator.prototype.getAuthorId = function () {
    return this.findItem(CatalogItemType.Author, false);
};

UrlCreator.prototype.getSectionCode = function () {
    return this.findItem(CatalogItemType.Section, true);
};

UrlCreator.prototype.addItemPath = function (type, id) {
    this.itemPath.push({ type: type, id: id });
};

UrlCreator.prototype.toUrl = function () {
    if (!this.isValid()) {
        console.error("Invalid UrlCreator");
        return "";
    }
    var url = "tarnolix://" + this.queryType + "." + this.language;
    for (var i = 0; i < this.itemPath.length; ++i)
        url += "/" + this.itemPath[i].type + "-" + this.itemPath[i].id;
    var keys = [];
    if (this.catalogTab)
        keys.push("catalogTab=" + this.catalogTab);
    if (this.searchId)
        keys.push("searchId=" + this.searchId);
    if (this.tabId)
        keys.push("tabId=" + this.tabId);
    if (this.findInAnotherLanguageIfNotExists)
        keys.push("findInAnotherLanguageIfNotExists=1");
    if (keys.length)
        url += "?" + keys.join("&");
    return encodeURI(url);
};

function urlInteger(text) {
    var value = parseInt(text, 10);
    return isNaN(value) ? 0 : value;
}

UrlCreator.prototype.fromUrl = function (text) {
    this.clear();
    try {
        var scheme = "tarnolix:";
        if (typeof text !== "string" || text.indexOf(scheme) !== 0)
            throw new Error("Invalid protocol");
        var url = new URL("https:" + text.substring(scheme.length));
        var dot = url.hostname.indexOf(".");
        if (dot < 0)
            throw new Error("Parse url error 0x87896546");
        this.queryType = url.hostname.substring(0, dot);
        this.language = url.hostname.substring(dot + 1);

        var slugForm = this.queryType === QueryType.OpenBookSlug;
        var parts = url.pathname.split("/");
        for (var i = 0; i < parts.length; ++i) {
            if (!parts[i])
                continue;
            var dash = parts[i].indexOf("-");
            if (dash < 0) {
                console.warn("fromUrl: ERROR 0x86549752");
                continue;
            }
            var type = parts[i].substring(0, dash);
            var value = parts[i].substring(dash + 1);
            if (slugForm || c_textItemTypes.indexOf(type) >= 0)
                this.addItemPath(type, decodeURIComponent(value));
            else
                this.addItemPath(type, urlInteger(value));
        }

        var self = this;
        url.searchParams.forEach(function (value, key) {
            if (key === "catalogTab")
                self.catalogTab = value;
            else if (key === "searchId")
                self.searchId = urlInteger(value);
            else if (key === "tabId")
                self.tabId = urlInteger(value);
            else if (key === "findInAnotherLanguageIfNotExists")
                self.findInAnotherLanguageIfNotExists = urlInteger(value) !== 0;
            else
                console.warn("fromUrl: Unknown parameter: " + key);
        });
        return true;
    } catch (error) {
        console.error(error && error.message ? error.message : String(error));
        this.clear();
        return false;
    }
};
