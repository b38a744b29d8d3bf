#!/usr/bin/env python3
"""The report page as a browser shows it.

Builds an outlook of real-climate traces in a directory whose name, and two of
whose scenario files' names, hold markup; has rerove_outlook write the report;
opens it in headless Chromium; checks that the screenshot is not blank, that
the rendered DOM holds the page's figures and tables, and that the markup of
the names shows as text and made no element.

usage: report_in_browser.py OUTLOOK TOOL MAKE_SCENARIOS RECORD CHROMIUM WORKDIR [SCENARIOS]
"""
import html.parser
import os
import shutil
import struct
import subprocess
import sys
import zlib


def run(args, cwd, **kw):
    # Argument lists only: no file name passes through a shell.
    return subprocess.run(args, cwd=cwd, check=True, capture_output=True, timeout=300, **kw)


def chromium(browser, profile, *args):
    # A profile of its own, so that the browser needs neither a home directory
    # nor anything of another run.
    return run([browser, "--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
                "--no-first-run", "--disable-extensions", "--user-data-dir=" + profile, *args], cwd=None).stdout


def pixels(png):
    """The RGB(A) rows of an 8-bit, non-interlaced PNG, unfiltered."""
    assert png[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    pos, idat, width, height, channels = 8, b"", 0, 0, 0
    while pos < len(png):
        length, kind = struct.unpack(">I4s", png[pos:pos + 8])
        data = png[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", data)
            assert depth == 8 and interlace == 0 and colour in (2, 6), "unexpected PNG layout"
            channels = 3 if colour == 2 else 4
        elif kind == b"IDAT":
            idat += data
        pos += 12 + length
    raw, stride, rows, prior = zlib.decompress(idat), width * channels, [], bytearray(width * channels)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b, c = prior[i], prior[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(line))
        prior = line
    return width, height, channels, rows


class dom(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.tags, self.ids, self.text = [], set(), []

    def handle_starttag(self, tag, attrs):
        self.tags.append(tag)
        self.ids.update(v for k, v in attrs if k == "id")

    def handle_data(self, data):
        self.text.append(data)


def main():
    outlook, tool, make, record, browser, work = sys.argv[1:7]
    scenarios = int(sys.argv[7]) if len(sys.argv) > 7 else 5
    shutil.rmtree(work, ignore_errors=True)
    lake = os.path.join(work, "<b>lake</b> & 'co'")
    os.makedirs(lake)
    run([make, "--record", record, "-d", lake, "MHU", "1950-%d" % (1949 + scenarios), "06/01/2025", "365"], work)
    shutil.copy(os.path.join(lake, "REROVE1950.mic"), os.path.join(lake, "REROVE<b>0.mic"))
    shutil.copy(os.path.join(lake, "REROVE1950.hur"), os.path.join(lake, "rerove<i>0.hur"))
    run([tool, "MHU"], lake)
    page = os.path.join(work, "report.html")
    run([outlook, "report", "-o", page, lake], work, env=dict(os.environ, SOURCE_DATE_EPOCH="1765000000"))

    url = "file://" + os.path.abspath(page)
    parsed = dom()
    parsed.feed(chromium(browser, os.path.join(work, "profile"), "--dump-dom", url).decode("utf-8"))
    text = "".join(parsed.text)
    failures = []
    for wanted in ("fanchart", "monthly-flow", "monthly-depth", "check"):
        if wanted not in parsed.ids:
            failures.append("no element of id %s in the rendered page" % wanted)
    if parsed.tags.count("svg") < 1 or parsed.tags.count("table") < 2:
        failures.append("figures or tables missing: %d svg, %d table" % (parsed.tags.count("svg"),
                                                                           parsed.tags.count("table")))
    for tag in ("b", "i", "script"):
        if tag in parsed.tags:
            failures.append("a name's markup made a <%s> element" % tag)
    for shown in ("REROVE<b>0.mic", "rerove<i>0.hur", "<b>lake</b> & 'co'", "%d scenarios" % scenarios):
        if shown not in text:
            failures.append("the page does not show %r as text" % shown)

    shot = os.path.join(work, "report.png")
    chromium(browser, os.path.join(work, "profile"), "--screenshot=" + shot, "--window-size=1100,1800", url)
    with open(shot, "rb") as f:
        width, height, channels, rows = pixels(f.read())
    inked = sum(1 for row in rows for i in range(0, len(row), channels) if min(row[i:i + 3]) < 200)
    colours = {row[i:i + 3] for row in rows[::8] for i in range(0, len(row), channels * 8)}
    share = inked / (width * height)
    if share < 0.02 or len(colours) < 8:
        failures.append("the screenshot looks blank: %.1f %% inked, %d colours" % (100 * share, len(colours)))
    for failure in failures:
        print("FAIL:", failure)
    print("screenshot %dx%d, %.1f %% inked, %d colours; %d elements" % (width, height, 100 * share, len(colours),
                                                                        len(parsed.tags)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
