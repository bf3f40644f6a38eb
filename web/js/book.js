// Script of the reader page of an open book. The open-book page logic fills
// the content element one section at a time and asks this script to scroll,
// to sample the section in view and to keep the text still while sections are
// prepended or verse parts switched. It runs beside the shared page script
// (htmlToElement, getContentElement, g_tabWebChannel, UrlCreator).

// The section last navigated to by the program and the scroll position right
// after; valid until the reader scrolls (by 1 px or more).
var g_navigationSection = null;

// Named references read by the tolerant search. "cent" and "pound" stand for
// the fullwidth signs, as the program's own text helpers read them.
var c_htmlSpecialChars = Object.freeze({
    nbsp: 0x00A0, shy: 0x00AD, lt: 0x003C, gt: 0x003E, laquo: 0x00AB, raquo: 0x00BB,
    lsaquo: 0x2039, rsaquo: 0x203A, quot: 0x0022, prime: 0x2032, Prime: 0x2033,
    lsquo: 0x2018, rsquo: 0x2019, sbquo: 0x201A, ldquo: 0x201C, rdquo: 0x201D,
    bdquo: 0x201E, amp: 0x0026, apos: 0x0027, sect: 0x00A7, copy: 0x00A9, not: 0x00AC,
    reg: 0x00AE, macr: 0x00AF, deg: 0x00B0, plusmn: 0x00B1, sup1: 0x00B9, sup2: 0x00B2,
    sup3: 0x00B3, frac14: 0x00BC, frac12: 0x00BD, frac34: 0x00BE, acute: 0x00B4,
    micro: 0x00B5, para: 0x00B6, middot: 0x00B7, iquest: 0x00BF, fnof: 0x0192,
    trade: 0x2122, bull: 0x2022, hellip: 0x2026, oline: 0x203E, ndash: 0x2013,
    mdash: 0x2014, permil: 0x2030, ne: 0x2260, cong: 0x2245, asymp: 0x2248, le: 0x2264,
    ge: 0x2265, ang: 0x2220, perp: 0x22A5, radic: 0x221A, sum: 0x2211, int: 0x222B,
    divide: 0x00F7, infin: 0x221E, larr: 0x2190, uarr: 0x2191, rarr: 0x2192,
    darr: 0x2193, harr: 0x2194, crarr: 0x21B5, lArr: 0x21D0, uArr: 0x21D1, rArr: 0x21D2,
    dArr: 0x21D3, hArr: 0x21D4, spades: 0x2660, clubs: 0x2663, hearts: 0x2665,
    diams: 0x2666, cent: 0xFFE0, pound: 0xFFE1, yen: 0x00A5, euro: 0x20AC
});

// The script keeps the text in view still itself when sections go in above
// it or verse parts are switched; the engine's own scroll anchoring, applied
// after the script's correction, would move the text a second time.
document.documentElement.style.overflowAnchor = "none";

var c_readingElementSelector = ".book-title, .book-page-title, .paragraph";
var c_centerScroll = { block: "center", inline: "nearest", behavior: "auto" };

function isSectionElement(element) {
    return !!element && element.nodeType === Node.ELEMENT_NODE && element.hasAttribute("data-section-index");
}

function enclosingSection(node) {
    var element = node && node.nodeType === Node.ELEMENT_NODE ? node : node && node.parentElement;
    while (element && !isSectionElement(element))
        element = element.parentElement;
    return element;
}

function firstSection() {
    var content = getContentElement();
    for (var child = content.firstElementChild; child; child = child.nextElementSibling) {
        if (isSectionElement(child))
            return child;
    }
    return null;
}

function lastSection() {
    var content = getContentElement();
    for (var child = content.lastElementChild; child; child = child.previousElementSibling) {
        if (isSectionElement(child))
            return child;
    }
    return null;
}

function sectionIndex(section) {
    return parseInt(section.getAttribute("data-section-index"), 10);
}

// ---- Geometry under the body's zoom ----

