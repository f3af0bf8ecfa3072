#!/usr/bin/env python3
"""Draws every picture that the default skin names into resources/dist/Skins.

The picture names and rectangles come from the skin table's source (app/multiSkins.h), so a
picture always has the size of the control that shows it. Each picture button's four state
pictures are drawn over the very pixels of the picture behind the button (the window
background or the side panel), so the buttons look the same whether or not they paint their
parent under them, and no seam shows where a button meets its background.

Run: /usr/bin/python3 tools/art/default_skin.py   (or tools/art/generate)
"""
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from PIL import Image, ImageChops  # noqa: E402

from skinart import (ART_DIR, P, SKINS_DIR, Art, downscale_mask, emblem, mix, parse_rect,  # noqa: E402
                     read_skin_table, rgba, save_png, soft_glow, to_rgb)

TABLE = read_skin_table()
STATES = ("Normal", "Hover", "Down", "Disabled")
# The skin keys of the four state pictures, in STATES order. The tab buttons keep their
# disabled picture under a key ending "_PosDisabled".
STATE_KEYS = ("_PicNormal", "_PicMouseHover", "_PicMouseDown", ("_PicDisabled", "_PosDisabled"))

# Window sizes that no skin rectangle gives: the splash window's and the backup window's
# client areas, which their pictures fill.
SPLASH_SIZE = (503, 240)
PROGRESS_SIZE = (391, 182)
# The splash's copyright label starts at x 59 (its layout): the mark lines up with it, and a
# darker band from y 166 down carries the label's white text.
MARK_X = 59
SPLASH_BAND = 166

WINDOW_RADIUS = 9


def pos(key):
    return parse_rect(TABLE[key])


def state_files(prefix):
    files = []
    for keys in STATE_KEYS:
        keys = keys if isinstance(keys, tuple) else (keys,)
        for k in keys:
            if prefix + k in TABLE:
                files.append(TABLE[prefix + k])
                break
        else:
            raise SystemExit("no picture key for %s%s" % (prefix, keys[0]))
    return files


# ----------------------------------------------------------------------------------------
# Main window background

def main_geometry():
    W, H = pos("SK_MAINFORM_Pos")[2:]
    menu = pos("SK_MAINFORM_BUTTON_File_Pos")
    header_h = menu[1] + menu[3] + 3           # the header ends just under the menu buttons
    pc = pos("SK_MAINFORM_PAGECONTROL_Pos")
    return W, H, header_h, pc


def main_background():
    W, H, header_h, pc = main_geometry()
    a = Art(W, H)
    whole = a.rrect_mask((0, 0, W, H), WINDOW_RADIUS)
    a.fill_mask_box(whole, (0, header_h, W, H), [(0.0, rgba(P["body_top"])), (1.0, rgba(P["body_bottom"]))])

    header = a.rrect_mask((0, 0, W, header_h + WINDOW_RADIUS), WINDOW_RADIUS)
    cut = Image.new("L", header.size, 0)
    cut.paste(255, (0, 0, W * 4, header_h * 4))
    header = ImageChops.multiply(header, cut)
    a.fill_mask_box(header, (0, 0, W, header_h), [(0.0, rgba(P["header_top"])), (1.0, rgba(P["header_bottom"]))])
    # A sheen along the top edge and a rule with a highlight under the header.
    a.rect((WINDOW_RADIUS, 1, W - WINDOW_RADIUS, 2), rgba(P["white"], 22))
    a.rect((1, header_h, W - 1, header_h + 1), rgba(P["header_rule"]))
    a.rect((1, header_h + 1, W - 1, header_h + 2), rgba(P["white"], 9))

    # The well the page control sits in: a dark frame one pixel round it, lit below.
    x, y, w, h = pc
    a.rect((x - 2, y - 2, x + w + 2, y + h + 2), rgba(P["white"], 10))
    a.rect((x - 2, y - 2, x + w + 2, y + h + 1), rgba(P["black"], 40))
    a.rect((x - 1, y - 1, x + w + 1, y + h + 1), rgba(P["well"]))

    bg = a.final()

    # The mark and the product name in the header's left part, on a soft glow of the accent.
    mark = 40
    mx, my = 18, (header_h - mark) // 2
    glow = soft_glow((W, H), (-60, -70, 260, 130), P["accent"], 0.16, 38)
    glow.putalpha(ImageChops.multiply(glow.getchannel("A"), header.resize((W, H), Image.BOX)))
    name = word_mark((W, H), (mx + mark + 12, my + mark / 2.0), 22, "lm")
    return outline(compose(bg, glow, name, (emblem(mark), (mx, my))), downscale_mask(whole))


