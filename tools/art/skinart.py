"""Drawing kit shared by the default-skin generator and its preview.

Everything is drawn at SS times the final size and reduced with an area filter, so edges
come out anti-aliased; shapes placed on whole final pixels stay crisp. No randomness and no
time stamps anywhere, so the same Pillow gives byte-identical pictures on every run.
"""
import math
import os
import re

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

SS = 4  # supersampling factor

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SKIN_TABLE = os.path.join(ROOT, "app", "multiSkins.h")
SKINS_DIR = os.path.join(ROOT, "resources", "dist", "Skins")
ART_DIR = os.path.join(ROOT, "resources", "art")

FONT_DIRS = ["/usr/share/fonts/truetype/dejavu", "/usr/share/wine/fonts"]

# The palette. README.md lists the same values with the text colours that go on them.
P = {
    "outline": (8, 12, 19),
    "header_top": (37, 51, 74),
    "header_bottom": (25, 35, 52),
    "header_rule": (11, 16, 25),
    "body_top": (27, 37, 53),
    "body_bottom": (19, 26, 38),
    "well": (9, 13, 21),
    "panel": (30, 41, 58),
    "panel_edge": (44, 58, 80),
    "size_bar": (22, 31, 45),
    "accent": (40, 190, 212),
    "accent_bright": (92, 222, 238),
    "accent_deep": (15, 118, 138),
    "brand_blue": (47, 107, 224),
    "danger": (226, 72, 78),
    "danger_soft": (255, 128, 132),
    "text": (236, 241, 247),
    "text_secondary": (163, 178, 199),
    "text_disabled": (108, 121, 140),
    "icon_disabled": (96, 108, 126),
    "white": (255, 255, 255),
    "black": (0, 0, 0),
    "fuchsia": (255, 0, 255),
}


# The previews use Wine's Tahoma (package fonts-wine) when it is there, DejaVu otherwise.
FONT_STAND_INS = {"tahoma.ttf": "DejaVuSans.ttf", "tahomabd.ttf": "DejaVuSans-Bold.ttf"}


def font_path(name):
    for candidate in (name, FONT_STAND_INS.get(name)):
        for d in FONT_DIRS:
            if candidate and os.path.exists(os.path.join(d, candidate)):
                return os.path.join(d, candidate)
    raise SystemExit("font %s not found (apt-get install fonts-dejavu-core)" % name)


def read_skin_table(path=SKIN_TABLE):
    """Key -> default text, in file order, from the skin table's source."""
    with open(path, encoding="utf-8") as f:
        text = f.read()
    table = {}
    for key, value in re.findall(r'S\((SK_\w+),\s*"([^"]*)"\)', text):
        table[key] = value
    if len(table) < 100:
        raise SystemExit("could not read the skin table from " + path)
    return table


def parse_rect(text):
    parts = [int(p.strip()) for p in text.split(",")]
    if len(parts) != 4:
        raise ValueError("not a rectangle: " + text)
    return tuple(parts)


def mix(a, b, t):
    """Colour a moved toward b by t (0..1); alpha kept when both have one."""
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def rgba(c, alpha=255):
    return (c[0], c[1], c[2], int(round(alpha)))


def grey(c):
    """The colour's luminance as a grey, for disabled looks."""
    y = int(round(0.299 * c[0] + 0.587 * c[1] + 0.114 * c[2]))
    return (y, y, y) + tuple(c[3:])


def desaturate(c, amount=0.85):
    return mix(c, grey(c), amount)


def luminance(c):
    def lin(v):
        v /= 255.0
        return v / 12.92 if v <= 0.04045 else ((v + 0.055) / 1.055) ** 2.4
    return 0.2126 * lin(c[0]) + 0.7152 * lin(c[1]) + 0.0722 * lin(c[2])


def contrast(a, b):
    la, lb = sorted((luminance(a), luminance(b)), reverse=True)
    return (la + 0.05) / (lb + 0.05)


