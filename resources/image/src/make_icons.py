#!/usr/bin/env python3
"""Writes the viewer's SVG icons into resources/image/.

Every shape is drawn here once, by hand, as SVG path data; this script only
stamps out the colour variants (-nor, -ovr, -dis, -sel) so the variants of one
icon can never drift apart. The output is plain SVG Tiny 1.2 (no CSS, filters,
masks, clip paths, fonts or external references) because Qt's SVG renderer
reads nothing more.

Each file carries width/height equal to the size it is shown at: Qt style
sheets turn a border-image or background-image into a pixmap of that intrinsic
size first and only then scale it, so a matching size keeps the icon crisp.

    python3 resources/image/src/make_icons.py
"""

import math
import pathlib

OUT = pathlib.Path(__file__).resolve().parent.parent

NORMAL = "#a0a0a0"
HOVER = "#4cdeb2"
TITLE_HOVER = "#ffffff"
DISABLED = "#505050"
ACCENT = "#4cdeb2"
ACCENT_DEEP = "#43aea3"
ACCENT_BRIGHT = "#8ff3d4"
DARK = "#1b1c1e"
PANEL = "#232427"
LINE = "#707070"
EVENT = "#e0604a"
CLOSE = "#e04a4a"


def svg(size, box, body):
    return (
        '<?xml version="1.0" encoding="UTF-8"?>\n'
        '<svg xmlns="http://www.w3.org/2000/svg" version="1.2" baseProfile="tiny"'
        f' width="{size}" height="{size}" viewBox="0 0 {box} {box}">\n'
        f"{body}\n"
        "</svg>\n"
    )


def strokes(colour, width, inner):
    """A group of outlined shapes; filled details override fill/stroke themselves."""
    return (
        f'<g fill="none" stroke="{colour}" stroke-width="{width}"'
        f' stroke-linecap="round" stroke-linejoin="round">\n{inner}\n</g>'
    )


def dot(x, y, r, colour):
    return f'<circle cx="{x}" cy="{y}" r="{r}" fill="{colour}" stroke="none"/>'


def solid(d, colour, width=1.2):
    """A filled shape whose thin stroke of the same colour rounds its corners."""
    return f'<path d="{d}" fill="{colour}" stroke="{colour}" stroke-width="{width}"/>'


def gear(cx, cy, outer, root, teeth):
    """Outline of a gear wheel with flat-topped teeth, as one closed path."""
    def pt(r, deg):
        a = math.radians(deg)
        return f"{cx + r * math.cos(a):.2f} {cy + r * math.sin(a):.2f}"

    step = 360 / teeth
    d = []
    for i in range(teeth):
        mid = i * step - 90
        if i == 0:
            d.append("M" + pt(root, mid - step * 0.30))
        d.append("L" + pt(outer, mid - step * 0.17))
        d.append("L" + pt(outer, mid + step * 0.17))
        d.append("L" + pt(root, mid + step * 0.30))
        d.append(f"A{root} {root} 0 0 1 " + pt(root, mid + step - step * 0.30))
    return " ".join(d) + " Z"


# --- Left shortcut panel and right panel tabs: 24 px, viewBox 24 -------------

PANEL_STROKE = 1.5


def files(c):
    return strokes(c, PANEL_STROKE, "\n".join([
        '<path d="M3.5 6.5 A1 1 0 0 1 4.5 5.5 H9.5 L11.5 7.5 H19.5 A1 1 0 0 1 20.5 8.5'
        ' V18.5 A1 1 0 0 1 19.5 19.5 H4.5 A1 1 0 0 1 3.5 18.5 Z"/>',
        solid("M10.5 10.5 V16.5 L15.5 13.5 Z", c, 1),
    ]))


def sdcard(c):
    return strokes(c, PANEL_STROKE, "\n".join([
        '<path d="M9 3.5 H17.5 A1 1 0 0 1 18.5 4.5 V19.5 A1 1 0 0 1 17.5 20.5 H6.5'
        ' A1 1 0 0 1 5.5 19.5 V7 Z"/>',
        '<path d="M11 6.5 V9 M13.5 6.5 V9 M16 6.5 V9"/>',
    ]))


