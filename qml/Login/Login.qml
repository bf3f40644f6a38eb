// The sign-in form: e-mail and password sent to "/auth/login"; a reply that
// takes longer than half a second shows the busy page meanwhile. A sign-in
// that counts opens the account's library, and the root window then shows
// the main window.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import Tarnolix 1.0
import ".."
import "../controls"
import "../LegalDocuments.js" as LegalDocuments

Rectangle {
    id: login

    // The pending sign-in request; 0 while none is.
    property int requestId: 0
    readonly property bool english: Tarnolix.translatorMngr.language === TarnolixConstants.English

    color: Constants.blackMenu

    function showGeneralError(text) {
        generalError.text = text
        generalError.visible = true
    }

    function submit() {
        if (requestId !== 0)
            return
        emailField.error = emailField.text.length === 0
        passwordField.error = passwordField.text.length === 0
        if (emailField.error || passwordField.error) {
            showGeneralError(qsTr("Укажите корректные данные"))
            return
        }
        generalError.visible = false
        requestId = Tarnolix.api.postMultiPart("/auth/login", {
                                                   "email": emailField.text,
                                                   "password": passwordField.text
                                               })
        busyTimer.restart()
    }

    function received(id) {
        var result = Tarnolix.api.getResult(id)
        var email = emailField.text
        var counts = false
        var token = ""
        if (result && result.isSuccess()) {
            Tarnolix.user.fromResult(result)
            token = result.getToken()
            counts = Tarnolix.user.id !== 0 && token.length > 0
        } else {
            showGeneralError(result ? result.getErrorText() : "")
        }
        Tarnolix.api.removeResult(id)
        requestId = 0
        if (!counts) {
            Tarnolix.settings.set("Login/LastLoginEmail", "")
            stack.currentIndexAnimation = 0
            return
        }
        Tarnolix.api.token = token
        Tarnolix.settings.set("Login/LastLoginEmail", email)
        // On success the root window has already replaced this form.
        if (!Tarnolix.loginApplication(rememberBox.checked))
            stack.currentIndexAnimation = 0
    }

    Connections {
        target: Tarnolix.api
        function onReceived(id) {
            if (login.requestId !== 0 && id === login.requestId)
                login.received(id)
        }
    }

    Timer {
        id: busyTimer
        interval: 500
        onTriggered: {
            if (login.requestId !== 0)
                stack.currentIndexAnimation = 1
        }
    }

    StackLayoutAnimation {
        id: stack
        objectName: "loginStack"
        anchors.top: parent.top
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: footer.top

        Item {
            objectName: "formPage"

            ColumnLayout {
                id: form
                objectName: "loginForm"
                width: Math.min(380 * dp, parent.width)
                height: parent.height
                anchors.horizontalCenter: parent.horizontalCenter
                spacing: 8 * dp
                enabled: login.requestId === 0

                Item { Layout.fillHeight: true }
                Image {
                    objectName: "logo"
                    Layout.alignment: Qt.AlignHCenter
                    Layout.preferredWidth: Math.min(380 * dp, form.width)
                    Layout.preferredHeight: 44 * dp
                    source: "Tarnolix.svg"
                    sourceSize: Qt.size(380 * dp, 44 * dp)
                    fillMode: Image.PreserveAspectFit
                }
                Item { Layout.fillHeight: true; Layout.maximumHeight: 50 * dp; Layout.preferredHeight: 50 * dp }
                Text {
                    objectName: "heading"
                    Layout.fillWidth: true
                    horizontalAlignment: Text.AlignHCenter
                    text: qsTr("Вход в систему")
                    font.pixelSize: 20 * dp
                    font.bold: true
                    color: Constants.white
                }
                Item { Layout.fillHeight: true; Layout.maximumHeight: 25 * dp; Layout.preferredHeight: 25 * dp }
                Text {
                    text: qsTr("E-mail адрес")
                    font.pixelSize: 15 * dp
                    color: Constants.lightGray
                }
                InputFieldError {
                    id: emailField
                    objectName: "emailField"
                    Layout.fillWidth: true
                    focus: true
                    text: Tarnolix.settings.getString("Login/LastLoginEmail")
                    placeholderText: "name@example.com"
                    reserveErrorSpace: true
                    errorText: qsTr("Поле E-Mail адрес обязательно для заполнения.")
                    onAccepted: login.submit()
                }
                Item { Layout.fillHeight: true; Layout.maximumHeight: 25 * dp; Layout.preferredHeight: 25 * dp }
                RowLayout {
                    Layout.fillWidth: true

                    Text {
                        Layout.fillWidth: true
                        text: qsTr("Пароль")
                        font.pixelSize: 15 * dp
                        color: Constants.lightGray
                    }
                    LighGoldTextButton {
                        objectName: "forgotPasswordButton"
                        text: qsTr("Забыли пароль?")
                        focusPolicy: Qt.NoFocus
                        padding: 0
                        onClicked: Qt.openUrlExternally(Tarnolix.webSiteUrl("/forgot-password"))
                    }
                }
                InputFieldError {
                    id: passwordField
                    objectName: "passwordField"
                    Layout.fillWidth: true
                    echoMode: TextInput.Password
                    reserveErrorSpace: true
                    errorText: qsTr("Поле Пароль обязательно для заполнения.")
                    onAccepted: login.submit()
                }
                Item { Layout.fillHeight: true; Layout.maximumHeight: 20 * dp; Layout.preferredHeight: 20 * dp }
                RowLayout {
                    Layout.fillWidth: true

                    VCheckBox {
                        id: rememberBox
                        objectName: "rememberBox"
                        Layout.fillWidth: true
                        leftPadding: 0
                        text: qsTr("Запомнить меня")
                    }
                    DarkGoldButton {
                        objectName: "signInButton"
                        text: qsTr("Войти")
                        onClicked: login.submit()
                    }
                }
                Item { Layout.fillHeight: true; Layout.maximumHeight: 20 * dp; Layout.preferredHeight: 20 * dp }
                ScrollView {
                    Layout.fillWidth: true
                    Layout.preferredHeight: 56 * dp
                    ScrollBar.horizontal.policy: ScrollBar.AlwaysOff
                    clip: true

                    Label {
                        id: generalError
                        objectName: "loginGeneralError"
                        width: form.width
                        visible: false
                        color: Constants.orange
                        font.pixelSize: 16 * dp
                        textFormat: Text.PlainText
                        wrapMode: Text.WordWrap
                    }
                }
                Item { Layout.fillHeight: true; Layout.maximumHeight: 80 * dp; Layout.preferredHeight: 80 * dp }
                DarkGoldBlankButton {
                    objectName: "registrationButton"
                    Layout.fillWidth: true
                    text: qsTr("Регистрация")
                    visible: !Tarnolix.storeBuild
                    onClicked: Qt.openUrlExternally(Tarnolix.webSiteUrl("/registration"))
                }
                Item { Layout.fillHeight: true }
            }
        }

        Item {
            objectName: "busyPage"

            LoaderGray {
                objectName: "loginBusyIndicator"
                anchors.centerIn: parent
                running: stack.currentIndex === 1
            }
        }
    }

    Rectangle {
        id: footer
        objectName: "loginFooter"
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: footerRow.implicitHeight + 16 * dp
        color: Constants.blackText

        Row {
            id: footerRow
            anchors.centerIn: parent
            spacing: 12 * dp

            GrayStrokeTextButton {
                objectName: "privacyPolicyButton"
                text: qsTr("Политика конфиденциальности")
                onClicked: Qt.openUrlExternally(LegalDocuments.privacyPolicyUrl(login.english))
            }
            Rectangle {
                anchors.verticalCenter: parent.verticalCenter
                width: 2 * dp
                height: width
                radius: width / 2
                color: Constants.grayStroke
            }
            GrayStrokeTextButton {
                objectName: "termsOfUseButton"
                text: qsTr("Пользовательское соглашение")
                onClicked: Qt.openUrlExternally(LegalDocuments.termsOfUseUrl(login.english))
            }
        }
    }
}
