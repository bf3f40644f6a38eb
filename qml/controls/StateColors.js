.pragma library
// The colour a control shows for its state. The order is disabled, pressed,
// checked (the active colour), hovered, static; `hoveredFirst` puts hovered
// before checked, and controls without a disabled colour pass false for
// `withDisabled`.
function pick(control, hoveredFirst, withDisabled) {
    if (withDisabled && !control.enabled)
        return control.colorDisabled
    if (control.pressed)
        return control.colorPressed
    if (hoveredFirst && control.hovered)
        return control.colorHover
    if (control.checked)
        return control.colorActive
    if (control.hovered)
        return control.colorHover
    return control.colorStatic
}