def word_mark(size, xy, px, anchor):
    """The product name as a layer of the given size."""
    a = Art(*size)
    a.text(xy, "Velmora", "DejaVuSans-Bold.ttf", px, rgba(P["text"]), anchor=anchor)
    return a.final()


def compose(*layers):
    """Layers bottom to top, each an image or an (image, (x, y)) pair."""
    out = Image.new("RGBA", layers[0].size, (0, 0, 0, 0))
    for layer in layers:
        im, at = layer if isinstance(layer, tuple) else (layer, (0, 0))
        out.alpha_composite(im, at)
    return out


def erode_cross(mask):
    """A pixel stays only when its four direct neighbours are inside too, so the rim is one
    pixel thick along straight edges and round corners alike."""
    w, h = mask.size
    out = mask
    for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
        moved = Image.new("L", (w, h), 0)
        moved.paste(mask, (dx, dy))
        out = ImageChops.darker(out, moved)
    return out


def outline(im, coverage):
    """Fuchsia outside the window's outline (the window's colour key), a dark rim inside it.

    The key colour must never be blended into the rim: a half-fuchsia pixel would show as a
    pink fringe on the desktop. So the outline is decided per pixel and the rim drawn solid.
    """
    inside = coverage.point(lambda v: 255 if v >= 128 else 0)
    rim = ImageChops.subtract(inside, erode_cross(inside))
    out = Image.new("RGB", im.size, P["fuchsia"])
    out.paste(to_rgb(im), (0, 0), inside)
    out.paste(P["outline"], (0, 0), rim)
    return out


# ----------------------------------------------------------------------------------------
# Side panel

def side_panel():
    w, h = pos("SK_MAINFORM_PAGE1_ImgPanel_Pos")[2:]
    a = Art(w, h, rgba(P["panel"]))
    # A lit left edge parts the panel from the size bar beside it.
    a.rect((0, 0, 1, h), rgba(P["panel_edge"]))
    return to_rgb(a.final())


# ----------------------------------------------------------------------------------------
# Icons (16 x 16, drawn around the centre cx, cy)

def icon_uninstall(a, cx, cy, c):
    # An open tray with an arrow leaving it.
    a.stroke([(cx - 6, cy + 1), (cx - 6, cy + 6), (cx + 6, cy + 6), (cx + 6, cy + 1)], 1.8, c)
    a.stroke([(cx, cy + 3), (cx, cy - 6.5)], 1.8, c)
    a.stroke([(cx - 3.8, cy - 3), (cx, cy - 6.8), (cx + 3.8, cy - 3)], 1.8, c)


def icon_details(a, cx, cy, c):
    a.ring(cx, cy, 7.2, 1.6, c)
    a.ellipse((cx - 1.1, cy - 4.6, cx + 1.1, cy - 2.4), c)
    a.stroke([(cx, cy - 0.8), (cx, cy + 3.8)], 1.8, c)


def icon_refresh(a, cx, cy, c):
    # Most of a circle, travelling clockwise, with the arrow head at its end.
    r, start, end = 5.6, 285, 215
    a.arc(cx, cy, r, start, end, 1.8, c)
    t = math.radians(end)
    px, py = cx + r * math.cos(t), cy + r * math.sin(t)
    dx, dy = -math.sin(t), math.cos(t)          # direction of travel
    nx, ny = math.cos(t), math.sin(t)           # outward
    a.polygon([(px + dx * 3.6, py + dy * 3.6), (px - dx * 0.8 + nx * 3.2, py - dy * 0.8 + ny * 3.2),
               (px - dx * 0.8 - nx * 3.2, py - dy * 0.8 - ny * 3.2)], c)


