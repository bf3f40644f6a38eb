// The book cover page: its list of related books shows three rows until
// expanded (toggleBookRows comes with the script injected into every page).

function coverBookExpandBooks() {
    toggleBookRows(document, "cover-book-book-item", document.getElementsByTagName("button"), true);
}

function coverBookCollapseBooks() {
    toggleBookRows(document, "cover-book-book-item", document.getElementsByTagName("button"), false);
}