def language(c):
    return strokes(c, PANEL_STROKE, "\n".join([
        '<circle cx="12" cy="12" r="8.5"/>',
        '<ellipse cx="12" cy="12" rx="3.6" ry="8.5"/>',
        '<path d="M3.5 12 H20.5"/>',
    ]))


def printer(c):
    return strokes(c, PANEL_STROKE, "\n".join([
        '<path d="M7 9.5 V4.5 H17 V9.5"/>',
        '<path d="M7 17 H5.5 A1.5 1.5 0 0 1 4 15.5 V11 A1.5 1.5 0 0 1 5.5 9.5 H18.5'
        ' A1.5 1.5 0 0 1 20 11 V15.5 A1.5 1.5 0 0 1 18.5 17 H17"/>',
        '<path d="M7 14 H17 V20 H7 Z"/>',
        dot(16.8, 12, 0.9, c),
    ]))


def capture(c):
    return strokes(c, PANEL_STROKE, "\n".join([
        '<path d="M12 4 V14.5"/>',
        '<path d="M7.5 10 L12 14.5 L16.5 10"/>',
        '<path d="M4.5 14.5 V19.5 H19.5 V14.5"/>',
    ]))


def setting(c):
    return strokes(c, PANEL_STROKE, "\n".join([
        f'<path d="{gear(12, 12, 8.6, 6.4, 8)}"/>',
        '<circle cx="12" cy="12" r="2.6"/>',
    ]))


def about(c):
    return strokes(c, PANEL_STROKE, "\n".join([
        '<circle cx="12" cy="12" r="8.5"/>',
        '<path d="M12 11 V16.5"/>',
        dot(12, 7.9, 1.05, c),
    ]))


def filelist(c):
    return strokes(c, PANEL_STROKE, "\n".join([
        dot(5.5, 7, 1.1, c), dot(5.5, 12, 1.1, c), dot(5.5, 17, 1.1, c),
        '<path d="M9 7 H19.5 M9 12 H19.5 M9 17 H19.5"/>',
    ]))


def map_tab(c):
    return strokes(c, PANEL_STROKE, "\n".join([
        '<path d="M3.5 6.5 L9 4.5 L15 6.5 L20.5 4.5 V17.5 L15 19.5 L9 17.5 L3.5 19.5 Z"/>',
        '<path d="M9 4.5 V17.5 M15 6.5 V19.5"/>',
    ]))


# --- Recording types and the type filter: 24 px, viewBox 24 ------------------

def infinity(c):
    return strokes(c, 1.8, '<path d="M12 12 C10 8.6 4 8.4 4 12 C4 15.6 10 15.4 12 12'
                           ' C14 8.6 20 8.4 20 12 C20 15.6 14 15.4 12 12 Z"/>')


def event(c):
    return strokes(c, 1.6, "\n".join([
        '<path d="M12 4 L20.5 19 H3.5 Z"/>',
        '<path d="M12 9.5 V13.5"/>',
        dot(12, 16.3, 1.05, c),
    ]))


def parking(c):
    return strokes(c, 1.6, "\n".join([
        '<rect x="4" y="4" width="16" height="16" rx="3"/>',
        '<path d="M9.5 16.5 V7.5 H12.75 A2.75 2.75 0 0 1 12.75 13 H9.5"/>',
    ]))


def user(c):
    return strokes(c, 1.6, "\n".join([
        '<circle cx="12" cy="8.5" r="3.5"/>',
        '<path d="M5 19.5 C5 15.6 8 13.5 12 13.5 C16 13.5 19 15.6 19 19.5"/>',
    ]))