def icon_search(a, cx, cy, c):
    a.ring(cx - 1.5, cy - 1.5, 5.2, 1.8, c)
    a.stroke([(cx + 2.4, cy + 2.4), (cx + 6.2, cy + 6.2)], 2.4, c)


def icon_enable_all(a, cx, cy, c):
    for dy in (-4, 4):
        a.rrect_ring((cx - 7, cy + dy - 3, cx - 1, cy + dy + 3), 1.2, 1.3, c)
        a.stroke([(cx - 5.6, cy + dy), (cx - 4.3, cy + dy + 1.4), (cx - 2.3, cy + dy - 1.6)], 1.3, c)
        a.stroke([(cx + 1.5, cy + dy), (cx + 7, cy + dy)], 1.6, c)


def icon_delete(a, cx, cy, c):
    a.stroke([(cx - 6.5, cy - 4.5), (cx + 6.5, cy - 4.5)], 1.7, c)
    a.stroke([(cx - 2.2, cy - 4.5), (cx - 2.2, cy - 6.8), (cx + 2.2, cy - 6.8), (cx + 2.2, cy - 4.5)], 1.5, c)
    a.stroke([(cx - 4.8, cy - 2.5), (cx - 4, cy + 6.8), (cx + 4, cy + 6.8), (cx + 4.8, cy - 2.5)], 1.7, c)
    a.stroke([(cx - 1.4, cy - 0.8), (cx - 1.2, cy + 4.4)], 1.3, c)
    a.stroke([(cx + 1.4, cy - 0.8), (cx + 1.2, cy + 4.4)], 1.3, c)


def icon_apply(a, cx, cy, c):
    a.stroke([(cx - 6, cy + 0.5), (cx - 2, cy + 4.5), (cx + 6.5, cy - 5)], 2.2, c)


# ----------------------------------------------------------------------------------------
# Picture buttons

NEUTRAL = {
    "Normal": ((56, 73, 100), (43, 57, 80), (11, 17, 27), 30),
    "Hover": ((70, 90, 122), (54, 71, 99), (11, 17, 27), 42),
    "Down": ((31, 41, 58), (38, 50, 70), (9, 13, 21), 0),
}
PRIMARY = {
    "Normal": ((22, 128, 149), (12, 97, 115), (6, 44, 54), 40),
    "Hover": ((29, 143, 166), (17, 111, 131), (6, 44, 54), 50),
    "Down": ((9, 78, 93), (12, 91, 108), (4, 34, 42), 0),
}
DISABLED = ((47, 52, 60), (41, 46, 53), (24, 28, 34), 14)


def side_button(w, h, state, icon, primary=False, icon_colour=None):
    """A side-bar push button: raised, with an icon at its left; the caption is the button's."""
    a = Art(w, h)
    if state == "Disabled":
        top, bottom, border, shine = DISABLED
    else:
        top, bottom, border, shine = (PRIMARY if primary else NEUTRAL)[state]
    box = (1, 1, w - 1, h - 2)
    a.rrect((1, 2, w - 1, h - 1), 6, rgba(P["black"], 70 if state != "Down" else 30))   # drop shadow
    a.rrect(box, 6, rgba(border))
    inner = (2, 2, w - 2, h - 3)
    if state == "Down":
        a.rrect(inner, 5, rgba(mix(top, P["black"], 0.35)))
        a.rrect((2, 4, w - 2, h - 3), 5, [(0.0, rgba(top)), (1.0, rgba(bottom))])
    else:
        a.rrect(inner, 5, rgba(mix(top, P["white"], shine / 100.0)))
        a.rrect((2, 3, w - 2, h - 3), 5, [(0.0, rgba(top)), (1.0, rgba(bottom))])
    if icon_colour is None:
        icon_colour = P["white"] if primary else P["accent_bright"]
    if state == "Disabled":
        c = rgba(P["icon_disabled"])
    elif state == "Hover":
        c = rgba(mix(icon_colour, P["white"], 0.35))
    else:
        c = rgba(icon_colour)
    shift = 1 if state == "Down" else 0
    icon(a, 22 + shift, (h - 1) / 2.0 + shift, c)
    return a.final()


