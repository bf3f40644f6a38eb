import QtQuick 2.15

LoaderBlack {
    imageSource: "LoaderGray.svg"
}
