// An author's page: the page kind gives the tab the author's name; the page
// is shown once it has loaded.
import QtQuick 2.15
import Tarnolix 1.0

PageLogic {
    status: OpenAuthorStatus {}

    onPageLoaded: runScript("showPageDelay(100)")
}
