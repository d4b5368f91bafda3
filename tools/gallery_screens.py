"""Putting the real setup on each of its screens under Wine and reading what it shows.

Shared by the screen tests (tests/e2e/test_screens*.py) and the gallery (tools/gallery.py):

  Screenshot           a capture of the window's client area, read pixel by pixel in DIPs
  Setup                the exe running against the local download host, stalled mid-way, and
                       moved to the other screens by posting it the worker's own messages
  WM_SETUP_* values    as app/setup_messages.h has them

The download host holds the installer at 3 MiB of 10 MiB ("3.0 of 10.0 MB", the bar 30 % full):
the figures are then the same in every run. The Starting and failure screens are reached by posting
WM_SETUP_STARTING or WM_SETUP_FAILED from outside (tests/e2e/screens_post_message.cpp), as the
worker would; the real pipeline reaches them too, but not at a moment a screenshot can wait for.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / 'tests' / 'e2e'))

import gui  # noqa: E402

WM_APP = 0x8000
WM_SETUP_STARTING = WM_APP + 2
WM_SETUP_FAILED = WM_APP + 4

DOWNLOAD_FAILED, FILE_DAMAGED, LAUNCH_FAILED = 0, 1, 2

# The palette, 0xRRGGBB.
BACKGROUND = 0x0D0F1E
TITLE_BAR = 0x131428
LINE = 0x242640
TEXT = 0xE0E0F0
TEXT_MUTED = 0x9A9AB8
ERROR = 0xFF8A8A
ACCENT = 0x802A8A
ACCENT_HOVER = 0x943AA0
PROGRESS = 0xA84CB4
BUTTON = 0x1E2038
BUTTON_HOVER = 0x2A2C48

MEBIBYTE = 1048576
TOTAL = 10 * MEBIBYTE
RECEIVED = 3 * MEBIBYTE  # a multiple of the 65536-byte chunks: the count stops exactly here


def near(colour, expected, tolerance=0):
    """Whether two 0xRRGGBB colours differ by at most `tolerance` in every channel. Direct2D fills
    the inside of a shape with exactly its colour, so a sample there must match exactly."""
    return all(abs(((colour >> s) & 0xFF) - ((expected >> s) & 0xFF)) <= tolerance
               for s in (16, 8, 0))


class Screenshot:
    """The window's client area as captured from the X screen; pixels addressed in DIPs."""

    def __init__(self, display, geometry, scale, path=None):
        x, y, width, height = geometry
        self.scale = scale
        self.width, self.height = width, height
        self.path = Path(path) if path else Path(tempfile.mkstemp(suffix='.png')[1])
        subprocess.run(['import', '-window', 'root', '-crop', f'{width}x{height}+{x}+{y}',
                        '+repage', str(self.path)],
                       env={**os.environ, 'DISPLAY': display}, check=True, timeout=60,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        ppm = subprocess.run(['convert', str(self.path), '-depth', '8', 'ppm:-'],
                             capture_output=True, check=True).stdout
        # P6 header: magic, width, height, maximum, then the RGB bytes.
        fields = ppm.split(maxsplit=4)
        assert fields[0] == b'P6' and int(fields[1]) == width and int(fields[2]) == height
        self._rgb = fields[4]

    def at(self, x, y):
        """The colour of the physical pixel (x, y)."""
        i = (y * self.width + x) * 3
        return (self._rgb[i] << 16) | (self._rgb[i + 1] << 8) | self._rgb[i + 2]

    def pixels(self):
        """All pixels, row by row, as RGB bytes."""
        return self._rgb

    def dip(self, x, y):
        """The colour of the pixel that holds the point (x, y) in DIPs."""
        return self.at(min(int(x * self.scale), self.width - 1),
                       min(int(y * self.scale), self.height - 1))

    def row(self, y, x0, x1):
        """Colours of the pixels on DIP row y from DIP x0 to x1, with their pixel x."""
        py = int(y * self.scale)
        return [(px, self.at(px, py)) for px in range(int(x0 * self.scale), int(x1 * self.scale))]

    def count(self, colour, box, tolerance=24):
        """How many pixels in the DIP box (left, top, right, bottom) are near `colour`."""
        left, top, right, bottom = (int(v * self.scale) for v in box)
        return sum(1 for y in range(top, bottom) for x in range(left, right)
                   if near(self.at(x, y), colour, tolerance))

    def remove(self):
        self.path.unlink(missing_ok=True)


def string_tables():
    """{file stem: {id: text}} of resources/strings/*.txt, plus 'langids': [LANGID, ...]."""
    tables = {}
    for path in sorted((REPO / 'resources' / 'strings').glob('*.txt')):
        table = {}
        for line in path.read_text(encoding='utf-8').splitlines():
            if line.startswith('langids'):
                table['langids'] = [int(v, 16) for v in line.split()[1:]]
            elif line[:3].isdigit():
                table[int(line[:3])] = line[4:]
        tables[path.stem] = table
    return tables


# The host's answer that holds the download at RECEIVED of TOTAL bytes.
STALLED = {'body_size': TOTAL, 'stall_after': RECEIVED}


class Setup:
    """The real exe on `display`, its downloads served by `host` (a download_host.Namespace) with
    `route` (None: nothing is served, every request gets 404), at the prefix's DPI.
    `with Setup(...) as setup:` starts it and waits for its window."""

    def __init__(self, display, env, host, title, dpi, route=STALLED):
        self.route = route
        self.shots = Path(tempfile.mkdtemp(prefix='vorne-screens-'))
        self.display = display
        self.env = env
        self.host = host
        self.title = title
        self.scale = dpi / 96.0
        self.run = None
        self.window = None
        self.geometry = None

    def __enter__(self):
        self.host.reset()
        if self.route is not None:
            self.host.route(self.route)
        self.run = gui.Run(self.env, namespace=self.host)
        try:
            self.window = self.find_window(timeout=60)
            self.geometry = gui.client_geometry(self.display, self.window)
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, kind, *exc):
        # After a failure the screenshots stay for a look (their paths are in the message).
        self.close(keep_shots=kind is not None)

    def find_window(self, timeout):
        """The program's visible window, found by its X class (xdotool's title search does not
        match non-ASCII titles); its title must be the expected one, which names the language."""
        deadline = time.monotonic() + timeout
        title = None
        while time.monotonic() < deadline:
            found = gui._xdotool(self.display, 'search', '--onlyvisible', '--classname',
                                 'vornesandboxsetup.exe', check=False).split()
            for window in found:
                title = gui.window_title(self.display, window)
                if title == self.title:
                    return int(window)
            time.sleep(0.1)
        raise TimeoutError(f'no window titled {self.title!r} (last seen: {title!r}):\n' +
                           self.run.output())

    def close(self, keep_shots=False):
        if self.run is not None:
            self.run.close()
            self.run = None
        if not keep_shots:
            shutil.rmtree(self.shots, ignore_errors=True)

    def shot(self, path=None):
        """A screenshot, by default kept until the Setup closes."""
        if path is None:
            path = tempfile.mkstemp(suffix='.png', dir=self.shots)[1]
        return Screenshot(self.display, self.geometry, self.scale, path)

    def wait_for(self, predicate, timeout=30, what='the screen'):
        """Screenshots until predicate(shot) holds; returns that shot."""
        deadline = time.monotonic() + timeout
        while True:
            shot = self.shot()
            if predicate(shot):
                return shot
            shot.remove()
            if time.monotonic() > deadline:
                raise TimeoutError(f'{what} did not appear:\n' + self.run.output())
            time.sleep(0.2)

    def post(self, message, wparam=0, lparam=0):
        """Posts a message to the window, as the worker thread would."""
        helper = gui.build_dir() / 'tests' / 'e2e' / 'screens_post_message.exe'
        status, output = gui.run_console(self.env, helper,
                                         [str(message), str(wparam), hex(lparam)])
        if status != 0:
            raise RuntimeError(f'posting {message:#x} failed: {output}')

    def point(self, x, y):
        """Moves the pointer to the DIP point (x, y) of the client area."""
        gui._xdotool(self.display, 'mousemove', '--window', self.window,
                     int(x * self.scale), int(y * self.scale))

    def click(self, x, y):
        """Clicks at the DIP point (x, y) of the client area."""
        self.point(x, y)
        gui._xdotool(self.display, 'click', 1)


def downloading_ready(shot):
    """The Downloading screen with the bar at its final 30 %."""
    return near(shot.dip(130, 150.76), PROGRESS) and near(shot.dip(150, 150.76), LINE)


def starting_ready(shot):
    return near(shot.dip(390, 150.76), PROGRESS) and near(shot.dip(330, 206), BACKGROUND)


def failed_ready(shot):
    """The failure screen: "Try again" (accent) beside Cancel, wherever the labels put it."""
    return (shot.count(ACCENT, (28, 194, 392, 198), 3) > 10 or
            shot.count(ACCENT_HOVER, (28, 194, 392, 198), 3) > 10)
