#!/usr/bin/python3
"""Draws the style bitmaps of the skinned controls and lists them in resources/Skinned.rc.

Every picture is drawn here from shapes and gradients, at four times its size and then
reduced, so edges are smooth; a coverage mask keeps the key colour (fuchsia) of keyed
pictures free of blended fringes. Nothing depends on time or randomness, so running the
script again writes the same files.

    /usr/bin/python3 tools/art/style_bitmaps.py
"""
import os

from PIL import Image, ImageChops, ImageDraw

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
OUT_DIR = os.path.join(ROOT, 'resources', 'styles')
RC_FILE = os.path.join(ROOT, 'resources', 'Skinned.rc')

SS = 4                 # supersampling factor
KEY = (255, 0, 255)    # transparent colour of keyed pictures
WHITE = (255, 255, 255)


# ---------------------------------------------------------------------------------------
# Colour helpers

def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def lighter(c, t):
    return mix(c, WHITE, t)


def darker(c, t):
    return mix(c, (0, 0, 0), t)


def ramp(stops, t):
    """The colour at t (0..1) of a list of (position, colour) stops."""
    t = min(max(t, 0.0), 1.0)
    for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
        if t <= p1:
            return mix(c0, c1, 0 if p1 == p0 else (t - p0) / (p1 - p0))
    return stops[-1][1]


def bgr(value):
    """A colour written as 0xBBGGRR, as the style tables do."""
    return (value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF)


# ---------------------------------------------------------------------------------------
# Drawing at four times the size

class Art:
    """A picture drawn at SS times its size, with the coverage of everything painted."""

    def __init__(self, w, h, background):
        self.w, self.h = w, h
        self.img = Image.new('RGB', (w * SS, h * SS), background)
        self.cov = Image.new('L', (w * SS, h * SS), 0)

    # Boxes are (left, top, right, bottom) in final pixels, right and bottom exclusive.
    @staticmethod
    def _box(box):
        l, t, r, b = box
        return [round(l * SS), round(t * SS), round(r * SS) - 1, round(b * SS) - 1]

    def _mask(self):
        return Image.new('L', self.img.size, 0)

    def rrect(self, box, radius):
        m = self._mask()
        ImageDraw.Draw(m).rounded_rectangle(self._box(box), radius=max(radius * SS, 0), fill=255)
        return m

    def ellipse(self, box):
        m = self._mask()
        ImageDraw.Draw(m).ellipse(self._box(box), fill=255)
        return m

    def polygon(self, points):
        m = self._mask()
        ImageDraw.Draw(m).polygon([(x * SS, y * SS) for x, y in points], fill=255)
        return m

    def lines(self, points, width):
        m = self._mask()
        pts = [(x * SS, y * SS) for x, y in points]
        ImageDraw.Draw(m).line(pts, fill=255, width=max(1, round(width * SS)), joint='curve')
        r = width * SS / 2
        for x, y in (pts[0], pts[-1]):   # round caps
            ImageDraw.Draw(m).ellipse([x - r, y - r, x + r, y + r], fill=255)
        return m

    def arc(self, box, start, end, width):
        m = self._mask()
        ImageDraw.Draw(m).arc(self._box(box), start, end, fill=255, width=max(1, round(width * SS)))
        return m

    @staticmethod
    def minus(a, b):
        return ImageChops.subtract(a, b)

    def vgrad(self, stops, top=0.0, bottom=None):
        """A vertical gradient over the picture, stops spread from top to bottom (pixels)."""
        bottom = self.h if bottom is None else bottom
        rows = Image.new('RGB', (1, self.h * SS))
        span = max(bottom - top, 1e-6)
        rows.putdata([ramp(stops, ((y + 0.5) / SS - top) / span) for y in range(self.h * SS)])
        return rows.resize(self.img.size, Image.NEAREST)

    def hgrad(self, stops, left=0.0, right=None):
        right = self.w if right is None else right
        cols = Image.new('RGB', (self.w * SS, 1))
        span = max(right - left, 1e-6)
        cols.putdata([ramp(stops, ((x + 0.5) / SS - left) / span) for x in range(self.w * SS)])
        return cols.resize(self.img.size, Image.NEAREST)

    def paint(self, mask, fill, coverage=True):
        src = fill if isinstance(fill, Image.Image) else Image.new('RGB', self.img.size, fill)
        self.img.paste(src, (0, 0), mask)
        if coverage:
            self.cov = ImageChops.lighter(self.cov, mask)

    def fill(self, fill):
        self.paint(Image.new('L', self.img.size, 255), fill, coverage=False)

    def done(self, key=None):
        img = self.img.resize((self.w, self.h), Image.BOX)
        if key is not None:
            cov = self.cov.resize((self.w, self.h), Image.BOX)
            px, cv = img.load(), cov.load()
            for y in range(self.h):
                for x in range(self.w):
                    if cv[x, y] < 40:
                        px[x, y] = key
        return img


def strip(frames):
    """Frames of equal size side by side."""
    w = sum(f.width for f in frames)
    out = Image.new('RGB', (w, frames[0].height))
    x = 0
    for f in frames:
        out.paste(f, (x, 0))
        x += f.width
    return out