class Art:
    """An RGBA layer drawn at SS times its final size; coordinates are final pixels."""

    def __init__(self, w, h, fill=(0, 0, 0, 0)):
        self.w, self.h = w, h
        self.im = Image.new("RGBA", (w * SS, h * SS), fill)

    # --- fills -----------------------------------------------------------------------

    @staticmethod
    def vgradient(w, h, stops):
        """A w x h (supersampled pixels) RGBA image; stops are (position 0..1, rgba)."""
        col = Image.new("RGBA", (1, h))
        px = []
        for y in range(h):
            t = (y + 0.5) / h
            for i in range(len(stops) - 1):
                p0, c0 = stops[i]
                p1, c1 = stops[i + 1]
                if t <= p1 or i == len(stops) - 2:
                    u = 0.0 if p1 == p0 else min(max((t - p0) / (p1 - p0), 0.0), 1.0)
                    px.append(mix(c0, c1, u))
                    break
        col.putdata(px)
        return col.resize((w, h), Image.NEAREST)

    def _mask(self):
        return Image.new("L", self.im.size, 0)

    def paint(self, source, mask):
        """Composites source (RGBA, canvas size) over the layer through mask (L)."""
        src = source.copy()
        src.putalpha(ImageChops.multiply(src.getchannel("A"), mask))
        self.im.alpha_composite(src)

    def fill_mask(self, mask, fill):
        """fill is an rgba tuple or a list of gradient stops over the whole canvas height."""
        if isinstance(fill, list):
            src = self.vgradient(self.im.size[0], self.im.size[1], fill)
        else:
            src = Image.new("RGBA", self.im.size, fill)
        self.paint(src, mask)

    def fill_mask_box(self, mask, box, stops):
        """A gradient that runs from the box's top to its bottom, whatever the canvas."""
        x0, y0, x1, y1 = [int(round(v * SS)) for v in box]
        h = max(1, y1 - y0)
        grad = self.vgradient(self.im.size[0], h, stops)
        src = Image.new("RGBA", self.im.size, stops[0][1])
        src.paste(grad, (0, y0))
        if y0 + h < self.im.size[1]:
            src.paste(Image.new("RGBA", (self.im.size[0], self.im.size[1] - y0 - h), stops[-1][1]), (0, y0 + h))
        self.paint(src, mask)

    # --- shapes (each returns its mask, so callers can reuse it) --------------------------

    def rrect_mask(self, box, r, corners=None):
        """corners: which of top-left, top-right, bottom-right, bottom-left are rounded."""
        m = self._mask()
        x0, y0, x1, y1 = [v * SS for v in box]
        d = ImageDraw.Draw(m)
        d.rounded_rectangle([x0, y0, x1 - 1, y1 - 1], radius=r * SS, fill=255)
        if corners is not None:
            rs = r * SS
            squares = [(x0, y0, x0 + rs, y0 + rs), (x1 - rs, y0, x1, y0 + rs),
                       (x1 - rs, y1 - rs, x1, y1), (x0, y1 - rs, x0 + rs, y1)]
            for rounded, (a, b, c, e) in zip(corners, squares):
                if not rounded:
                    d.rectangle([a, b, c - 1, e - 1], fill=255)
        return m

    def rrect(self, box, r, fill, corners=None):
        m = self.rrect_mask(box, r, corners)
        if isinstance(fill, list):
            self.fill_mask_box(m, box, fill)
        else:
            self.fill_mask(m, fill)
        return m

    def rrect_ring(self, box, r, width, fill, corners=None):
        """A rounded outline width pixels thick, inside box."""
        outer = self.rrect_mask(box, r, corners)
        x0, y0, x1, y1 = box
        inner = self.rrect_mask((x0 + width, y0 + width, x1 - width, y1 - width), max(r - width, 0), corners)
        self.fill_mask(ImageChops.subtract(outer, inner), fill)

    def rect(self, box, fill):
        m = self._mask()
        x0, y0, x1, y1 = [v * SS for v in box]
        ImageDraw.Draw(m).rectangle([x0, y0, x1 - 1, y1 - 1], fill=255)
        self.fill_mask(m, fill)

    def polygon(self, points, fill):
        m = self._mask()
        ImageDraw.Draw(m).polygon([(x * SS, y * SS) for x, y in points], fill=255)
        self.fill_mask(m, fill)

    def ellipse(self, box, fill):
        m = self._mask()
        x0, y0, x1, y1 = [v * SS for v in box]
        ImageDraw.Draw(m).ellipse([x0, y0, x1 - 1, y1 - 1], fill=255)
        self.fill_mask(m, fill)

    def ring(self, cx, cy, r, width, fill):
        m = self._mask()
        d = ImageDraw.Draw(m)
        d.ellipse([(cx - r) * SS, (cy - r) * SS, (cx + r) * SS, (cy + r) * SS], fill=255)
        ri = r - width
        d.ellipse([(cx - ri) * SS, (cy - ri) * SS, (cx + ri) * SS, (cy + ri) * SS], fill=0)
        self.fill_mask(m, fill)

    def stroke(self, points, width, fill, round_caps=True):
        """A polyline of the given width with round joints and caps."""
        m = self._mask()
        d = ImageDraw.Draw(m)
        pts = [(x * SS, y * SS) for x, y in points]
        d.line(pts, fill=255, width=int(round(width * SS)), joint="curve")
        if round_caps:
            rr = width * SS / 2.0
            for x, y in (pts[0], pts[-1]):
                d.ellipse([x - rr, y - rr, x + rr, y + rr], fill=255)
        self.fill_mask(m, fill)

    def arc(self, cx, cy, r, start, end, width, fill, caps=True):
        """An arc of radius r (to the middle of the stroke), angles in degrees, clockwise from 3 o'clock."""
        m = self._mask()
        d = ImageDraw.Draw(m)
        ro = (r + width / 2.0) * SS
        d.arc([cx * SS - ro, cy * SS - ro, cx * SS + ro, cy * SS + ro], start, end, fill=255,
              width=int(round(width * SS)))
        if caps:
            rr = width * SS / 2.0
            for a in (start, end):
                x = (cx + r * math.cos(math.radians(a))) * SS
                y = (cy + r * math.sin(math.radians(a))) * SS
                d.ellipse([x - rr, y - rr, x + rr, y + rr], fill=255)
        self.fill_mask(m, fill)

    def text(self, xy, s, font_file, size, fill, anchor="la"):
        m = self._mask()
        f = ImageFont.truetype(font_path(font_file), int(round(size * SS)))
        ImageDraw.Draw(m).text((xy[0] * SS, xy[1] * SS), s, font=f, fill=255, anchor=anchor)
        self.fill_mask(m, fill)

    def layer(self, other, dx=0, dy=0):
        self.im.alpha_composite(other.im, (int(round(dx * SS)), int(round(dy * SS))))

    # --- result ----------------------------------------------------------------------

    def final(self):
        """The layer at its final size (RGBA; the resize works on premultiplied colour)."""
        return self.im.resize((self.w, self.h), Image.BOX)