def menu_button(w, h, state):
    """A menu-bar button on the dark header: a quiet pill with a drop-down mark."""
    a = Art(w, h)
    box = (1, 4, w - 1, h - 4)
    fill, ring, chevron = {
        "Normal": (rgba(P["white"], 12), rgba(P["white"], 20), P["text_secondary"]),
        "Hover": (rgba(P["white"], 30), rgba(P["white"], 44), P["text"]),
        "Down": (rgba(P["black"], 70), rgba(P["black"], 90), P["text"]),
        "Disabled": (rgba(P["white"], 5), rgba(P["white"], 10), P["text_disabled"]),
    }[state]
    a.rrect(box, 7, fill)
    a.rrect_ring(box, 7, 1, ring)
    if state == "Hover":
        a.rect((9, 5, w - 9, 6), rgba(P["white"], 30))
    shift = 1 if state == "Down" else 0
    cx, cy = w - 17 + shift, h / 2.0 + shift
    a.polygon([(cx - 3.5, cy - 1.6), (cx + 3.5, cy - 1.6), (cx, cy + 2.2)], rgba(chevron))
    return a.final()


def tab_button(w, h, state):
    """A page tab. Its disabled state is the tab of the page on show (the program disables
    the tab button of the current page), so it is drawn selected, not greyed."""
    a = Art(w, h)
    box = (7, 2, w - 7, h)
    corners = (True, True, False, False)
    if state == "Disabled":
        a.rrect(box, 6, rgba(mix(P["panel_edge"], P["white"], 0.12)), corners)
        a.rrect((7, 3, w - 7, h), 6, [(0.0, rgba(P["panel_edge"])), (1.0, rgba(P["panel"]))], corners)
        a.rect((7, h - 3, w - 7, h), rgba(P["accent"]))
    else:
        fill = {"Normal": rgba(P["white"], 10), "Hover": rgba(P["white"], 26),
                "Down": rgba(P["black"], 60)}[state]
        a.rrect(box, 6, fill, corners)
        if state == "Hover":
            a.rect((7, h - 2, w - 7, h), rgba(P["accent"], 110))
    return a.final()


def caption_button(w, h, state, kind):
    """Help, minimise and close in the title strip."""
    a = Art(w, h)
    if state in ("Hover", "Down"):
        if kind == "close":
            bg = P["danger"] if state == "Hover" else mix(P["danger"], P["black"], 0.22)
            a.rrect((0, 0, w, h), 4, rgba(bg))
        else:
            a.rrect((0, 0, w, h), 4, rgba(P["white"], 34 if state == "Hover" else 16))
    colour = {"Normal": P["text_secondary"], "Hover": P["white"], "Down": P["white"],
              "Disabled": P["icon_disabled"]}[state]
    c = rgba(colour)
    s = 1 if state == "Down" else 0
    cx, cy = w / 2.0 + s, h / 2.0 + s
    if kind == "min":
        a.rect((round(cx - 5), round(cy + 2), round(cx + 5), round(cy + 4)), c)
    elif kind == "close":
        a.stroke([(cx - 4, cy - 4), (cx + 4, cy + 4)], 1.7, c)
        a.stroke([(cx - 4, cy + 4), (cx + 4, cy - 4)], 1.7, c)
    else:
        a.arc(cx, cy - 2.6, 3.3, 175, 40, 1.8, c)
        ex, ey = cx + 3.3 * 0.766, cy - 2.6 + 3.3 * 0.643
        a.stroke([(ex, ey), (cx + 0.2, cy + 1.6), (cx + 0.2, cy + 2.2)], 1.8, c)
        a.ellipse((cx - 0.95, cy + 4.2, cx + 1.35, cy + 6.5), c)
    return a.final()


def over(background, art):
    base = background.convert("RGBA")
    base.alpha_composite(art)
    return base.convert("RGB")


def crop(im, rect):
    x, y, w, h = rect
    return im.crop((x, y, x + w, y + h))