def column(colours):
    """A picture one column wide (or as wide as asked later) from a list of row colours."""
    img = Image.new('RGB', (1, len(colours)))
    img.putdata(colours)
    return img


def widen(img, w):
    return img.resize((w, img.height), Image.NEAREST)


# ---------------------------------------------------------------------------------------
# The five styles

class Style:
    def __init__(self, name, **kw):
        self.name = name
        self.__dict__.update(kw)


STYLES = [
    # Brushed grey frames with glossy aqua gel for everything that is active.
    Style('MACOS',
          form=bgr(0xE7E7E7), border=bgr(0x7F7F7F), edge=(120, 120, 128),
          face=[(0, (255, 255, 255)), (0.5, (243, 243, 245)), (0.52, (229, 230, 233)), (1, (246, 246, 248))],
          accent=[(0, (190, 222, 252)), (0.48, (96, 160, 236)), (0.52, (48, 116, 218)), (1, (128, 196, 250))],
          accent_edge=(36, 86, 168), glyph=(58, 58, 64), check=(28, 72, 150),
          title=[(0, (246, 246, 246)), (0.08, (234, 234, 234)), (1, (200, 200, 202))],
          pinstripe=True, title_round=0, radius=10,
          button_key=True, titlebtn_key=False, titlebtn_top=4),
    # Strong blue caption with white-edged buttons, warm beige faces and green progress.
    Style('WINXP',
          form=bgr(0xDEEBEF), border=bgr(0xC82C00), edge=(0, 60, 116),
          face=[(0, (255, 255, 255)), (0.7, (243, 241, 234)), (1, (214, 208, 196))],
          accent=[(0, (196, 246, 196)), (0.45, (92, 214, 92)), (1, (40, 160, 48))],
          accent_edge=(30, 120, 40), glyph=(255, 255, 255), check=(33, 161, 33),
          title=[(0, (120, 170, 255)), (0.12, (40, 112, 246)), (0.55, (0, 84, 227)), (0.9, (0, 70, 206)),
                 (1, (0, 52, 170))],
          pinstripe=False, title_round=8, radius=3,
          button_key=False, titlebtn_key=False, titlebtn_top=5,
          btn_fill=[(0, (128, 176, 255)), (0.5, (48, 118, 250)), (1, (22, 84, 222))],
          close_fill=[(0, (248, 160, 128)), (0.5, (226, 86, 46)), (1, (196, 52, 24))]),
    # Deep navy caption, slate-blue accents, flat steel faces.
    Style('DEEPBLUE',
          form=bgr(0xE8E8E8), border=(0, 0, 0), edge=(52, 58, 92),
          face=[(0, (250, 251, 253)), (1, (210, 216, 228))],
          accent=[(0, (126, 134, 214)), (0.5, (68, 74, 160)), (1, (44, 48, 118))],
          accent_edge=(30, 34, 90), glyph=(236, 240, 255), check=(44, 52, 140),
          title=[(0, (86, 106, 168)), (0.06, (52, 70, 132)), (0.5, (30, 44, 96)), (1, (14, 22, 58))],
          pinstripe=False, title_round=0, radius=2,
          button_key=False, titlebtn_key=False, titlebtn_top=2),
    # White and silver with a glossy royal-blue band.
    Style('PROTEIN',
          form=bgr(0xFBFBFB), border=(0, 0, 0), edge=(96, 100, 124),
          face=[(0, (255, 255, 255)), (1, (226, 229, 238))],
          accent=[(0, (140, 144, 246)), (0.48, (66, 70, 214)), (0.52, (45, 48, 196)), (1, (76, 82, 226))],
          accent_edge=(26, 28, 130), glyph=(255, 255, 255), check=(45, 48, 196),
          title=[(0, (255, 255, 255)), (0.5, (238, 239, 243)), (1, (206, 209, 218))],
          pinstripe=False, title_round=0, radius=4,
          button_key=False, titlebtn_key=True, titlebtn_top=2,
          btn_fill=[(0, (150, 154, 248)), (0.5, (56, 60, 206)), (1, (40, 44, 170))],
          close_fill=[(0, (246, 150, 160)), (0.5, (206, 44, 62)), (1, (160, 24, 40))]),
    # Pale glass with bright highlights and periwinkle accents.
    Style('BLUEGLASS',
          form=bgr(0xE7E7E7), border=(0, 0, 0), edge=(84, 110, 160),
          face=[(0, (252, 254, 255)), (0.5, (226, 238, 252)), (0.52, (206, 224, 246)), (1, (226, 240, 254))],
          accent=[(0, (200, 200, 255)), (0.48, (128, 128, 246)), (0.52, (94, 94, 236)), (1, (150, 160, 252))],
          accent_edge=(50, 50, 150), glyph=(255, 255, 255), check=(70, 70, 200),
          title=[(0, (150, 186, 236)), (0.48, (86, 134, 214)), (0.52, (50, 100, 196)), (1, (84, 138, 222))],
          pinstripe=False, title_round=11, radius=6,
          button_key=True, titlebtn_key=True, titlebtn_top=6,
          btn_fill=[(0, (226, 240, 255)), (0.48, (150, 194, 244)), (0.52, (100, 156, 228)), (1, (150, 204, 250))],
          close_fill=[(0, (255, 206, 206)), (0.48, (236, 120, 120)), (0.52, (206, 60, 60)), (1, (240, 130, 130))]),
]