// Some engines report rectangles inside a zoomed body unscaled while they
// scale scroll offsets; measure which one this engine does.
function bookViewportRect(element) {
    var rect = element.getBoundingClientRect();
    var body = document.body;
    var zoom = body ? parseFloat(getComputedStyle(body).zoom) : 1;
    if (!isFinite(zoom) || zoom === 1)
        return { top: rect.top, bottom: rect.bottom, height: rect.height, unscaledZoom: false };
    var bodyRect = body.getBoundingClientRect();
    var bodyWidth = parseFloat(getComputedStyle(body).width);
    var applied = bodyWidth > 0 ? bodyRect.width / bodyWidth : 1;
    var scale = Math.abs(applied - zoom) < Math.abs(applied - 1) ? 1 : zoom;
    // Where the body's own rectangle is reported in its unscaled units too,
    // its top moves by scroll / zoom: take the body's top on screen from the
    // document element instead (the body has no margin), so that a place
    // measured before scrolling compares with one measured after.
    var bodyTop = scale === 1 ? bodyRect.top : document.documentElement.getBoundingClientRect().top;
    return {
        top: (rect.top - bodyRect.top) * scale + bodyTop,
        bottom: (rect.bottom - bodyRect.top) * scale + bodyTop,
        height: rect.height * scale,
        unscaledZoom: scale !== 1
    };
}

function scrollingElement() {
    return document.scrollingElement || document.documentElement;
}

function currentScrollTop() {
    return scrollingElement().scrollTop;
}

// Whole pixels under an unscaled zoom, so repeated corrections do not drift.
function scrollByCorrection(distance, unscaledZoom) {
    var scroller = scrollingElement();
    var target = scroller.scrollTop + distance;
    scroller.scrollTop = unscaledZoom ? Math.round(target) : target;
}

function isNavigationAnchorValid() {
    return g_navigationSection !== null && g_navigationSection.section.isConnected
        && Math.abs(currentScrollTop() - g_navigationSection.scrollTop) < 1;
}

function setNavigationAnchor(section) {
    g_navigationSection = { section: section, scrollTop: currentScrollTop() };
}

// ---- Sections ----

function parseSection(html, caller) {
    var section = htmlToElement(html);
    if (!isSectionElement(section)) {
        console.error(caller + ": not a book section");
        return null;
    }
    return section;
}

function appendSection(html, needUpdateFavoriteButtonsPosition) {
    var section = parseSection(html, "appendSection");
    if (!section)
        return undefined;
    var last = lastSection();
    if (last && sectionIndex(last) + 1 !== sectionIndex(section))
        console.error("CRITICAL ERROR 0x89631245: Book view corrupted");
    processLinks(section);
    getContentElement().appendChild(section);
    if (needUpdateFavoriteButtonsPosition)
        updateFavoriteButtonsPosition(section);
    return section.getAttribute("data-section-index");
}

function prependSection(html, needUpdateFavoriteButtonsPosition) {
    var section = parseSection(html, "prependSection");
    if (!section)
        return undefined;
    var first = firstSection();
    var topBefore = first ? bookViewportRect(first).top : 0;
    var anchorValid = isNavigationAnchorValid();
    if (first && sectionIndex(first) - 1 !== sectionIndex(section))
        console.error("CRITICAL ERROR 0x89631244: Book view corrupted(" + first.getAttribute("data-section-index")
                      + ", " + section.getAttribute("data-section-index") + ")");
    processLinks(section);
    var content = getContentElement();
    content.insertBefore(section, first || content.firstChild);
    if (needUpdateFavoriteButtonsPosition)
        updateFavoriteButtonsPosition(section);
    if (first) {
        // Scroll anchoring is off: the whole move is corrected here.
        var rect = bookViewportRect(first);
        var moved = rect.top - topBefore;
        if (moved !== 0)
            scrollByCorrection(moved, rect.unscaledZoom);
        if (anchorValid)
            g_navigationSection.scrollTop = currentScrollTop();
    }
    return section.getAttribute("data-section-index");
}

function replaceSection(sectionCode, html, needUpdateFavoriteButtonsPosition) {
    var old = document.getElementById(sectionCode);
    if (!isSectionElement(old)) {
        console.log("Section not found");
        return false;
    }
    var section = parseSection(html, "replaceSection");
    if (!section)
        return false;
    processLinks(section);
    old.parentNode.replaceChild(section, old);
    if (needUpdateFavoriteButtonsPosition)
        updateFavoriteButtonsPosition(section);
    return true;
}

function getSectionsRange() {
    var first = firstSection();
    if (!first)
        return undefined;
    return { start: sectionIndex(first), end: sectionIndex(lastSection()) };
}

