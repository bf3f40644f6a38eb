// A stack of pages that switches by fading: the old page fades out, the new
// one becomes current and fades in. Write `currentIndexAnimation` to switch.
import QtQuick 2.15
import QtQuick.Layouts 1.15

StackLayout {
    id: stack

    property int currentIndexAnimation: 0
    // The switch under way: the page fading out and the one to show.
    property int animationFrom: -1
    property int animationTo: -1
    readonly property bool animating: switchAnimation.running

    onCurrentIndexAnimationChanged: switchTo(currentIndexAnimation)

    function switchTo(index) {
        if (index < 0 || index >= count) {
            console.error("StackLayoutAnimation: Invalid index")
            return
        }
        if (switchAnimation.running) {
            if (animationTo === index)
                return
            // The page being faded keeps its opacity.
            switchAnimation.stop()
        } else if (index === currentIndex) {
            return
        }
        animationFrom = currentIndex
        animationTo = index
        fadeOut.target = children[animationFrom]
        fadeIn.target = children[animationTo]
        switchAnimation.start()
    }

    SequentialAnimation {
        id: switchAnimation

        NumberAnimation {
            id: fadeOut
            property: "opacity"
            to: 0
            duration: 200
        }
        ScriptAction {
            script: {
                stack.currentIndex = stack.animationTo
                var page = stack.children[stack.animationTo]
                if (page.visible)
                    page.forceActiveFocus()
            }
        }
        NumberAnimation {
            id: fadeIn
            property: "opacity"
            from: 0
            to: 1
            duration: 200
        }
    }
}