# Sizes in pixels, by key and style.
SIZES = {
    'BUTTON': {'MACOS': (252, 23), 'WINXP': (54, 21), 'DEEPBLUE': (222, 21), 'PROTEIN': (222, 21), 'BLUEGLASS': (231, 27)},
    'CHECKBOX': {'MACOS': (60, 17), '*': (52, 13)},
    'RADIOBUTTON': {'MACOS': (64, 17), '*': (52, 13)},
    'TITLEBTN': {'MACOS': (306, 17), 'WINXP': (378, 21), '*': (342, 19)},
    'TITLE_LEFT': {'MACOS': (48, 23), 'WINXP': (35, 29), 'DEEPBLUE': (97, 32), 'PROTEIN': (441, 23), 'BLUEGLASS': (162, 33)},
    'TITLE_CLIENT': {'MACOS': (49, 23), 'WINXP': (37, 29), 'DEEPBLUE': (98, 32), 'PROTEIN': (1, 23), 'BLUEGLASS': (179, 33)},
    'TITLE_RIGHT': {'MACOS': (48, 23), 'WINXP': (35, 29), 'DEEPBLUE': (97, 32), 'PROTEIN': (1, 23), 'BLUEGLASS': (101, 33)},
    'PROGRESSBAR': {'MACOS': (13, 10), 'WINXP': (6, 10), '*': (1, 10)},
    'TRACKBAR_BAR': {'MACOS': (45, 5), 'WINXP': (45, 8), '*': (45, 4)},
    'TRACKBAR_SLIDER': {'WINXP': (11, 21), '*': (11, 20)},
    'TRACKBAR_SLIDER_V': {'MACOS': (19, 11), 'WINXP': (22, 11), '*': (18, 11)},
    'SCROLLBAR_BUTTON': {'MACOS': (96, 22), 'WINXP': (96, 17), 'BLUEGLASS': (102, 16), '*': (96, 16)},
    'SCROLLBAR_TRACK': {'MACOS': (33, 16), '*': (21, 16)},
    'CHECKLIST': {'MACOS': (40, 11), '*': (44, 11)},
    'TAB': {'MACOS': (36, 27), 'WINXP': (18, 18), 'DEEPBLUE': (12, 17), '*': (18, 17)},
    'TAB_LINE': {'MACOS': (17, 7), 'WINXP': (8, 1), 'DEEPBLUE': (5, 5), '*': (10, 5)},
    'SIDECHENNEL_HANDLE': {'MACOS': (7, 84), 'WINXP': (8, 86), 'BLUEGLASS': (8, 86), '*': (8, 83)},
    'SIDECHENNEL_BAR': {'DEEPBLUE': (1, 20), '*': (1, 21)},
}


def size(part, style):
    table = SIZES[part]
    return table.get(style.name, table.get('*'))


# ---------------------------------------------------------------------------------------
# Pieces

def title_rows(style, h):
    rows = [ramp(style.title, (y + 0.5) / h) for y in range(h)]
    if style.pinstripe:
        rows = [darker(c, 0.035) if y % 2 and 0 < y < h - 1 else c for y, c in enumerate(rows)]
    rows[-1] = mix(rows[-1], style.edge, 0.6)
    return rows


def button(style):
    w, h = size('BUTTON', style)
    if style.name == 'WINXP':
        # One button in three slices (left cap, middle, right cap), stretched to any width.
        a = Art(w, h, style.form)
        a.paint(a.rrect((0.5, 0.5, w - 0.5, h - 0.5), 3), style.edge)
        a.paint(a.rrect((1.5, 1.5, w - 1.5, h - 1.5), 2), a.vgrad(style.face))
        return a.done()
    # Side by side: normal, under the mouse, pressed, disabled, focused, default, pressed
    # under the mouse (as many as the strip holds).
    frames = {'MACOS': 4, 'DEEPBLUE': 6, 'PROTEIN': 6, 'BLUEGLASS': 7}[style.name]
    states = ['normal', 'hover', 'pressed', 'disabled', 'focused', 'default', 'hotpressed']
    fw = w // frames
    key = KEY if style.button_key else None
    out = []
    for state in states[:frames]:
        a = Art(fw, h, KEY if style.button_key else style.form)
        r = min(style.radius, h / 2 - 1)
        face, edge = style.face, style.edge
        if state == 'hover':
            face = [(p, mix(c, ramp(style.accent, p), 0.18)) for p, c in style.face]
        elif state in ('pressed', 'hotpressed'):
            glossy = style.name in ('MACOS', 'BLUEGLASS')
            face = style.accent if glossy else [(p, darker(c, 0.12)) for p, c in style.face]
            edge = style.accent_edge
        elif state == 'disabled':
            face = [(p, mix(c, style.form, 0.6)) for p, c in style.face]
            edge = mix(style.edge, style.form, 0.55)
        a.paint(a.rrect((0.5, 0.5, fw - 0.5, h - 0.5), r), edge)
        a.paint(a.rrect((1.5, 1.5, fw - 1.5, h - 1.5), r - 1), a.vgrad(face))
        if state in ('focused', 'default'):
            ring = a.minus(a.rrect((1.5, 1.5, fw - 1.5, h - 1.5), r - 1), a.rrect((2.5, 2.5, fw - 2.5, h - 2.5), r - 2))
            a.paint(ring, mix(ramp(style.accent, 0.5), WHITE, 0.25 if state == 'focused' else 0))
        out.append(a.done(key))
    return strip(out)