// Links to verses carry the book and verse slugs; they open in the page's language.
function processLinks(section) {
    var links = section.getElementsByClassName("link-to-poem");
    if (links.length === 0)
        return;
    var page = new UrlCreator();
    if (!page.fromUrl(window.location.href)) {
        console.error("processLinks error(0x45651236)");
        return;
    }
    for (var i = 0; i < links.length; ++i) {
        var url = new UrlCreator();
        url.queryType = QueryType.OpenBookSlug;
        url.language = page.language;
        url.findInAnotherLanguageIfNotExists = true;
        url.addItemPath(CatalogItemType.Book, links[i].getAttribute("data-book-id"));
        url.addItemPath(CatalogItemType.Section, links[i].getAttribute("data-poem-id"));
        links[i].setAttribute("href", url.toUrl());
    }
}

// ---- Scrolling to targets ----

function scrollToSection(sectionCode) {
    var section = document.getElementById(sectionCode);
    if (!isSectionElement(section))
        return false;
    section.scrollIntoView();
    setNavigationAnchor(section);
    return true;
}

function scrollToSearchResult(sectionCode, matchIndex) {
    var section = document.getElementById(sectionCode);
    if (!isSectionElement(section))
        return null;
    var marks = section.getElementsByClassName("highlight");
    var mark = null;
    if (matchIndex === -1) {
        if (marks.length > 0)
            mark = marks[marks.length - 1];
    } else if (matchIndex >= 0 && marks.length > matchIndex) {
        mark = marks[matchIndex];
    }
    if (!mark) {
        console.warn("Element for scroll not found", matchIndex, marks.length);
        return null;
    }
    mark.scrollIntoView(c_centerScroll);
    setNavigationAnchor(section);
    return mark;
}

function showSearchResultInBook(sectionCode, matchIndex) {
    var mark = scrollToSearchResult(sectionCode, matchIndex);
    if (!mark)
        return false;
    var current = document.querySelectorAll(".current-highlight");
    for (var i = 0; i < current.length; ++i)
        current[i].classList.remove("current-highlight");
    mark.classList.add("current-highlight");
    return true;
}

function scrollToFavorite(favoriteUuid) {
    var id = "favorite_" + favoriteUuid + "_span_1";
    var span = document.getElementById(id);
    if (!span) {
        console.log("Favorite span(" + id + ") not found");
        return false;
    }
    span.scrollIntoView(c_centerScroll);
    console.log("scrollToFavorite (span id: " + id + ") - Ok!");
    return true;
}

function endSearchInBook() {
    var marks = Array.prototype.slice.call(document.getElementsByClassName("highlight"));
    for (var i = 0; i < marks.length; ++i) {
        var mark = marks[i];
        var parent = mark.parentNode;
        if (!parent)
            continue;
        while (mark.firstChild)
            parent.insertBefore(mark.firstChild, mark);
        parent.removeChild(mark);
    }
}

// ---- The section in view and the reading place ----

function getSectionCodeByCoords(x, y) {
    // A centred hit may leave the previous verse at the sampling point: the
    // target stays current until the reader scrolls.
    if (isNavigationAnchorValid()) {
        var anchored = g_navigationSection.section;
        return { sectionCode: anchored.id, sectionIndex: anchored.getAttribute("data-section-index") };
    }
    g_navigationSection = null;
    var section = enclosingSection(document.elementFromPoint(x, y));
    if (!section)
        return undefined;
    return { sectionCode: section.id, sectionIndex: section.getAttribute("data-section-index") };
}

function readingElements(section) {
    return section.querySelectorAll(c_readingElementSelector);
}

// The first reading element in the viewport: {section, element, index, top}.
function firstVisibleReadingElement() {
    var content = getContentElement();
    if (!content)
        return null;
    var viewHeight = window.innerHeight;
    for (var section = content.firstElementChild; section; section = section.nextElementSibling) {
        if (!isSectionElement(section) || !section.id)
            continue;
        var sectionRect = bookViewportRect(section);
        if (sectionRect.bottom <= 0)
            continue;
        if (sectionRect.top >= viewHeight)
            break;
        var elements = readingElements(section);
        for (var i = 0; i < elements.length; ++i) {
            var rect = bookViewportRect(elements[i]);
            if (rect.height > 0 && rect.bottom > 0 && rect.top < viewHeight)
                return { section: section, element: elements[i], index: i, top: rect.top };
        }
    }
    return null;
}