def soft_glow(size, box, colour, alpha, blur):
    """A blurred ellipse as an RGBA layer at final size (smooth, so drawn at 1x)."""
    m = Image.new("L", size, 0)
    ImageDraw.Draw(m).ellipse(box, fill=255)
    m = m.filter(ImageFilter.GaussianBlur(blur))
    m = m.point(lambda v: int(v * alpha))
    layer = Image.new("RGBA", size, rgba(colour))
    layer.putalpha(m)
    return layer


def diagonal_tile(size, top_left, bottom_right):
    """A square RGBA image with a gradient along its main diagonal (small sizes only)."""
    im = Image.new("RGBA", (size, size))
    px = []
    for y in range(size):
        for x in range(size):
            t = (x + y) / (2.0 * (size - 1))
            px.append(mix(top_left, bottom_right, t))
    im.putdata(px)
    return im


def emblem(size):
    """Our mark: a rounded tile holding three stacked sheets, the top one lifting away."""
    a = Art(size, size)
    s = float(size)
    tile = a.rrect_mask((0, 0, s, s), s * 0.24)
    grad = diagonal_tile(size * SS, rgba(P["accent"]), rgba(P["brand_blue"]))
    a.paint(grad, tile)
    # Light from above gives the tile depth.
    a.fill_mask_box(tile, (0, 0, s, s), [(0.0, rgba(P["white"], 40)), (0.55, rgba(P["white"], 0)),
                                         (1.0, rgba(P["black"], 30))])
    a.rrect_ring((0, 0, s, s), s * 0.24, max(1.0, s / 40.0), rgba(P["black"], 40))

    def sheet(cy, alpha, lift=False):
        hw, hh = s * 0.29, s * 0.135
        cx = s * 0.5
        pts = [(cx, cy - hh), (cx + hw, cy), (cx, cy + hh), (cx - hw, cy)]
        if lift:
            # The sheet's own shadow on the stack below.
            a.polygon([(x, y + s * 0.05) for x, y in pts], rgba(P["black"], 45))
        a.polygon(pts, rgba(P["white"], alpha))

    sheet(s * 0.70, 110)
    sheet(s * 0.59, 175)
    sheet(s * 0.36, 255, lift=True)
    return a.final()


def downscale_mask(mask_ss):
    return mask_ss.resize((mask_ss.size[0] // SS, mask_ss.size[1] // SS), Image.BOX)


def to_rgb(im, background=(0, 0, 0)):
    """Flattens an RGBA image onto a solid colour."""
    base = Image.new("RGBA", im.size, rgba(background))
    base.alpha_composite(im)
    return base.convert("RGB")


def save_png(im, path):
    """PNG without any time or text chunk, so repeated runs give the same bytes."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    im.save(path, format="PNG", optimize=False, compress_level=9)


# Text colours that go with the pictures (README.md explains where each one goes).
TEXT = {
    "menu": P["text"],
    "menu_hover": P["white"],
    "menu_down": P["white"],
    "menu_disabled": P["text_disabled"],
    "tab": P["text_secondary"],
    "tab_hover": P["text"],
    "tab_current": P["white"],
    "side": P["text"],
    "side_primary": P["white"],
    "side_disabled": (124, 135, 150),
    "group_caption": P["text"],
    "group_line": (0, 255, 255),
    "panel_label": P["text_secondary"],
    "panel_value": P["text"],
    "checkbox": P["text"],
    "status_label": P["text_secondary"],
    "status_value": P["text"],
    "status_link": (0, 255, 255),
    "splash": P["white"],
    "progress_info": P["white"],
    "progress_caption": P["black"],
}
