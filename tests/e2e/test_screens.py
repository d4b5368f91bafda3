"""The three screens as a person sees them: the real exe under Wine on a virtual display, its
download served by the local host in a network namespace, checked by sampling the screenshot at
known DIP positions, at 96 and 144 DPI.

The Downloading screen is the real one, held at 3.0 of 10.0 MB by the host; the Starting and
failure screens follow messages posted as the worker posts them (tools/gallery_screens.py), and the
real download failure is checked on its own.
"""
import os
import sys
from pathlib import Path

import pytest

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / 'tools'))

import gallery_screens as screens  # noqa: E402
import gui  # noqa: E402
from gallery_screens import near  # noqa: E402

TITLE = 'VORNE Sandbox Setup'
BAR_MIDDLE = 147.76 + 3  # the middle row of the progress bar, in DIPs
# The English "Try again" on the failure screen: 88 DIPs wide (its minimum), 8 left of Cancel,
# which ends at 392; 28 high from y = 192 (render/button.cpp, render/palette.h).
TRY_AGAIN = (208, 192, 296, 220)


@pytest.fixture(scope='module')
def display():
    with gui.Display() as d:
        yield d.name


@pytest.fixture(scope='module', params=[96, 144])
def dpi_env(request, display):
    env = gui.wine_env(display, {'LC_ALL': 'en_US.UTF-8'})
    gui.prepare_prefix(env, dpi=request.param)
    return request.param, env


def assert_colour(shot, x, y, expected, what):
    actual = shot.dip(x, y)
    assert near(actual, expected), \
        f'{what} at ({x}, {y}) DIPs: {actual:06X}, expected {expected:06X} ({shot.path})'


def assert_frame(shot):
    """What every screen shares: title band, rule, border, background, the two logo squares."""
    assert_colour(shot, 300, 8, screens.TITLE_BAR, 'title band')
    assert_colour(shot, 200, 31.5, screens.LINE, 'rule under the title band')
    assert_colour(shot, 200, 45, screens.BACKGROUND, 'background')
    assert_colour(shot, 10, 180, screens.BACKGROUND, 'background')
    for x, y in ((0.2, 120), (419.8, 120), (200, 0.2), (200, 235.8)):
        assert_colour(shot, x, y, screens.LINE, 'window border')
    assert_colour(shot, 11, 7, screens.ACCENT, 'small logo square')
    assert_colour(shot, 29, 25, screens.ACCENT, 'small logo square')
    # The large square: 40 DIPs of accent on a row through its upper part, left of the letter.
    accent = [px for px, colour in shot.row(56, 0, 420) if near(colour, screens.ACCENT)]
    assert accent, 'no large logo square'
    assert abs((accent[-1] - accent[0] + 1) - 40 * shot.scale) <= 1.5, accent
    # Text is drawn in the title band (light pixels right of the small mark).
    assert shot.count(screens.TEXT, (80, 8, 200, 24), 60) > 10, 'no title text'


def fill_end(shot):
    """The pixel x where the progress colour stops on the bar's middle row."""
    for px, colour in shot.row(BAR_MIDDLE, 30, 392):
        if not near(colour, screens.PROGRESS):
            return px
    return int(392 * shot.scale)


