// The new-tab page: the content view lays out and shows the page itself;
// the logic keeps the page kind's title in the interface language.
import QtQuick 2.15
import Tarnolix 1.0

PageLogic {
    id: logic

    status: NewTabStatus { id: newTab }

    Connections {
        target: Tarnolix.translatorMngr
        function onLanguageChanged() { newTab.retranslate() }
    }
}