def all_types(c):
    return strokes(c, 1.5, "\n".join([
        '<rect x="4.5" y="4.5" width="6" height="6" rx="1.2"/>',
        '<rect x="13.5" y="4.5" width="6" height="6" rx="1.2"/>',
        '<rect x="4.5" y="13.5" width="6" height="6" rx="1.2"/>',
        '<rect x="13.5" y="13.5" width="6" height="6" rx="1.2"/>',
    ]))


def funnel(c):
    return strokes(c, 1.5, '<path d="M4.5 5 H19.5 L13.75 12 V19.5 H10.25 V12 Z"/>')


# --- Title bar: 32 px, viewBox 32 --------------------------------------------

TITLE_STROKE = 1.5


def minimize(c):
    return strokes(c, TITLE_STROKE, '<path d="M11 16.5 H21"/>')


def maximize(c):
    return strokes(c, TITLE_STROKE, '<rect x="11.5" y="11.5" width="9" height="9" rx="1"/>')


def restore(c):
    return strokes(c, TITLE_STROKE, "\n".join([
        '<rect x="10.5" y="13.5" width="8" height="8" rx="1"/>',
        '<path d="M13.5 13.5 V11.5 A1 1 0 0 1 14.5 10.5 H20.5 A1 1 0 0 1 21.5 11.5'
        ' V17.5 A1 1 0 0 1 20.5 18.5 H18.5"/>',
    ]))


def close(c):
    return strokes(c, TITLE_STROKE, '<path d="M11.5 11.5 L20.5 20.5 M20.5 11.5 L11.5 20.5"/>')


def fullscreen(c):
    return strokes(c, TITLE_STROKE, '<path d="M10.5 14 V10.5 H14 M18 10.5 H21.5 V14'
                                    ' M21.5 18 V21.5 H18 M14 21.5 H10.5 V18"/>')


PIN_BODY = "M13.5 9.5 V14 L11 17.5 H21 L18.5 14 V9.5"


def pin_outline(c):
    return strokes(c, TITLE_STROKE, "\n".join([
        '<path d="M12 9.5 H20"/>',
        f'<path d="{PIN_BODY}"/>',
        '<path d="M16 17.5 V23.5"/>',
    ]))


def pin_filled(c):
    return strokes(c, TITLE_STROKE, "\n".join([
        '<path d="M12 9.5 H20"/>',
        f'<path d="{PIN_BODY} Z" fill="{c}"/>',
        '<path d="M16 17.5 V23.5"/>',
    ]))


# --- Play controls: 36 px, viewBox 32 ----------------------------------------

CONTROL_STROKE = 1.7


def play(c):
    return solid("M12.5 9.5 V22.5 L23 16 Z", c, CONTROL_STROKE)


def pause(c):
    return "\n".join([
        f'<rect x="10.5" y="9.5" width="4" height="13" rx="1" fill="{c}"/>',
        f'<rect x="17.5" y="9.5" width="4" height="13" rx="1" fill="{c}"/>',
    ])


def stop(c):
    return f'<rect x="10.5" y="10.5" width="11" height="11" rx="1.5" fill="{c}"/>'


def prevfile(c):
    return strokes(c, CONTROL_STROKE, "\n".join([
        '<path d="M9.5 10.5 V21.5"/>',
        solid("M16 10.5 V21.5 L11.5 16 Z", c, CONTROL_STROKE),
        solid("M22.5 10.5 V21.5 L18 16 Z", c, CONTROL_STROKE),
    ]))


def nextfile(c):
    return strokes(c, CONTROL_STROKE, "\n".join([
        '<path d="M22.5 10.5 V21.5"/>',
        solid("M16 10.5 V21.5 L20.5 16 Z", c, CONTROL_STROKE),
        solid("M9.5 10.5 V21.5 L14 16 Z", c, CONTROL_STROKE),
    ]))


def framestep_back(c):
    return strokes(c, CONTROL_STROKE, "\n".join([
        '<path d="M11 10.5 V21.5"/>',
        '<path d="M21 10.5 V21.5 L14.5 16 Z"/>',
    ]))