function captureBookReadingAnchor() {
    var visible = firstVisibleReadingElement();
    if (!visible)
        return null;
    return { sectionCode: visible.section.id, elementIndex: visible.index, top: visible.top };
}

function restoreBookReadingAnchor(anchor) {
    if (!anchor || !Number.isInteger(anchor.elementIndex) || typeof anchor.top !== "number" || !isFinite(anchor.top))
        return false;
    var section = document.getElementById(anchor.sectionCode);
    if (!isSectionElement(section))
        return false;
    var element = readingElements(section)[anchor.elementIndex];
    if (!element)
        return false;
    var rect = bookViewportRect(element);
    if (!(rect.height > 0))
        return false;
    scrollByCorrection(rect.top - anchor.top, rect.unscaledZoom);
    setNavigationAnchor(section);
    return true;
}

function spaceBelowView() {
    var scroller = scrollingElement();
    return scroller.scrollHeight - (scroller.scrollTop + scroller.clientHeight);
}

function changeBookContentVisibility(page, hideClass, show) {
    if (page.classList.contains(hideClass) === !show)
        return;
    var scroller = scrollingElement();
    var atBottom = scroller.scrollHeight > scroller.clientHeight && spaceBelowView() < 2;
    var visible = firstVisibleReadingElement();
    var anchorValid = isNavigationAnchorValid();

    page.classList.toggle(hideClass, !show);

    if (atBottom) {
        if (spaceBelowView() >= 2)
            scroller.scrollTop = scroller.scrollHeight;
    } else if (visible) {
        var element = visible.element;
        var recordedTop = visible.top;
        if (element.getClientRects().length === 0) {
            // Its own verse part was hidden: its section's title takes the top.
            element = visible.section.querySelector(".book-page-title") || visible.section;
            recordedTop = 0;
        }
        var rect = bookViewportRect(element);
        var moved = rect.top - recordedTop;
        if (moved !== 0)
            scrollByCorrection(moved, rect.unscaledZoom);
    }
    if (anchorValid)
        g_navigationSection.scrollTop = currentScrollTop();
    updateFavoriteButtonsPosition();
}

// ---- Selections as section positions ----

function checkedSelectionRange(caller) {
    var selection = window.getSelection();
    if (!selection) {
        console.log(caller + ": getSelection() = 0");
        return null;
    }
    if (selection.rangeCount !== 1) {
        console.warn(caller + ": selection.rangeCount !== 1, selection.rangeCount=" + selection.rangeCount);
        return null;
    }
    return selection;
}

function getSelectionTextPosition() {
    console.debug("getSelectionTextPosition");
    var selection = checkedSelectionRange("getSelectionTextPosition");
    if (!selection)
        return undefined;
    var text = selection.toString();
    if (!text)
        return undefined;
    var boundaries = getSelectedBookTextBoundaries(selection.getRangeAt(0));
    if (!boundaries)
        return undefined;
    var start = getSectionTextPosition(boundaries.start.node, boundaries.start.offset);
    if (!start) {
        console.warn("getSelectionTextPosition: Start position not found");
        return undefined;
    }
    var end = getSectionTextPosition(boundaries.end.node, boundaries.end.offset);
    if (!end) {
        console.warn("getSelectionTextPosition: End position not found");
        return undefined;
    }
    return { startPosition: start, endPositon: end, selectedText: text };
}

// The first and the last selected text inside sections; text outside every
// section ends the walk unless it is blank (a line break between sections).
function getSelectedBookTextBoundaries(range) {
    var root = range.commonAncestorContainer;
    var walker = document.createTreeWalker(root, NodeFilter.SHOW_TEXT);
    var node = root.nodeType === Node.TEXT_NODE ? root : walker.nextNode();
    var start = null;
    var end = null;
    for (; node; node = walker.nextNode()) {
        if (!range.intersectsNode(node))
            continue;
        var from = node === range.startContainer ? range.startOffset : 0;
        var to = node === range.endContainer ? range.endOffset : node.length;
        if (to <= from)
            continue;
        if (enclosingSection(node)) {
            if (!start)
                start = { node: node, offset: from };
            end = { node: node, offset: to };
        } else if (node.data.substring(from, to).trim() !== "") {
            return null;
        }
        if (node === root)
            break;
    }
    return start ? { start: start, end: end } : null;
}