def check_glyph(a, box, colour, width):
    l, t, r, b = box
    w, h = r - l, b - t
    a.paint(a.lines([(l + 0.18 * w, t + 0.52 * h), (l + 0.42 * w, t + 0.78 * h), (l + 0.84 * w, t + 0.2 * h)], width),
            colour)


def box_frames(style, w, h, round_box):
    """Four frames: unchecked, checked, unchecked under the mouse, checked under the mouse."""
    fw = w // 4
    s = min(fw, h) - (2 if h > 13 else 0)
    out = []
    for i in range(4):
        checked, hot = i in (1, 3), i >= 2
        a = Art(fw, h, style.form)
        l, t = (fw - s) / 2, (h - s) / 2
        outer, inner = (l, t, l + s, t + s), (l + 1, t + 1, l + s - 1, t + s - 1)
        edge = style.accent_edge if hot else style.edge
        face = style.face if not hot else [(p, mix(c, ramp(style.accent, p), 0.25)) for p, c in style.face]
        if round_box:
            a.paint(a.ellipse(outer), edge)
            a.paint(a.ellipse(inner), a.vgrad(face, t, t + s))
            if checked:
                d = s * 0.36
                c = (l + s / 2, t + s / 2)
                a.paint(a.ellipse((c[0] - d / 2, c[1] - d / 2, c[0] + d / 2, c[1] + d / 2)), style.check)
        else:
            a.paint(a.rrect(outer, 2 if style.radius > 2 else 0), edge)
            a.paint(a.rrect(inner, 1 if style.radius > 2 else 0), a.vgrad(face, t, t + s))
            if checked:
                check_glyph(a, (l + 1.5, t + 1.5, l + s - 1.5, t + s - 1.5), style.check, max(1.6, s / 7))
        out.append(a.done())
    return strip(out)


def checklist(style):
    w, h = size('CHECKLIST', style)
    fw = w // 4
    out = []
    for i, state in enumerate(['unchecked', 'checked', 'partly', 'disabled']):
        a = Art(fw, h, WHITE)
        s = min(fw, h) - 1
        l, t = (fw - s) / 2, (h - s) / 2
        edge = mix(style.edge, WHITE, 0.5) if state == 'disabled' else style.edge
        a.paint(a.rrect((l, t, l + s, t + s), 0), edge)
        a.paint(a.rrect((l + 1, t + 1, l + s - 1, t + s - 1), 0), a.vgrad(style.face, t, t + s))
        if state in ('checked', 'disabled'):
            colour = mix(style.check, WHITE, 0.5) if state == 'disabled' else style.check
            check_glyph(a, (l + 1, t + 1, l + s - 1, t + s - 1), colour, 1.5)
        elif state == 'partly':
            a.paint(a.rrect((l + 3, t + 3, l + s - 3, t + s - 3), 0), mix(style.check, WHITE, 0.2))
        out.append(a.done())
    return strip(out)


# Title-bar button glyphs, drawn inside the box (l, t, r, b).
def glyph(a, kind, box, colour, width):
    l, t, r, b = box
    w, h = r - l, b - t
    cx, cy = (l + r) / 2, (t + b) / 2
    if kind == 'box':          # the window menu: a small downward triangle under a bar
        a.paint(a.polygon([(l + 0.15 * w, t + 0.42 * h), (r - 0.15 * w, t + 0.42 * h), (cx, b - 0.12 * h)]), colour)
        a.paint(a.rrect((l + 0.15 * w, t + 0.12 * h, r - 0.15 * w, t + 0.12 * h + width), 0), colour)
    elif kind == 'help':
        a.paint(a.arc((cx - 0.3 * w, t, cx + 0.3 * w, t + 0.55 * h), 180, 60, width), colour)
        a.paint(a.lines([(cx + 0.22 * w, t + 0.42 * h), (cx, t + 0.6 * h), (cx, t + 0.7 * h)], width), colour)
        d = width * 1.25
        a.paint(a.ellipse((cx - d / 2, b - d, cx + d / 2, b)), colour)
    elif kind == 'max':
        a.paint(a.minus(a.rrect(box, 0), a.rrect((l + width, t + 2.2 * width, r - width, b - width), 0)), colour)
    elif kind == 'restore':
        # Two windows, the front one hiding the back one's lower-left corner.
        s, lw = 0.7, width * 0.8
        back = (l + (1 - s) * w, t, r, t + s * h)
        front = (l, b - s * h, l + s * w, b)
        def outline(box):
            return a.minus(a.rrect(box, 0), a.rrect((box[0] + lw, box[1] + 2 * lw, box[2] - lw, box[3] - lw), 0))
        a.paint(a.minus(outline(back), a.rrect(front, 0)), colour)
        a.paint(outline(front), colour)
    elif kind == 'min':
        a.paint(a.rrect((l + 0.1 * w, b - 2 * width, r - 0.1 * w, b - 0.2 * width), 0), colour)
    elif kind == 'close':
        a.paint(a.lines([(l + 0.1 * w, t + 0.1 * h), (r - 0.1 * w, b - 0.1 * h)], width * 1.1), colour)
        a.paint(a.lines([(r - 0.1 * w, t + 0.1 * h), (l + 0.1 * w, b - 0.1 * h)], width * 1.1), colour)