def framestep_fwd(c):
    return strokes(c, CONTROL_STROKE, "\n".join([
        '<path d="M21 10.5 V21.5"/>',
        '<path d="M11 10.5 V21.5 L17.5 16 Z"/>',
    ]))


# A "5" drawn as a stroke so no font is needed; sits inside the circular arrow.
FIVE = "M18.3 12.3 H14.3 L13.9 15.9 C15.6 14.9 18.6 15.4 18.6 17.9 C18.6 20.5 15.2 21.2 13.6 19.8"


def fwd5(c):
    return strokes(c, CONTROL_STROKE, "\n".join([
        '<path d="M23.79 12 A9 9 0 1 1 16 7.5"/>',
        '<path d="M13.4 4.9 L16 7.5 L13.4 10.1"/>',
        f'<path d="{FIVE}" stroke-width="1.5"/>',
    ]))


def back5(c):
    return strokes(c, CONTROL_STROKE, "\n".join([
        '<path d="M8.21 12 A9 9 0 1 0 16 7.5"/>',
        '<path d="M18.6 4.9 L16 7.5 L18.6 10.1"/>',
        f'<path d="{FIVE}" stroke-width="1.5"/>',
    ]))


def snapshot(c):
    return strokes(c, CONTROL_STROKE, "\n".join([
        '<path d="M6.5 12 A1.5 1.5 0 0 1 8 10.5 H11.5 L13 8 H19 L20.5 10.5 H24'
        ' A1.5 1.5 0 0 1 25.5 12 V22 A1.5 1.5 0 0 1 24 23.5 H8 A1.5 1.5 0 0 1 6.5 22 Z"/>',
        '<circle cx="16" cy="16.75" r="4"/>',
        dot(22.3, 13.3, 0.9, c),
    ]))


def speed(c):
    return strokes(c, CONTROL_STROKE, "\n".join([
        '<path d="M7.07 21.25 A9.5 9.5 0 1 1 24.93 21.25"/>',
        '<path d="M16 18 L20.5 12.8"/>',
        dot(16, 18, 1.7, c),
        '<path d="M9.6 12.6 L10.6 13.4 M16 8.5 V9.8 M22.4 12.6 L21.4 13.4"/>',
    ]))


SPEAKER = "M7 13 H10.5 L15.5 8.5 V23.5 L10.5 19 H7 Z"


def volume(c):
    return strokes(c, CONTROL_STROKE, "\n".join([
        f'<path d="{SPEAKER}"/>',
        '<path d="M19 12.8 A4.5 4.5 0 0 1 19 19.2"/>',
        '<path d="M21.8 9.8 A8.6 8.6 0 0 1 21.8 22.2"/>',
    ]))


def mute(c):
    return strokes(c, CONTROL_STROKE, "\n".join([
        f'<path d="{SPEAKER}"/>',
        '<path d="M19.5 13.2 L25 18.8 M25 13.2 L19.5 18.8"/>',
    ]))


def flip(c):
    return strokes(c, CONTROL_STROKE, "\n".join([
        '<path d="M16 6.5 V8.5 M16 11.5 V13.5 M16 16.5 V18.5 M16 21.5 V23.5 M16 25.5 V25.6"/>',
        '<path d="M13 10 V22 H6.5 Z"/>',
        solid("M19 10 V22 H25.5 Z", c, CONTROL_STROKE),
    ]))


def swap(c):
    return strokes(c, CONTROL_STROKE, "\n".join([
        '<path d="M7 12 H24.5 M20.5 8 L24.5 12 L20.5 16"/>',
        '<path d="M25 20 H7.5 M11.5 16 L7.5 20 L11.5 24"/>',
    ]))


def zoom(c):
    return strokes(c, CONTROL_STROKE, "\n".join([
        '<circle cx="14.5" cy="14.5" r="6.5"/>',
        '<path d="M19.3 19.3 L24.5 24.5"/>',
        '<path d="M11.5 14.5 H17.5 M14.5 11.5 V17.5"/>',
    ]))


