// The sign-out question. Signing out closes the account's library; the
// downloaded books and the favorites stay on this computer.
import QtQuick 2.15
import Tarnolix 1.0

QuestionDlg {
    id: dialog

    text: qsTr("Выйти из аккаунта? Скачанные книги и избранное сохранятся.")
    btnRejectText: qsTr("Отмена")
    btnAcceptText: qsTr("Выйти")

    onAccepted: {
        console.debug("Logout clicked")
        Tarnolix.logout()
    }
}