# The picture buttons: key prefix, where their background comes from, how they are drawn.
def button_plan():
    side = [
        ("SK_MAINFORM_PAGE1_BUTTON_Uninstall", icon_uninstall, True, None),
        ("SK_MAINFORM_PAGE1_BUTTON_ShowDetails", icon_details, False, None),
        ("SK_MAINFORM_PAGE1_BUTTON_Refresh", icon_refresh, False, None),
        ("SK_MAINFORM_PAGE1_GROUPBOX_BUTTON_Search", icon_search, False, None),
        ("SK_MAINFORM_PAGE2_BUTTON_SelectAll", icon_enable_all, False, None),
        ("SK_MAINFORM_PAGE2_BUTTON_Delete", icon_delete, False, P["danger_soft"]),
        ("SK_MAINFORM_PAGE2_BUTTON_Apply", icon_apply, True, None),
    ]
    plan = []
    for prefix, kind in (("SK_MAINFORM_BUTTON_Min", "min"), ("SK_MAINFORM_BUTTON_HelpContent", "help"),
                         ("SK_MAINFORM_BUTTON_Close", "close")):
        plan.append((prefix, "main", None, lambda w, h, s, k=kind: caption_button(w, h, s, k)))
    for name in ("File", "View", "Tools", "Help"):
        plan.append(("SK_MAINFORM_BUTTON_" + name, "main", None, menu_button))
    for name in ("ProgramList", "StartupItems"):
        plan.append(("SK_MAINFORM_BUTTON_" + name, "main", None, tab_button))
    for prefix, icon, primary, colour in side:
        offset = (0, 0)
        if "_GROUPBOX_BUTTON_" in prefix:
            g = pos("SK_MAINFORM_PAGE1_GROUPBOX_GrbSearch_Pos")
            offset = (g[0], g[1])
        plan.append((prefix, "panel", offset,
                     lambda w, h, s, i=icon, p=primary, c=colour: side_button(w, h, s, i, p, c)))
    return plan


# ----------------------------------------------------------------------------------------
# Splash, about and backup-progress pictures

def sheets_motif(a, cx, cy, hw, alpha, width=1.2):
    """The mark's three sheets as outlines, for large quiet decoration."""
    hh = hw * 0.47
    for dy, al in ((hw * 0.38, alpha * 0.5), (0, alpha * 0.75), (-hw * 0.75, alpha)):
        y = cy + dy
        pts = [(cx, y - hh), (cx + hw, y), (cx, y + hh), (cx - hw, y), (cx, y - hh)]
        a.stroke(pts, width, rgba(P["white"], al), round_caps=False)


def splash():
    w, h = SPLASH_SIZE
    a = Art(w, h)
    a.rect((0, 0, w, h), [(0.0, rgba((33, 46, 68))), (1.0, rgba((13, 19, 29)))])
    sheets_motif(a, 452, 118, 96, 26, 1.4)
    a.rect((1, SPLASH_BAND, w - 1, h - 1), rgba(P["black"], 70))
    a.rect((1, SPLASH_BAND, w - 1, SPLASH_BAND + 1), rgba(P["white"], 22))
    a.rect((MARK_X + 112, 112, MARK_X + 172, 115), rgba(P["accent"]))
    frame(a, w, h)
    glow = soft_glow((w, h), (MARK_X - 110, -50, MARK_X + 200, 190), P["accent"], 0.20, 40)
    above_band = Image.new("L", (w, h), 0)
    above_band.paste(255, (1, 1, w - 1, SPLASH_BAND))
    glow.putalpha(ImageChops.multiply(glow.getchannel("A"), above_band))
    name = word_mark((w, h), (MARK_X + 110, 82), 44, "lm")
    return to_rgb(compose(a.final(), glow, name, (emblem(88), (MARK_X, 38))))


def frame(a, w, h):
    """A one-pixel dark frame with a lit top line, for pictures that stand on their own."""
    for box in ((0, 0, w, 1), (0, h - 1, w, h), (0, 0, 1, h), (w - 1, 0, w, h)):
        a.rect(box, rgba(P["outline"]))
    a.rect((1, 1, w - 1, 2), rgba(P["white"], 24))