# --- Logo, check boxes and small parts ----------------------------------------

def dial_ticks():
    """Five short marks inside the logo's dial, from nine o'clock over the top to three."""
    d = []
    for deg in (180, 225, 270, 315, 360):
        a = math.radians(deg)
        inner = (16 + 9.9 * math.cos(a), 16 + 9.9 * math.sin(a))
        outer = (16 + 11.1 * math.cos(a), 16 + 11.1 * math.sin(a))
        d.append(f"M{inner[0]:.2f} {inner[1]:.2f} L{outer[0]:.2f} {outer[1]:.2f}")
    return " ".join(d)


def logo():
    # A dial open at the bottom around a lens that shows a road running to the horizon.
    return "\n".join([
        f'<path d="M6.81 25.19 A13 13 0 1 1 25.19 25.19" fill="none" stroke="{ACCENT_DEEP}"'
        ' stroke-width="2.2" stroke-linecap="round"/>',
        f'<path d="{dial_ticks()}" fill="none" stroke="{ACCENT_DEEP}" stroke-width="1.3" stroke-linecap="round"/>',
        # The lens is drawn around the road rather than under it, so the road is
        # left open and shows whatever the logo sits on, without a seam.
        f'<path d="M16.7 14.6 L21 22.87 A8.5 8.5 0 1 0 11 22.87 L15.3 14.6 Z" fill="{ACCENT}"/>',
        f'<path d="M15.8 17 H16.2 V18.4 H15.8 Z M15.65 20.2 H16.35 V22.4 H15.65 Z" fill="{ACCENT}"/>',
        '<circle cx="12.9" cy="12.6" r="1.5" fill="#ffffff" fill-opacity="0.55"/>',
    ])


def check_off():
    return f'<rect x="3.5" y="3.5" width="17" height="17" rx="3" fill="{PANEL}" stroke="{LINE}" stroke-width="1.5"/>'


def check_on():
    return "\n".join([
        f'<rect x="3.5" y="3.5" width="17" height="17" rx="3" fill="{ACCENT}" stroke="{ACCENT}" stroke-width="1.5"/>',
        f'<path d="M7.5 12.3 L10.6 15.4 L16.6 8.8" fill="none" stroke="{DARK}" stroke-width="2.2"'
        ' stroke-linecap="round" stroke-linejoin="round"/>',
    ])


def arrow_down():
    return strokes(NORMAL, 2, '<path d="M7 10 L12 15 L17 10"/>')


def slider_handle():
    return "\n".join([
        f'<circle cx="12" cy="12" r="9.2" fill="{ACCENT}" stroke="{DARK}" stroke-width="1.5"/>',
        f'<circle cx="12" cy="12" r="3" fill="{DARK}" fill-opacity="0.35"/>',
    ])


def marker():
    # A car seen from above, nose up, so the map can turn it with the heading.
    return "\n".join([
        f'<rect x="6.5" y="2.5" width="11" height="19" rx="3.8" fill="{ACCENT}" stroke="{DARK}" stroke-width="1.5"/>',
        f'<path d="M8.4 9.2 Q12 7.6 15.6 9.2 L14.7 12.2 H9.3 Z" fill="{DARK}"/>',
        f'<path d="M9.4 16.3 H14.6 L15.2 18.6 Q12 19.7 8.8 18.6 Z" fill="{DARK}"/>',
        f'<path d="M8.6 4.6 H10.2 M13.8 4.6 H15.4" fill="none" stroke="#ffffff" stroke-width="1.1"'
        ' stroke-linecap="round" stroke-opacity="0.8"/>',
    ])


# --- The table of files --------------------------------------------------------

PANEL_SET = {"nor": NORMAL, "ovr": HOVER, "dis": DISABLED}
TITLE_SET = {"nor": NORMAL, "ovr": TITLE_HOVER}
TAB_SET = {"nor": NORMAL, "sel": ACCENT}