def test_screens_with_their_colours_and_hover(dpi_env, display, routes):
    dpi, env = dpi_env
    with screens.Setup(display, env, routes, TITLE, dpi) as setup:
        x, y, width, height = setup.geometry
        assert (width, height) == (int(420 * dpi / 96 + 0.5), int(236 * dpi / 96 + 0.5))

        # Downloading, held at 3.0 of 10.0 MB: the fill ends at 28 + 0.3 x 364 = 137.2 DIPs.
        shot = setup.wait_for(screens.downloading_ready, what='the Downloading screen at 30 %')
        assert_frame(shot)
        assert abs(fill_end(shot) - 137.2 * shot.scale) <= 1.5, fill_end(shot)
        assert_colour(shot, 200, BAR_MIDDLE, screens.LINE, 'progress track')
        # The bar spans 147.76 to 153.76 DIPs: whole pixel rows inside it carry its colour, those
        # just outside the background.
        for y, colour in ((146.5, screens.BACKGROUND), (148.5, screens.PROGRESS),
                          (152.5, screens.PROGRESS), (155, screens.BACKGROUND)):
            assert_colour(shot, 100, y, colour, 'progress bar edge')
        assert_colour(shot, 308, 196, screens.BUTTON, 'Cancel')
        # Where "Try again" stands on the failure screen (208 to 296 DIPs, from y = 192; the
        # failure screen below finds the accent at the same sample), only background.
        assert_colour(shot, 212, 196, screens.BACKGROUND, 'no "Try again" while downloading')
        assert shot.count(screens.ACCENT, TRY_AGAIN) == 0, 'a "Try again" while downloading'
        assert_colour(shot, 200, 206, screens.BACKGROUND, 'left of where "Try again" would be')
        assert shot.count(screens.TEXT, (28, 122, 250, 138), 60) > 10, 'no status line'
        assert shot.count(screens.TEXT_MUTED, (300, 122, 392, 138), 40) > 5, 'no size figures'
        assert_colour(shot, 380, 5, screens.TITLE_BAR, 'close box at rest')

        setup.point(340, 206)
        setup.wait_for(lambda s: near(s.dip(308, 196), screens.BUTTON_HOVER),
                       what='Cancel lit under the pointer')
        setup.point(397, 16)
        shot = setup.wait_for(lambda s: near(s.dip(380, 5), screens.BUTTON_HOVER),
                              what='the close box lit under the pointer')
        assert_colour(shot, 308, 196, screens.BUTTON, 'Cancel after the pointer left')

        # Starting: a full bar, no buttons, and the close box stays dark under the pointer.
        setup.post(screens.WM_SETUP_STARTING)
        shot = setup.wait_for(screens.starting_ready, what='the Starting screen')
        assert_frame(shot)
        assert_colour(shot, 30, BAR_MIDDLE, screens.PROGRESS, 'full bar')
        assert_colour(shot, 390, BAR_MIDDLE, screens.PROGRESS, 'full bar')
        assert_colour(shot, 380, 5, screens.TITLE_BAR, 'close box while starting')
        assert shot.count(screens.TEXT, (28, 122, 250, 138), 60) > 10, 'no status line'

        # The launch failure: headline, explanation, "Try again" 8 DIPs left of Cancel.
        setup.post(screens.WM_SETUP_FAILED, screens.LAUNCH_FAILED, 0x80004005)
        shot = setup.wait_for(screens.failed_ready, what='the failure screen')
        assert_frame(shot)
        assert_colour(shot, 308, 196, screens.BUTTON, 'Cancel')
        assert_colour(shot, 212, 196, screens.ACCENT, '"Try again"')
        # The label is drawn inside, so not every pixel is accent, but most are.
        assert shot.count(screens.ACCENT, TRY_AGAIN) > 0.6 * (88 * 28) * shot.scale ** 2, \
            'no "Try again" where it belongs'
        assert_colour(shot, 300, 206, screens.BACKGROUND, 'the gap between the buttons')
        assert_colour(shot, 200, BAR_MIDDLE + 8, screens.BACKGROUND, 'no bar on the failure screen')
        assert shot.count(screens.ERROR, (28, 120, 300, 136), 60) > 10, 'no headline'
        assert shot.count(screens.TEXT_MUTED, (28, 139, 300, 154), 40) > 5, 'no explanation'

        setup.point(250, 206)
        shot = setup.wait_for(lambda s: near(s.dip(212, 196), screens.ACCENT_HOVER),
                              what='"Try again" lit under the pointer')
        assert_colour(shot, 308, 196, screens.BUTTON, 'Cancel stays unlit')
        setup.point(340, 206)
        setup.wait_for(lambda s: near(s.dip(308, 196), screens.BUTTON_HOVER) and
                       near(s.dip(212, 196), screens.ACCENT), what='Cancel lit, "Try again" not')

        # The worker is still in the held transfer, which a cancel under Wine only ends at the
        # 30-second receive timeout: the Setup ends the program instead.


def test_a_real_download_failure_shows_the_failure_screen(display, routes):
    env = gui.wine_env(display, {'LC_ALL': 'en_US.UTF-8'})
    gui.prepare_prefix(env, dpi=96)
    with screens.Setup(display, env, routes, TITLE, 96, route=None) as setup:
        shot = setup.wait_for(screens.failed_ready, timeout=60, what='the failure screen')
        assert_frame(shot)
        assert_colour(shot, 212, 196, screens.ACCENT, '"Try again"')
        assert shot.count(screens.ERROR, (28, 120, 300, 136), 60) > 10, 'no headline'
        assert shot.count(screens.TEXT_MUTED, (28, 139, 300, 154), 40) > 5, 'no explanation'
        setup.click(340, 206)
        assert setup.run.exit_code() == 1603
