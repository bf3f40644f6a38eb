// A book's cover page: the page kind gives the tab the book's name; the
// page is shown once it has loaded.
import QtQuick 2.15
import Tarnolix 1.0

PageLogic {
    status: OpenBookCoverStatus {}

    onPageLoaded: runScript("showPageDelay(100)")
}
