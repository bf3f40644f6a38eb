// About the program: its name, a link to the tutorial and the credits.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import Tarnolix 1.0
import "../controls"

VDialog {
    id: dialog

    readonly property bool russian: Tarnolix.translatorMngr.language === TarnolixConstants.Russian

    title: qsTr("О программе Tarnolix")
    width: Math.max(2 * 84 * dp + content.implicitWidth, 520 * dp)
    height: 2 * 44 * dp + content.implicitHeight
    minimumWidth: width
    maximumWidth: width
    minimumHeight: height
    maximumHeight: height

    ColumnLayout {
        id: content
        anchors.horizontalCenter: parent.horizontalCenter
        y: 44 * dp
        spacing: 45 * dp

        Image {
            objectName: "aboutHeader"
            Layout.alignment: Qt.AlignHCenter
            Layout.preferredWidth: 70 * dp
            Layout.preferredHeight: 85 * dp
            source: "about_header.svg"
            sourceSize: Qt.size(70 * dp, 85 * dp)
        }
        ColumnLayout {
            Layout.alignment: Qt.AlignHCenter
            spacing: 0

            SVGColor {
                objectName: "aboutLogo"
                Layout.alignment: Qt.AlignHCenter
                Layout.preferredWidth: 324 * dp
                Layout.preferredHeight: 38 * dp
                source: "TarnolixAboutLogo.svg"
                color: Constants.darkGold
            }
            Item { Layout.preferredHeight: 12 * dp }
            Text {
                objectName: "aboutSubtitle"
                Layout.alignment: Qt.AlignHCenter
                text: qsTr("Читальный зал писаний, переводов и комментариев")
                font.pixelSize: 16 * dp
                color: Constants.lightGray
            }
            Item { Layout.preferredHeight: 37 * dp }
            IconButton {
                objectName: "tutorialButton"
                Layout.alignment: Qt.AlignHCenter
                colorStatic: Constants.lightGold
                svgSource: "video.svg"
                svgWidth: 20
                svgHeight: 14
                text: qsTr("Обучение работе с программой")
                onClicked: Qt.openUrlExternally(dialog.russian ? Tarnolix.webSiteUrl("/tarnolix", "tutorial")
                                                               : Tarnolix.webSiteUrl("/en/tarnolix", "tutorial"))
            }
            Item { Layout.preferredHeight: 36 * dp }
            Text {
                objectName: "aboutCredits"
                Layout.alignment: Qt.AlignHCenter
                Layout.maximumWidth: 330 * dp
                horizontalAlignment: Text.AlignHCenter
                text: qsTr("Tarnolix %1. Написан на Qt с Lucene++, ICU, SQLite, QuaZip и OpenSSL; шрифты PT Sans и PT Serif компании ParaType.")
                      .arg(Tarnolix.sVersion)
                font.pixelSize: 14 * dp
                color: Constants.grayText
                wrapMode: Text.WordWrap
            }
        }
    }
}