def title_buttons(style):
    w, h = size('TITLEBTN', style)
    fw = w // 18
    bar_h = size('TITLE_LEFT', style)[1]
    rows = title_rows(style, bar_h)
    band = rows[style.titlebtn_top:style.titlebtn_top + h]
    out = []
    for kind in ['box', 'help', 'max', 'restore', 'min', 'close']:
        for state in ['normal', 'hover', 'pressed']:
            a = Art(fw, h, WHITE)
            a.paint(Image.new('L', a.img.size, 255), widen(column(band), fw).resize(a.img.size, Image.NEAREST), False)
            draw_title_button(a, style, kind, state, fw, h)
            out.append(a.done(KEY if style.titlebtn_key else None))
    return strip(out)


def draw_title_button(a, style, kind, state, fw, h):
    g = round(fw * 0.5)    # glyph box
    gl, gt = (fw - g) / 2, (h - g) / 2
    gbox = (gl, gt, gl + g, gt + g)
    close = kind == 'close'
    if style.name == 'MACOS':
        # Round gel buttons: graphite, the close one aqua; glyphs show on hover and press.
        d = h - 3
        l, t = (fw - d) / 2, (h - d) / 2
        base = [(0, (214, 216, 222)), (0.5, (150, 154, 164)), (1, (206, 210, 218))]
        fill = style.accent if close else base
        if state == 'pressed':
            fill = [(p, darker(c, 0.2)) for p, c in fill]
        a.paint(a.ellipse((l, t, l + d, t + d)), darker(ramp(fill, 0.5), 0.35))
        a.paint(a.ellipse((l + 1, t + 1, l + d - 1, t + d - 1)), a.vgrad(fill, t, t + d))
        a.paint(a.ellipse((l + d * 0.25, t + 1.5, l + d * 0.75, t + d * 0.42)), mix(WHITE, ramp(fill, 0.2), 0.35))
        if state != 'normal':
            k = d * 0.24
            glyph(a, kind, (l + k, t + k, l + d - k, t + d - k), (40, 40, 46), 1.2)
        return
    if style.name == 'DEEPBLUE':
        # Flat: only the glyph, on a lit square under the mouse.
        if state != 'normal':
            lit = (70, 92, 156) if state == 'hover' else (16, 24, 60)
            if close:
                lit = (170, 52, 52) if state == 'hover' else (110, 24, 24)
            a.paint(a.rrect((0.5, 0.5, fw - 0.5, h - 0.5), 2), (120, 140, 200) if state == 'hover' else (10, 14, 36))
            a.paint(a.rrect((1.5, 1.5, fw - 1.5, h - 1.5), 1), lit)
        glyph(a, kind, gbox, style.glyph, 1.6)
        return
    # WinXP, Protein and BlueGlass: filled buttons with a white glyph.
    fill = style.close_fill if close else style.btn_fill
    if state == 'hover':
        fill = [(p, lighter(c, 0.22)) for p, c in fill]
    elif state == 'pressed':
        fill = [(p, darker(c, 0.22)) for p, c in reversed(fill)]
        fill = [(1 - p, c) for p, c in fill]
    if style.name == 'PROTEIN':
        d = h - 2
        l, t = (fw - d) / 2, (h - d) / 2
        a.paint(a.ellipse((l, t, l + d, t + d)), style.accent_edge if not close else (120, 16, 30))
        a.paint(a.ellipse((l + 1, t + 1, l + d - 1, t + d - 1)), a.vgrad(fill, t, t + d))
        a.paint(a.ellipse((l + d * 0.22, t + 1.5, l + d * 0.78, t + d * 0.45)), mix(WHITE, ramp(fill, 0.1), 0.45))
        glyph(a, kind, (l + d * 0.28, t + d * 0.28, l + d * 0.72, t + d * 0.72), WHITE, 1.5)
        return
    radius = 3 if style.name == 'WINXP' else 4
    outer = (0.5, 0.5, fw - 0.5, h - 0.5)
    edge = WHITE if style.name == 'WINXP' else (style.edge if not close else (150, 40, 40))
    a.paint(a.rrect(outer, radius), edge)
    a.paint(a.rrect((1.5, 1.5, fw - 1.5, h - 1.5), radius - 1), a.vgrad(fill))
    if style.name == 'BLUEGLASS':
        a.paint(a.rrect((2.5, 2, fw - 2.5, h * 0.46), radius - 2), mix(WHITE, ramp(fill, 0.2), 0.5))
        colour = (24, 44, 96) if not close else WHITE
    else:
        colour = WHITE
    glyph(a, kind, gbox, colour, 1.7 if style.name == 'WINXP' else 1.5)