def about_picture():
    w, h = pos("SK_ABOUTFORM_IMGABOUT_POS")[2:]
    a = Art(w, h)
    a.rect((0, 0, w, h), [(0.0, rgba((33, 46, 68))), (1.0, rgba((15, 22, 33)))])
    sheets_motif(a, w / 2.0, h - 58, 46, 30, 1.2)
    a.rect((w / 2.0 - 14, 132, w / 2.0 + 14, 134), rgba(P["accent"]))
    frame(a, w, h)
    glow = soft_glow((w, h), (-30, -20, w + 30, 130), P["accent"], 0.18, 26)
    name = word_mark((w, h), (w / 2.0, 116), 19, "mm")
    size = 64
    return to_rgb(compose(a.final(), glow, name, (emblem(size), ((w - size) // 2, 26))))


def progress_background():
    w, h = PROGRESS_SIZE
    a = Art(w, h)
    a.rect((0, 0, w, h), [(0.0, rgba((33, 46, 68))), (1.0, rgba((17, 24, 36)))])
    sheets_motif(a, w - 44, h - 20, 40, 16, 1.2)
    # A card behind the message (59, 64, 281 x 25) and the bar (56, 91, 281 x 25).
    card = (40, 52, w - 40, 130)
    a.rrect(card, 8, rgba(P["black"], 60))
    a.rrect(card, 8, rgba(P["white"], 9))
    a.rrect_ring(card, 8, 1, rgba(P["white"], 20))
    # The bar sits in a recessed slot one pixel larger than the bar.
    a.rect((55, 90, 338, 117), rgba(P["black"], 110))
    a.rect((1, 0, w - 1, 1), rgba(P["white"], 20))
    im = a.final()
    size = 26
    return to_rgb(compose(im, (emblem(size), ((w - size) // 2, 14))))


def progress_bar_fill():
    """The bar picture of the backup window's progress bar (stretched over its filled part)."""
    w, h = 8, 23
    a = Art(w, h)
    a.rect((0, 0, w, h), [(0.0, rgba(P["accent_bright"])), (0.5, rgba(P["accent"])),
                          (1.0, rgba(P["accent_deep"]))])
    a.rect((0, 0, w, 1), rgba(P["white"], 90))
    return to_rgb(a.final())


# ----------------------------------------------------------------------------------------

def generate(out_dir=SKINS_DIR, art_dir=ART_DIR):
    written = {}

    def put(name, im, expected=None):
        if expected is not None and im.size != tuple(expected):
            raise SystemExit("%s: drawn %s, wanted %s" % (name, im.size, expected))
        if name in written:
            if written[name] != im.tobytes():
                raise SystemExit("%s is named twice with different pictures" % name)
            return
        written[name] = im.tobytes()
        save_png(im, os.path.join(out_dir, name))

    bg = main_background()
    put(TABLE["SK_MAINFORM_PicBackGround"], bg, pos("SK_MAINFORM_Pos")[2:])
    panel = side_panel()
    for page in ("PAGE1", "PAGE2"):
        put(TABLE["SK_MAINFORM_%s_ImgPanel_Pic" % page], panel, pos("SK_MAINFORM_%s_ImgPanel_Pos" % page)[2:])

    for prefix, source, offset, draw in button_plan():
        r = pos(prefix + "_Pos")
        if source == "main":
            under = crop(bg, r)
        else:
            under = crop(panel, (r[0] + offset[0], r[1] + offset[1], r[2], r[3]))
        for state, name in zip(STATES, state_files(prefix)):
            put(name, over(under, draw(r[2], r[3], state)), r[2:])

    put(TABLE["SK_SPLASHFORM_IMAGE_CHARGE"], splash(), SPLASH_SIZE)
    put(TABLE["SK_ABOUTFORM_IMGABOUT_Pic"], about_picture(), pos("SK_ABOUTFORM_IMGABOUT_POS")[2:])
    put(TABLE["SK_PROGRESSFORM_ImageBG_Pic"], progress_background(), PROGRESS_SIZE)
    save_png(progress_bar_fill(), os.path.join(art_dir, "ProgressBar_Fill.png"))
    return sorted(written)


def main():
    names = generate()
    missing = sorted(v for k, v in TABLE.items() if v.lower().endswith(".png") and v not in names)
    if missing:
        raise SystemExit("pictures named by the skin but not drawn: " + ", ".join(missing))
    print("default skin: %d pictures in %s" % (len(names), os.path.relpath(SKINS_DIR)))


if __name__ == "__main__":
    main()
