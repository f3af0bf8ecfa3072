#!/usr/bin/env python3
"""Mock-ups of the default skin for looking at, not for shipping.

Places the generated pictures at their default skin rectangles, with placeholder captions in
the recommended text colours and a fake list, and writes build/art-preview/*.png:
main-programs.png and main-startup.png (the two pages, shown on a desktop so the window's
outline shows), states.png (every picture button in its four states, enlarged), splash.png,
about.png and progress.png.

Run: /usr/bin/python3 tools/art/preview.py   (after tools/art/default_skin.py)
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from PIL import Image, ImageDraw, ImageFont  # noqa: E402

from skinart import ART_DIR, P, ROOT, SKINS_DIR, TEXT, font_path, mix, parse_rect, read_skin_table  # noqa: E402

OUT = os.path.join(ROOT, "build", "art-preview")
T = read_skin_table()


def pos(key):
    return parse_rect(T[key])


def pic(key_or_name):
    name = T.get(key_or_name, key_or_name)
    return Image.open(os.path.join(SKINS_DIR, name)).convert("RGB")


def font(name="tahoma.ttf", size=11):
    return ImageFont.truetype(font_path(name), size)


F = font()
FB = font("tahomabd.ttf")
FSANS = font("tahoma.ttf")  # stands in for the form font, MS Sans Serif 11 px


def text_in(d, rect, s, colour, f=F, align="center", shift=0, valign="middle"):
    """Roughly DrawText with DT_SINGLELINE | DT_VCENTER and the given alignment."""
    x, y, w, h = rect
    asc, desc = f.getmetrics()
    tw = d.textlength(s, font=f)
    if align == "center":
        tx = x + (w - tw) / 2.0
    elif align == "right":
        tx = x + w - tw
    else:
        tx = x
    ty = y + (h - (asc + desc)) // 2 if valign == "middle" else y
    d.text((round(tx) + shift, ty + shift), s, font=f, fill=colour)


def wrap_in(d, rect, s, colour, f=F):
    x, y, w, h = rect
    words, line, ly = s.split(), "", y
    asc, desc = f.getmetrics()
    for word in words:
        trial = (line + " " + word).strip()
        if d.textlength(trial, font=f) > w and line:
            d.text((x, ly), line, font=f, fill=colour)
            ly += asc + desc
            line = word
        else:
            line = trial
    if line:
        d.text((x, ly), line, font=f, fill=colour)


def button(im, d, key, origin, caption, state="Normal", caption_colour=None, f=F):
    r = pos(key + "_Pos")
    keys = {"Normal": "_PicNormal", "Hover": "_PicMouseHover", "Down": "_PicMouseDown",
            "Disabled": "_PicDisabled"}
    k = key + keys[state]
    if k not in T:
        k = key + "_PosDisabled"
    x, y = origin[0] + r[0], origin[1] + r[1]
    im.paste(pic(k), (x, y))
    if caption:
        text_in(d, (x, y, r[2], r[3]), caption, caption_colour, f, shift=1 if state == "Down" else 0)


LIST_ROWS = [
    ("Archivo Backup Suite 4.2", "Northwind Tools", "C:\\Program Files\\Archivo"),
    ("Brightline Photo Viewer", "Brightline Labs", "C:\\Program Files\\Brightline"),
    ("Cobalt Notes 2.1", "Cobalt Works", "C:\\Program Files\\Cobalt Notes"),
    ("Delta Media Codecs", "Delta Audio", "C:\\Program Files\\Delta"),
    ("Evergreen Mail 9", "Evergreen Soft", "C:\\Program Files\\Evergreen"),
    ("Fieldstone PDF Reader", "Fieldstone", "C:\\Program Files\\Fieldstone"),
    ("Granite Disk Tools", "Granite Systems", "C:\\Program Files\\Granite"),
    ("Harbor VPN Client", "Harbor Networks", "C:\\Program Files\\Harbor"),
    ("Indigo Code Editor 3", "Indigo Dev", "C:\\Program Files\\Indigo"),
    ("Juniper Fonts Pack", "Juniper Type", "C:\\Windows\\Fonts"),
    ("Kestrel Game Launcher", "Kestrel Play", "C:\\Games\\Kestrel"),
    ("Lumen Screen Recorder", "Lumen Media", "C:\\Program Files\\Lumen"),
    ("Meridian Office 2024", "Meridian", "C:\\Program Files\\Meridian"),
    ("Nimbus Cloud Drive", "Nimbus Inc.", "C:\\Program Files\\Nimbus"),
    ("Orchid Music Player", "Orchid Audio", "C:\\Program Files\\Orchid"),
    ("Pine Password Safe", "Pine Security", "C:\\Program Files\\Pine"),
    ("Quartz Runtime 2.0", "Quartz Labs", "C:\\Windows\\System32"),
    ("Redwood Printer Driver", "Redwood", "C:\\Program Files\\Redwood"),
    ("[Starfield] Screen Saver", "", "C:\\Windows\\System32"),
    ("Tidewater Sync", "Tidewater", "C:\\Program Files\\Tidewater"),
    ("Umber Image Tools", "Umber", "C:\\Program Files\\Umber"),
    ("Vantage System Monitor", "Vantage", "C:\\Program Files\\Vantage"),
    ("Willow Browser", "Willow Web", "C:\\Program Files\\Willow"),
]

STARTUP_ROWS = [
    ("Cloud Drive Sync", "\"C:\\Program Files\\Nimbus\\nimbus.exe\" /tray", "HKCU\\...\\Run"),
    ("Printer Monitor", "C:\\Program Files\\Redwood\\rdmon.exe", "HKLM\\...\\Run"),
    ("VPN Client", "\"C:\\Program Files\\Harbor\\harbor.exe\" -min", "HKLM\\...\\Run"),
    ("Updater", "C:\\Program Files\\Meridian\\update.exe /auto", "HKLM\\...\\RunOnce"),
    ("Music Helper.lnk", "C:\\Program Files\\Orchid\\helper.exe", "Startup folder"),
]


def fake_list(d, rect, columns, rows, selected, checks=False):
    x, y, w, h = rect
    d.rectangle([x, y, x + w - 1, y + h - 1], fill=(255, 255, 255))
    hh = 20
    d.rectangle([x, y, x + w - 1, y + hh - 1], fill=(240, 240, 240))
    d.line([x, y + hh - 1, x + w - 1, y + hh - 1], fill=(200, 200, 200))
    cx = x
    for title, cw in columns:
        text_in(d, (cx + 6, y, cw - 6, hh), title, (0, 0, 0), F, align="left")
        d.line([cx + cw - 1, y + 3, cx + cw - 1, y + hh - 4], fill=(200, 200, 200))
        cx += cw
    ry = y + hh
    rh = 17
    for i, row in enumerate(rows):
        if ry + rh > y + h:
            break
        if i == selected:
            d.rectangle([x, ry, x + w - 1, ry + rh - 1], fill=(0, 120, 215))
        colour = (255, 255, 255) if i == selected else (0, 0, 0)
        cx = x
        for j, ((title, cw), value) in enumerate(zip(columns, row)):
            tx = cx + 6
            if j == 0:
                if checks:
                    d.rectangle([tx, ry + 2, tx + 12, ry + 14], outline=(110, 110, 110), fill=(255, 255, 255))
                    if i % 4 != 3:
                        d.line([tx + 3, ry + 8, tx + 5, ry + 11, tx + 10, ry + 4], fill=(0, 0, 0), width=2)
                else:
                    hue = [(52, 120, 220), (220, 120, 40), (60, 170, 90), (160, 80, 200)][i % 4]
                    d.rounded_rectangle([tx, ry + 1, tx + 15, ry + 16], 3, fill=hue)
                tx += 20
            s = value
            while s and d.textlength(s, font=F) > cw - (tx - cx) - 6:
                s = s[:-2] + "\u2026" if len(s) > 2 else ""
            text_in(d, (tx, ry, cw, rh), s, colour, F, align="left")
            cx += cw
        ry += rh


def side_panel(im, d, origin, page):
    """The size panel: its bar with the hot spot, then the picture panel with its controls."""
    px, py = origin
    sp = pos("SK_MAINFORM_%s_SizePanel_Pos" % page)
    pc = pos("SK_MAINFORM_PAGECONTROL_Pos")
    width, height = sp[2], pc[3]
    left = px + pc[2] - width
    bar = 5
    d.rectangle([left, py, left + width - 1, py + height - 1], fill=P["panel"])
    d.rectangle([left, py, left + bar - 1, py + height - 1], fill=P["size_bar"])
    hs = round(height * 0.06)
    top = py + height // 2 - hs // 2
    d.rectangle([left, top, left + bar - 1, top + hs - 1], fill=P["panel_edge"], outline=P["well"])
    for t in (top + 6, top + hs - 9):
        d.polygon([(left + 3, t), (left + 1, t + 2), (left + 3, t + 4)], fill=P["accent"])
    ox, oy = left + bar + 1, py
    panel = pic("SK_MAINFORM_%s_ImgPanel_Pic" % page)
    im.paste(panel.crop((0, 0, min(panel.width, width - bar - 1), height)), (ox, oy))
    return ox, oy


def group_caption(d, rect, caption):
    x, y, w, h = rect
    asc, desc = FB.getmetrics()
    text_in(d, (x, y, w, asc + desc + 2), caption, TEXT["group_caption"], FB)
    d.line([x, y + asc + desc + 2, x + w - 1, y + asc + desc + 2], fill=TEXT["group_line"])


def checkbox(d, rect, caption, checked):
    x, y, w, h = rect
    d.rectangle([x, y + 1, x + 12, y + 13], outline=(120, 132, 150), fill=(255, 255, 255))
    if checked:
        d.line([x + 3, y + 7, x + 5, y + 10, x + 10, y + 3], fill=(0, 0, 0), width=2)
    text_in(d, (x + 17, y, w - 17, 15), caption, TEXT["checkbox"], F, align="left")


def main_window(page):
    W, H = pos("SK_MAINFORM_Pos")[2:]
    im = pic("SK_MAINFORM_PicBackGround")
    d = ImageDraw.Draw(im)
    for key in ("Min", "HelpContent", "Close"):
        button(im, d, "SK_MAINFORM_BUTTON_" + key, (0, 0), None)
    states = {"File": "Normal", "View": "Hover" if page == 1 else "Normal", "Tools": "Normal", "Help": "Normal"}
    for key, caption in (("File", "File"), ("View", "View"), ("Tools", "Tools"), ("Help", "Help")):
        st = states[key]
        button(im, d, "SK_MAINFORM_BUTTON_" + key, (0, 0), caption, st, TEXT["menu_hover" if st == "Hover" else "menu"])
    pl_state, si_state = ("Disabled", "Normal") if page == 1 else ("Normal", "Disabled")
    button(im, d, "SK_MAINFORM_BUTTON_ProgramList", (0, 0), "Program List", pl_state,
           TEXT["tab_current" if pl_state == "Disabled" else "tab"], FB if pl_state == "Disabled" else F)
    button(im, d, "SK_MAINFORM_BUTTON_StartupItems", (0, 0), "Startup Items", si_state,
           TEXT["tab_current" if si_state == "Disabled" else "tab"], FB if si_state == "Disabled" else F)

    pc = pos("SK_MAINFORM_PAGECONTROL_Pos")
    origin = (pc[0], pc[1])
    lst = (pc[0], pc[1], pc[2] - pos("SK_MAINFORM_PAGE1_SizePanel_Pos")[2], pc[3])
    if page == 1:
        fake_list(d, lst, [("Descriptions", 230), ("Publisher", 130), ("Directory", 212)], LIST_ROWS, 2)
    else:
        fake_list(d, lst, [("Startup Item", 150), ("Command", 270), ("Location", 152)], STARTUP_ROWS, 1, True)
    ox, oy = side_panel(im, d, origin, "PAGE%d" % page)
    if page == 1:
        button(im, d, "SK_MAINFORM_PAGE1_BUTTON_Uninstall", (ox, oy), "Uninstall", "Normal", TEXT["side_primary"])
        button(im, d, "SK_MAINFORM_PAGE1_BUTTON_ShowDetails", (ox, oy), "Show Details", "Hover", TEXT["side"])
        button(im, d, "SK_MAINFORM_PAGE1_BUTTON_Refresh", (ox, oy), "Refresh", "Normal", TEXT["side"])
        g = pos("SK_MAINFORM_PAGE1_GROUPBOX_GrbSearch_Pos")
        gx, gy = ox + g[0], oy + g[1]
        group_caption(d, (gx, gy, g[2], g[3]), "Search")
        lt = pos("SK_MAINFORM_PAGE1_GROUPBOX_LABEL_Title_Pos")
        wrap_in(d, (gx + lt[0], gy + lt[1], lt[2], lt[3]), "Find the program with contents below:", TEXT["panel_label"])
        e = pos("SK_MAINFORM_PAGE1_GROUPBOX_TEXT_KeyWorld_Pos")
        d.rectangle([gx + e[0], gy + e[1], gx + e[0] + e[2] - 1, gy + e[1] + e[3] - 1], fill=(255, 255, 255),
                    outline=(122, 138, 160))
        text_in(d, (gx + e[0] + 4, gy + e[1], e[2], e[3]), "notes", (0, 0, 0), F, align="left")
        button(im, d, "SK_MAINFORM_PAGE1_GROUPBOX_BUTTON_Search", (gx, gy), "Find Next", "Normal", TEXT["side"])
        checkbox(d, (ox + 15, oy + 316, 126, 15), "Hide System Patch", False)
        checkbox(d, (ox + 15, oy + 343, 126, 15), "Hide Screen Saver", True)
    else:
        button(im, d, "SK_MAINFORM_PAGE2_BUTTON_SelectAll", (ox, oy), "Disable All", "Normal", TEXT["side"])
        button(im, d, "SK_MAINFORM_PAGE2_BUTTON_Delete", (ox, oy), "Delete Entry", "Disabled", TEXT["side_disabled"])
        button(im, d, "SK_MAINFORM_PAGE2_BUTTON_Apply", (ox, oy), "Apply", "Down", TEXT["side_primary"])
        g = pos("SK_MAINFORM_PAGE2_GROUPBOX_grbItemInfo_Pos")
        gx, gy = ox + g[0], oy + g[1]
        group_caption(d, (gx, gy, g[2], g[3]), "Item Info")
        for key, s, colour in (("Publisher", "Publisher: ", "panel_label"),
                               ("PublisherValue", "Redwood Printing Co.", "panel_value"),
                               ("Version", "Version: ", "panel_label"),
                               ("VersionValue", "5.12.0.311", "panel_value"),
                               ("Des", "Description: ", "panel_label"),
                               ("Description", "Watches the print queue and shows job status.", "panel_value")):
            r = pos("SK_MAINFORM_PAGE2_GROUPBOX_LABEL_%s_Pos" % key)
            wrap_in(d, (gx + r[0], gy + r[1], r[2], r[3]), s, TEXT[colour])

    # Status line (form font, MS Sans Serif 11 px, at top 506).
    x, y = 14, 506
    if page == 1:
        parts = [("Programs:", TEXT["status_label"]), ("23", TEXT["status_value"]),
                 ("Registry Name:", TEXT["status_label"]), ("CobaltNotes_is1", TEXT["status_value"]),
                 ("https://cobalt.example/notes", TEXT["status_link"])]
        gaps = [5, 10, 5, 10]
        for i, (s, colour) in enumerate(parts):
            d.text((x, y), s, font=FSANS, fill=colour)
            x += d.textlength(s, font=FSANS) + (gaps[i] if i < len(gaps) else 0)
    return im


def on_desktop(im):
    """The window over a desktop, fuchsia keyed out as the window manager will."""
    W, H = im.size
    m = 30
    desk = Image.new("RGB", (W + 2 * m, H + 2 * m))
    px = []
    for y in range(desk.height):
        c = mix((86, 110, 140), (150, 162, 170), y / desk.height)
        px.extend([c] * desk.width)
    desk.putdata(px)
    key = Image.new("L", im.size, 0)
    kp = [0 if p == P["fuchsia"] else 255 for p in im.getdata()]
    key.putdata(kp)
    desk.paste(im, (m, m), key)
    return desk


def states_sheet():
    rows = [
        ("SK_MAINFORM_BUTTON_Min", None, None),
        ("SK_MAINFORM_BUTTON_HelpContent", None, None),
        ("SK_MAINFORM_BUTTON_Close", None, None),
        ("SK_MAINFORM_BUTTON_File", "File", "menu"),
        ("SK_MAINFORM_BUTTON_ProgramList", "Program List", "tab"),
        ("SK_MAINFORM_PAGE1_BUTTON_Uninstall", "Uninstall", "side_primary"),
        ("SK_MAINFORM_PAGE1_BUTTON_ShowDetails", "Show Details", "side"),
        ("SK_MAINFORM_PAGE1_BUTTON_Refresh", "Refresh", "side"),
        ("SK_MAINFORM_PAGE1_GROUPBOX_BUTTON_Search", "Find Next", "side"),
        ("SK_MAINFORM_PAGE2_BUTTON_SelectAll", "Enable All", "side"),
        ("SK_MAINFORM_PAGE2_BUTTON_Delete", "Delete Entry", "side"),
        ("SK_MAINFORM_PAGE2_BUTTON_Apply", "Apply", "side_primary"),
    ]
    states = ("Normal", "Hover", "Down", "Disabled")
    cell_w, cell_h, pad = 190, 58, 10
    sheet = Image.new("RGB", (pad + 4 * cell_w, pad + len(rows) * cell_h), (60, 60, 60))
    for r, (key, caption, colour) in enumerate(rows):
        for c, st in enumerate(states):
            rect = pos(key + "_Pos")
            cell = Image.new("RGB", (rect[2], rect[3]))
            d = ImageDraw.Draw(cell)
            keys = {"Normal": "_PicNormal", "Hover": "_PicMouseHover", "Down": "_PicMouseDown",
                    "Disabled": "_PicDisabled"}
            k = key + keys[st] if key + keys[st] in T else key + "_PosDisabled"
            cell.paste(pic(k), (0, 0))
            if caption:
                if colour == "tab":
                    col = {"Normal": TEXT["tab"], "Hover": TEXT["tab_hover"], "Down": TEXT["tab_hover"],
                           "Disabled": TEXT["tab_current"]}[st]
                    f = FB if st == "Disabled" else F
                elif colour == "menu":
                    col = {"Normal": TEXT["menu"], "Hover": TEXT["menu_hover"], "Down": TEXT["menu_down"],
                           "Disabled": TEXT["menu_disabled"]}[st]
                    f = F
                else:
                    col = TEXT["side_disabled"] if st == "Disabled" else TEXT[colour]
                    f = F
                text_in(d, (0, 0, rect[2], rect[3]), caption, col, f, shift=1 if st == "Down" else 0)
            scale = 1 if rect[2] > 100 else 2
            cell = cell.resize((rect[2] * scale, rect[3] * scale), Image.NEAREST)
            sheet.paste(cell, (pad + c * cell_w, pad + r * cell_h))
    return sheet.resize((sheet.width * 2, sheet.height * 2), Image.NEAREST)


def splash_mock():
    im = pic("SK_SPLASHFORM_IMAGE_CHARGE")
    d = ImageDraw.Draw(im)
    wrap_in(d, (59, 176, 350, 49), "Velmora, the uninstaller for Windows", TEXT["splash"])
    wrap_in(d, (59, 190, 350, 49), "Copyright (C) 2026 Velmora Software. All rights reserved.", TEXT["splash"])
    return im


def about_mock():
    im = Image.new("RGB", (474, 347), (240, 240, 240))
    d = ImageDraw.Draw(im)
    r = pos("SK_ABOUTFORM_IMGABOUT_POS")
    im.paste(pic("SK_ABOUTFORM_IMGABOUT_Pic"), (r[0], r[1]))
    d.text((152, 11), "Velmora 1.0", font=font("tahomabd.ttf", 16), fill=(0, 0, 0))
    d.text((152, 42), "Copyright (C) 2026 Velmora Software. All rights reserved.", font=F, fill=(0, 0, 0))
    for y in (68, 150):
        d.line([152, y, 432, y], fill=(160, 160, 160))
        d.line([152, y + 1, 432, y + 1], fill=(255, 255, 255))
    d.text((152, 162), "https://velmora.example", font=F, fill=(0, 0, 255))
    d.text((152, 184), "support@velmora.example", font=F, fill=(0, 0, 255))
    wrap_in(d, (152, 206, 288, 100), "Warning: This computer program is protected by copyright law and "
            "international treaties.", (0, 0, 0))
    d.line([12, 308, 464, 308], fill=(160, 160, 160))
    d.rectangle([344, 316, 441, 340], outline=(112, 112, 112), fill=(225, 225, 225))
    text_in(d, (344, 316, 98, 25), "OK", (0, 0, 0))
    return im


def progress_mock():
    im = pic("SK_PROGRESSFORM_ImageBG_Pic")
    d = ImageDraw.Draw(im)
    text_in(d, (59, 64, 281, 25), "This could take several minutes, please wait...", TEXT["progress_info"], FSANS)
    x, y, w, h = 56, 91, 281, 25
    fill = Image.open(os.path.join(ART_DIR, "ProgressBar_Fill.png")).convert("RGB")
    filled = int((w - 1) * 0.6)
    d.rectangle([x, y, x + w - 1, y + h - 1], fill=(231, 231, 231))
    im.paste(fill.resize((filled - 1, h - 2)), (x + 1, y + 1))
    d.rectangle([x, y, x + w - 1, y + h - 1], outline=(127, 127, 127))
    text_in(d, (x, y, w, h), "60%", TEXT["progress_caption"], FSANS)
    return im


def main():
    os.makedirs(OUT, exist_ok=True)
    on_desktop(main_window(1)).save(os.path.join(OUT, "main-programs.png"))
    on_desktop(main_window(2)).save(os.path.join(OUT, "main-startup.png"))
    states_sheet().save(os.path.join(OUT, "states.png"))
    splash_mock().save(os.path.join(OUT, "splash.png"))
    about_mock().save(os.path.join(OUT, "about.png"))
    progress_mock().save(os.path.join(OUT, "progress.png"))
    print("previews in " + os.path.relpath(OUT))


if __name__ == "__main__":
    main()