# (base name, shape, shown size, viewBox, variants)
FAMILIES = [
    ("files", files, 24, 24, PANEL_SET),
    ("sdcard", sdcard, 24, 24, PANEL_SET),
    ("language", language, 24, 24, PANEL_SET),
    ("print", printer, 24, 24, PANEL_SET),
    ("capture", capture, 24, 24, PANEL_SET),
    ("setting", setting, 24, 24, PANEL_SET),
    ("about", about, 24, 24, PANEL_SET),
    ("filelist", filelist, 24, 24, TAB_SET),
    ("map", map_tab, 24, 24, TAB_SET),
    ("min", minimize, 32, 32, TITLE_SET),
    ("max", maximize, 32, 32, TITLE_SET),
    ("restore", restore, 32, 32, TITLE_SET),
    ("close", close, 32, 32, {"nor": NORMAL, "ovr": CLOSE}),
    ("fullscreen", fullscreen, 32, 32, TITLE_SET),
    ("upperOff", pin_outline, 32, 32, TITLE_SET),
    ("upperAlways", pin_filled, 32, 32, {"nor": ACCENT, "ovr": ACCENT_BRIGHT}),
    ("play", play, 36, 32, PANEL_SET),
    ("pause", pause, 36, 32, PANEL_SET),
    ("stop", stop, 36, 32, PANEL_SET),
    ("prevfile", prevfile, 36, 32, PANEL_SET),
    ("nextfile", nextfile, 36, 32, PANEL_SET),
    ("back5", back5, 36, 32, PANEL_SET),
    ("fwd5", fwd5, 36, 32, PANEL_SET),
    ("framestep-back", framestep_back, 36, 32, PANEL_SET),
    ("framestep-fwd", framestep_fwd, 36, 32, PANEL_SET),
    ("snapshot", snapshot, 36, 32, PANEL_SET),
    ("speed", speed, 36, 32, PANEL_SET),
    ("volume", volume, 36, 32, PANEL_SET),
    ("mute", mute, 36, 32, PANEL_SET),
    ("flip", flip, 36, 32, PANEL_SET),
    ("swap", swap, 36, 32, PANEL_SET),
    ("zoom", zoom, 36, 32, PANEL_SET),
]

# (file name, shape with its colour bound, shown size, viewBox)
SINGLES = [
    ("inf-icon.svg", lambda: infinity(NORMAL), 24, 24),
    ("inf-icon-sel.svg", lambda: infinity(ACCENT), 24, 24),
    ("event-icon.svg", lambda: event(EVENT), 24, 24),
    ("event-icon-sel.svg", lambda: event(ACCENT), 24, 24),
    ("parking-icon.svg", lambda: parking(NORMAL), 24, 24),
    ("parking-icon-sel.svg", lambda: parking(ACCENT), 24, 24),
    ("icon-user.svg", lambda: user(NORMAL), 24, 24),
    ("icon-user-sel.svg", lambda: user(ACCENT), 24, 24),
    ("type-nor.svg", lambda: all_types(NORMAL), 24, 24),
    ("type-dis.svg", lambda: funnel(NORMAL), 24, 24),
    ("logo.svg", logo, 128, 32),
    ("check-on.svg", check_on, 18, 24),
    ("check-off.svg", check_off, 18, 24),
    ("arrow-down.svg", arrow_down, 16, 24),
    ("slider-handle.svg", slider_handle, 18, 24),
    ("marker.svg", marker, 32, 24),
]


def main():
    written = 0
    for base, shape, size, box, variants in FAMILIES:
        for suffix, colour in variants.items():
            (OUT / f"{base}-{suffix}.svg").write_text(svg(size, box, shape(colour)))
            written += 1
    for name, shape, size, box in SINGLES:
        (OUT / name).write_text(svg(size, box, shape()))
        written += 1
    print(f"wrote {written} icons to {OUT}")


if __name__ == "__main__":
    main()
