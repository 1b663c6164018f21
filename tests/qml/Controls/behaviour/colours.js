.pragma library

// Colours compared channel by channel, allowing the rounding of 8-bit channels.
function near(actual, expected, tolerance) {
    const limit = tolerance === undefined ? 1.5 / 255 : tolerance
    const a = Qt.color(actual)
    const e = Qt.color(expected)
    return Math.abs(a.r - e.r) <= limit && Math.abs(a.g - e.g) <= limit
        && Math.abs(a.b - e.b) <= limit && Math.abs(a.a - e.a) <= limit
}

function describe(colour) {
    const c = Qt.color(colour)
    return "rgba(" + [c.r, c.g, c.b, c.a].map(v => Math.round(v * 255)).join(", ") + ")"
}