// Text as the page writes it in HTML ("&" is "&amp;", and so on).
function escapeHtmlText(text) {
    var element = document.createElement("div");
    element.textContent = text;
    return element.innerHTML;
}

function serializeNode(node) {
    if (node.nodeType === Node.ELEMENT_NODE)
        return node.outerHTML;
    if (node.nodeType === Node.TEXT_NODE)
        return escapeHtmlText(node.data);
    if (node.nodeType === Node.COMMENT_NODE)
        return "<!--" + node.data + "-->";
    return "";
}

// A boundary (text node, offset in its text) as an offset into the outer HTML
// of its section, which is returned with it.
function getSectionTextPosition(node, offset) {
    var position = escapeHtmlText(node.data.substring(0, offset)).length;
    var current = node;
    var firstStep = true;
    while (!isSectionElement(current)) {
        var children = serializeNode(current);
        var hasPrecedingSibling = false;
        for (var sibling = current.previousSibling; sibling; sibling = sibling.previousSibling) {
            // An empty text node adds nothing to the HTML.
            if (sibling.nodeType === Node.TEXT_NODE && sibling.length === 0)
                continue;
            var html = serializeNode(sibling);
            if (!html) {
                console.warn("getSectionTextPosition: Unknown error 0x58549ff3. element: ", sibling);
                return null;
            }
            children = html + children;
            position += html.length;
            hasPrecedingSibling = true;
        }
        var parent = current.parentElement;
        if (!parent) {
            console.warn("getSectionTextPosition: Unknown error 0x58549ff3");
            return null;
        }
        var match = tarnolixIndexOf(parent.outerHTML, children, position, firstStep && !hasPrecedingSibling);
        if (!match) {
            console.warn("getSectionTextPosition: Unknown error 0x58549ff2");
            return null;
        }
        position += match.index + match.extraLength;
        current = parent;
        firstStep = false;
    }
    return {
        sectionCode: current.id,
        sectionIndex: current.getAttribute("data-section-index"),
        html: current.outerHTML,
        offset: position
    };
}

// The first position of s from which t matches, comparing entity references
// on either side as the character they stand for and passing over line feeds
// of s (and, with skipTags, tags of s). extraLength: how many more characters
// s took than t up to t's offset, so index + extraLength + offset is where
// t's offset lies in s.
function tarnolixIndexOf(s, t, offset, skipTags) {
    for (var start = 0; start < s.length; ++start) {
        var match = matchFrom(s, t, start, offset, skipTags);
        if (match !== null)
            return match;
    }
    return null;
}

// The match begins where the first character of t is read: tags and line
// feeds passed before it are not part of it, so offset 0 lands after them.
function matchFrom(s, t, start, offset, skipTags) {
    var i = start;
    var j = 0;
    var extra = 0;
    var begin = -1;
    while (j < t.length) {
        if (i >= s.length)
            return null;
        var sc = s.charAt(i);
        var tc = t.charAt(j);
        if (sc === tc) {
            if (begin < 0)
                begin = i;
            ++i;
            ++j;
            continue;
        }
        var passedCounts = begin >= 0 && j < offset;
        if (skipTags && sc === "<") {
            var tagLength = getTag(s, i);
            if (tagLength === 0) {
                console.warn("tarnolixIndexOf: Invalid tag");
                tagLength = 1;
            }
            i += tagLength;
            if (passedCounts)
                extra += tagLength;
            continue;
        }
        if (sc === "\n") {
            ++i;
            if (passedCounts)
                ++extra;
            continue;
        }
        var fromS = getHTMLSpecialChar(s, i) || { character: sc, length: 1 };
        var fromT = getHTMLSpecialChar(t, j) || { character: tc, length: 1 };
        if (fromS.character !== fromT.character)
            return null;
        if (begin < 0)
            begin = i;
        if (j < offset)
            extra += fromS.length - fromT.length;
        i += fromS.length;
        j += fromT.length;
    }
    return { index: begin < 0 ? start : begin, extraLength: extra };
}