def title_piece(style, part):
    w, h = size(part, style)
    rows = title_rows(style, h)
    a = Art(w, h, style.border)
    a.fill(widen(column(rows), w).resize(a.img.size, Image.NEAREST))
    r = style.title_round
    if style.name == 'PROTEIN' and part == 'TITLE_LEFT':
        # A glossy royal-blue band that ends in a slanted edge and fades into the silver.
        band = [(0, (150, 154, 250)), (0.48, (70, 74, 218)), (0.52, (45, 48, 196)), (1, (84, 90, 230))]
        body = a.polygon([(0, 0), (w * 0.62, 0), (w * 0.62 - h * 1.2, h - 1), (0, h - 1)])
        a.paint(body, a.vgrad(band, 0, h - 1))
        fade = a.polygon([(w * 0.62, 0), (w * 0.62 + h * 2.5, 0), (w * 0.62 + h * 1.3, h - 1), (w * 0.62 - h * 1.2, h - 1)])
        a.paint(fade, a.hgrad([(0, (120, 124, 224)), (1, rows[h // 2])], w * 0.62 - h * 1.2, w * 0.62 + h * 2.5))
        a.paint(a.rrect((0, h - 1, w, h), 0), mix(rows[-1], style.edge, 0.3))
    if style.name == 'DEEPBLUE' and part == 'TITLE_LEFT':
        # A glow at the window-menu end that fades out before the caption runs on.
        lit = widen(column([lighter(c, 0.22) for c in rows]), w)
        glow = Image.new('L', (w, 1))
        glow.putdata([int(255 * max(0.0, 1 - x / (w * 0.9)) ** 1.5) for x in range(w)])
        a.paint(glow.resize((w, h)).resize(a.img.size, Image.NEAREST), lit.resize(a.img.size, Image.NEAREST), False)
    if style.name == 'BLUEGLASS':
        # The glass sheen: a soft white highlight across the top half.
        # The client piece is stretched, so its sheen runs across it unbroken.
        left = 1 if part == 'TITLE_LEFT' else -8
        right = w - 1 if part == 'TITLE_RIGHT' else w + 8
        sheen = a.rrect((left, 1, right, h * 0.48), 6)
        # Deep enough under the white caption that it stays readable.
        a.paint(sheen, a.vgrad([(0, (200, 222, 250)), (1, (112, 156, 226))], 1, h * 0.48))
    if part == 'TITLE_LEFT':
        a.paint(a.rrect((0, 0, 1, h), 0), style.edge)
    if part == 'TITLE_RIGHT' and w > 1:
        a.paint(a.rrect((w - 1, 0, w, h), 0), style.edge)
    img = a.done()
    if r and part in ('TITLE_LEFT', 'TITLE_RIGHT') and w > 1:
        # The window region rounds these corners away; keep the border colour there.
        corner = Art(w, h, style.border)
        box = (0, 0, w + 2 * r, h + 2 * r) if part == 'TITLE_LEFT' else (-2 * r, 0, w, h + 2 * r)
        mask = corner.rrect(box, r).resize((w, h), Image.BOX)
        img = Image.composite(img, Image.new('RGB', (w, h), style.border), mask)
    return img


def progress(style):
    w, h = size('PROGRESSBAR', style)
    rows = [ramp(style.accent, (y + 0.5) / h) for y in range(h)]
    rows[0] = lighter(rows[0], 0.3)
    return widen(column(rows), w)


def trackbar_bar(style):
    w, h = size('TRACKBAR_BAR', style)
    a = Art(w, h, style.form)
    a.paint(a.rrect((0, 0, w, h), h / 2), darker(style.form, 0.35))
    groove = [(0, darker(style.form, 0.28)), (1, lighter(style.form, 0.6))]
    a.paint(a.rrect((0.8, 0.8, w - 0.8, h - 0.5), max(h / 2 - 1, 0)), a.vgrad(groove))
    return a.done()


def trackbar_slider(style, vertical):
    w, h = size('TRACKBAR_SLIDER_V' if vertical else 'TRACKBAR_SLIDER', style)
    L = w if vertical else h     # along the pointer
    S = h if vertical else w     # across it
    tip = S * 0.55
    body = [(0.5, 0.5), (S - 0.5, 0.5), (S - 0.5, L - tip), (S / 2, L - 0.5), (0.5, L - tip)]
    inner = [(1.5, 1.5), (S - 1.5, 1.5), (S - 1.5, L - tip - 0.3), (S / 2, L - 1.8), (1.5, L - tip - 0.3)]
    if vertical:
        body = [(y, x) for x, y in body]
        inner = [(y, x) for x, y in inner]
    a = Art(w, h, style.form)
    a.paint(a.polygon(body), style.edge)
    face = style.accent if style.name in ('MACOS', 'BLUEGLASS', 'PROTEIN') else style.face
    a.paint(a.polygon(inner), a.hgrad(face) if vertical else a.vgrad(face))
    return a.done()


def arrow(a, direction, box, colour):
    l, t, r, b = box
    cx, cy = (l + r) / 2, (t + b) / 2
    w, h = (r - l) / 2, (b - t) / 2
    pts = {'up': [(cx - w, cy + h * 0.5), (cx + w, cy + h * 0.5), (cx, cy - h * 0.6)],
           'down': [(cx - w, cy - h * 0.5), (cx + w, cy - h * 0.5), (cx, cy + h * 0.6)],
           'left': [(cx + w * 0.5, cy - h), (cx + w * 0.5, cy + h), (cx - w * 0.6, cy)],
           'right': [(cx - w * 0.5, cy - h), (cx - w * 0.5, cy + h), (cx + w * 0.6, cy)]}[direction]
    a.paint(a.polygon(pts), colour)


def arrow_buttons(style, w, h, frames, neutral=False):
    fw = w // len(frames)
    out = []
    for direction, hot in frames:
        a = Art(fw, h, style.form)
        face = style.face
        if hot:
            face = [(p, mix(c, ramp(style.accent, p), 0.3)) for p, c in style.face]
        a.paint(a.rrect((0.5, 0.5, fw - 0.5, h - 0.5), min(2, style.radius)), style.edge)
        a.paint(a.rrect((1.5, 1.5, fw - 1.5, h - 1.5), max(min(2, style.radius) - 1, 0)), a.vgrad(face))
        s = min(fw, h) * 0.3
        colour = (70, 74, 90) if neutral else (style.accent_edge if hot else darker(style.edge, 0.1))
        arrow(a, direction, (fw / 2 - s, h / 2 - s, fw / 2 + s, h / 2 + s), colour)
        out.append(a.done())
    return strip(out)


def scrollbar_track(style):
    w, h = size('SCROLLBAR_TRACK', style)
    a = Art(w, h, mix(style.form, WHITE, 0.3))
    face = style.accent if style.name == 'MACOS' else style.face
    r = h / 2 - 1 if style.name in ('MACOS', 'BLUEGLASS') else 2
    a.paint(a.rrect((0.5, 0.5, w - 0.5, h - 0.5), r), style.accent_edge if style.name == 'MACOS' else style.edge)
    a.paint(a.rrect((1.5, 1.5, w - 1.5, h - 1.5), r - 1), a.vgrad(face))
    return a.done()


def tab(style):
    w, h = size('TAB', style)
    s = w // 3
    r = min(s - 1, 5)
    a = Art(w, h, style.form)
    fill = [(0, (255, 255, 255)), (1, style.form)]
    a.paint(a.rrect((0, 0, w, h + r + 2), r), style.edge)
    a.paint(a.rrect((1, 1, w - 1, h + r + 2), r - 1), a.vgrad(fill))
    if style.name in ('WINXP', 'PROTEIN', 'BLUEGLASS'):
        # A coloured top edge marks the tab.
        hi = {'WINXP': (255, 200, 60), 'PROTEIN': (45, 48, 196), 'BLUEGLASS': (120, 140, 240)}[style.name]
        a.paint(a.minus(a.rrect((1, 1, w - 1, h + r), r - 1), a.rrect((1, 3, w - 1, h + r), r - 1)), hi)
    return a.done()


def tab_line(style):
    w, h = size('TAB_LINE', style)
    if h == 1:
        return Image.new('RGB', (w, 1), (145, 155, 156))
    rows = [ramp(style.accent, (y + 0.5) / h) for y in range(h)]
    if style.name == 'MACOS':
        rows = [ramp([(0, (250, 250, 250)), (1, (196, 196, 200))], (y + 0.5) / h) for y in range(h)]
        rows[-1] = style.border
    return widen(column(rows), w)


def side_handle(style):
    w, h = size('SIDECHENNEL_HANDLE', style)
    a = Art(w, h, style.form)
    a.paint(a.rrect((0.5, 0.5, w - 0.5, h - 0.5), w / 2 - 0.5), style.edge)
    a.paint(a.rrect((1.5, 1.5, w - 1.5, h - 1.5), w / 2 - 1.5), a.hgrad(style.face))
    # Grip: five dots down the middle.
    for i in range(5):
        cy = h / 2 + (i - 2) * 5
        a.paint(a.ellipse((w / 2 - 1.2, cy - 1.2, w / 2 + 1.2, cy + 1.2)), darker(style.edge, 0.1))
        a.paint(a.ellipse((w / 2 - 0.6, cy - 0.9, w / 2 + 0.9, cy + 0.6)), lighter(style.edge, 0.45))
    return a.done()


def side_bar(style):
    w, h = size('SIDECHENNEL_BAR', style)
    rows = [ramp(style.face, (y + 0.5) / h) for y in range(h)]
    rows[-1] = mix(style.edge, style.form, 0.4)
    return widen(column(rows), w)


def more_scrollbutton():
    neutral = Style('MORE', form=(236, 238, 242), edge=(120, 128, 148),
                    face=[(0, (255, 255, 255)), (1, (218, 222, 232))],
                    accent=[(0, (150, 170, 230)), (1, (80, 104, 190))], accent_edge=(50, 70, 150), radius=2)
    return arrow_buttons(neutral, 72, 17, [('left', False), ('right', False), ('left', True), ('right', True)], True)


# ---------------------------------------------------------------------------------------
# The pictures outside the key table

def menu_checked():
    """A crisp check mark on white (white is the mask colour of the menus' check image)."""
    img = Image.new('RGB', (16, 16), WHITE)
    px = img.load()
    mark = [(3, 7), (4, 8), (5, 9), (6, 10), (7, 9), (8, 8), (9, 7), (10, 6), (11, 5), (12, 4)]
    for x, y in mark:
        for dy in range(3):
            px[x, y + dy - 1] = (32, 32, 40)
    return img


def macos_menu_select():
    return column([ramp([(0, (112, 170, 240)), (0.5, (62, 128, 226)), (1, (36, 96, 204))], (y + 0.5) / 20)
                   for y in range(20)] + [(30, 80, 170)])


def macos_menu_bar():
    rows = [(248, 248, 248)] * 20 + [(226, 226, 228), (168, 168, 172)]
    rows[0] = WHITE
    return column(rows)


def macos_form_background():
    img = Image.new('RGB', (8, 8))
    img.putdata([(236, 236, 236) if y % 2 == 0 else (229, 229, 229) for y in range(8) for _ in range(8)])
    return img


def protein_form_background():
    img = Image.new('RGB', (8, 8))
    img.putdata([(243, 244, 248) if (x + y) % 4 == 0 and y % 2 == 0 else (251, 251, 251)
                 for y in range(8) for x in range(8)])
    return img


# ---------------------------------------------------------------------------------------

def all_pictures():
    pics = {}
    for st in STYLES:
        n = st.name
        pics[n + '_BUTTON'] = button(st)
        pics[n + '_CHECKBOX'] = box_frames(st, *size('CHECKBOX', st), round_box=False)
        pics[n + '_RADIOBUTTON'] = box_frames(st, *size('RADIOBUTTON', st), round_box=True)
        pics[n + '_TITLEBTN'] = title_buttons(st)
        for part in ('TITLE_LEFT', 'TITLE_CLIENT', 'TITLE_RIGHT'):
            pics[n + '_' + part] = title_piece(st, part)
        pics[n + '_PROGRESSBAR'] = progress(st)
        pics[n + '_TRACKBAR_BAR'] = trackbar_bar(st)
        pics[n + '_TRACKBAR_SLIDER'] = trackbar_slider(st, False)
        pics[n + '_TRACKBAR_SLIDER_V'] = trackbar_slider(st, True)
        pics[n + '_SCROLLBAR_BUTTON'] = arrow_buttons(
            st, *size('SCROLLBAR_BUTTON', st),
            [('up', False), ('down', False), ('left', False), ('right', False), ('up', True), ('down', True)])
        pics[n + '_SCROLLBAR_TRACK'] = scrollbar_track(st)
        pics[n + '_CHECKLIST'] = checklist(st)
        if n in ('MACOS', 'WINXP'):
            pics[n + '_SCROLLBUTTON'] = arrow_buttons(
                st, 72, 18, [('left', False), ('right', False), ('left', True), ('right', True)])
        pics[n + '_TAB'] = tab(st)
        pics[n + '_TAB_LINE'] = tab_line(st)
        pics[n + '_SIDECHENNEL_HANDLE'] = side_handle(st)
        pics[n + '_SIDECHENNEL_BAR'] = side_bar(st)
    pics['MORE_SCROLLBUTTON'] = more_scrollbutton()
    pics['MENU_CHECKED'] = menu_checked()
    pics['MACOS_MENU_SELECT'] = macos_menu_select()
    pics['MACOS_MENU_BAR'] = macos_menu_bar()
    pics['MACOS_FORM_BACKGROUND'] = macos_form_background()
    pics['PROTEIN_FORM_BACKGROUND'] = protein_form_background()
    return pics


RC_HEAD = """\
// Resources of the skinned control library (style bitmaps). Included by the program's and the
// tests' resource scripts; file names are relative to resources/.
// The bitmaps are drawn by tools/art/style_bitmaps.py, which also writes this list.
"""


def main():
    os.makedirs(OUT_DIR, exist_ok=True)
    pics = all_pictures()
    for name, img in sorted(pics.items()):
        img.convert('RGB').save(os.path.join(OUT_DIR, name + '.bmp'))
    width = max(len(n) for n in pics)
    lines = ['%-*s BITMAP "styles/%s.bmp"' % (width, n, n) for n in sorted(pics)]
    with open(RC_FILE, 'w', newline='\n') as f:
        f.write(RC_HEAD + '\n'.join(lines) + '\n')
    print('%d bitmaps in %s' % (len(pics), os.path.relpath(OUT_DIR, ROOT)))


if __name__ == '__main__':
    main()
