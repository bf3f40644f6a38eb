import QtQuick 2.15

ArrowLeft {
    contentItem.rotation: 180
}