// An entity reference at pos: {character, length from "&" to ";"}, or null.
function getHTMLSpecialChar(text, pos) {
    if (text.length - pos < 3 || text.charAt(pos) !== "&")
        return null;
    var semicolon = text.indexOf(";", pos + 2);
    if (semicolon < 0 || semicolon - pos > 20)
        return null;
    var name = text.substring(pos + 1, semicolon);
    var code;
    if (name.charAt(0) === "#") {
        if (!/^[0-9]+$/.test(name.substring(1))) {
            console.warn("getHTMLSpecialChar: Invalid special character: " + name);
            return null;
        }
        code = parseInt(name.substring(1), 10);
    } else if (Object.prototype.hasOwnProperty.call(c_htmlSpecialChars, name)) {
        code = c_htmlSpecialChars[name];
    } else {
        console.warn("getHTMLSpecialChar: Unknown special character: " + name);
        return null;
    }
    return { character: String.fromCharCode(code), length: semicolon - pos + 1 };
}

// The length of the tag that starts at pos, 0 when none.
function getTag(text, pos) {
    if (text.length - pos < 3)
        return 0;
    var second = text.charAt(pos + 1);
    var opening = /[A-Za-z]/.test(second);
    if (!opening && second !== "/") {
        console.warn("getTag: Invalid tag: " + text.substr(pos, 20));
        return 0;
    }
    var end = text.indexOf(">", pos + (opening ? 1 : 2));
    if (end < 0) {
        console.warn("getTag: Invalid tag: " + text.substr(pos, 100));
        return 0;
    }
    return end - pos + 1;
}

// The label of the commentary that holds the start of the selection.
function getSelectionTextNote() {
    console.debug("getSelectionTextNote");
    var selection = checkedSelectionRange("getSelectionTextNote");
    if (!selection)
        return { note: null };
    for (var node = selection.getRangeAt(0).startContainer; node; node = node.parentNode) {
        if (node.nodeType !== Node.ELEMENT_NODE)
            continue;
        var classes = node.classList;
        if (classes.contains("paragraph--type-comment") || classes.contains("paragraph--type-comment-plus")) {
            var notes = [];
            for (var child = node.firstElementChild; child; child = child.nextElementSibling) {
                if (child.classList.contains("note"))
                    notes.push(child);
            }
            if (notes.length === 1) {
                console.debug("note found");
                return { note: notes[0].innerText };
            }
            if (notes.length > 1) {
                console.warn("Найдено " + notes.length + " дочерних элементов с классом note");
                return { note: null };
            }
        }
        if (classes.contains("book-page") || classes.contains("content") || node.id === "content") {
            console.debug("note not found (2)");
            return { note: null };
        }
        if (classes.contains("paragraph")) {
            console.debug("note not found (3)");
            return { note: null };
        }
    }
    console.debug("note not found (1)");
    return { note: null };
}

// ---- Favorite buttons and footnotes ----

function updateFavoriteButtonsPosition(element) {
    var root = element || document;
    var buttons = root.getElementsByClassName("favorite-button");
    console.log("updateFavoriteButtonsPosition: button count: " + buttons.length);
    for (var i = 0; i < buttons.length; ++i) {
        var spanId = buttons[i].getAttribute("favorite-span-id");
        var span = spanId ? document.getElementById(spanId) : null;
        if (!span) {
            // Normal after a favorite was deleted: the button stays where it was.
            console.log("Span not found. favoriteSpanId:", spanId);
            continue;
        }
        buttons[i].style.left = "85%";
        buttons[i].style.top = (span.offsetTop + 2) + "px";
    }
}

function updateFavoriteButtonsPositionDelay(delay, element) {
    setTimeout(function () {
        updateFavoriteButtonsPosition(element);
    }, delay === undefined ? 100 : delay);
}

function updateFavoriteButtonsPositionisExistsFovoritesInOpenedBook() {
    if (!g_tabWebChannel)
        return;
    g_tabWebChannel.isExistsFovoritesInOpenedBook(function (exists) {
        if (exists === true)
            updateFavoriteButtonsPositionDelay(100);
    });
}

window.addEventListener("load", updateFavoriteButtonsPositionisExistsFovoritesInOpenedBook);
window.addEventListener("resize", updateFavoriteButtonsPositionisExistsFovoritesInOpenedBook);

// Clicks on the page element: only a footnote's number takes the pointer.
function contentClicked(element, event) {
    var target = event ? event.target : null;
    if (!target || !target.classList || !target.classList.contains("footnote"))
        return;
    if (!g_tabWebChannel) {
        console.warn("contentClicked: web channel not connected");
        return;
    }
    g_tabWebChannel.showFootNote(target.getAttribute("data-footnote-number"),
                                 target.getAttribute("data-footnote-content"));
}
