"""What a screen reader gets: the real exe under Wine, read from another process through Active
Accessibility by tests/e2e/msaa_client.cpp, on each screen, in English and German.

The client prints the client object and its children (role, name, value, state, location, the hit
test at the centre of each location, the next sibling) and, running alongside, every WinEvent of the
window with the name and value a listener reads at that moment. Wine may deliver two events raised
back to back in the other order, so events are waited for one by one, by type.
"""
import json
import os
import re
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

import pytest

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / 'tools'))

import gallery_screens as screens  # noqa: E402
import gui  # noqa: E402
from conftest import served_requests  # noqa: E402
from install_run import prepare_wine  # noqa: E402

CLIENT = gui.build_dir() / 'tests' / 'e2e' / 'msaa_client.exe'

# Roles, states and events as Active Accessibility numbers them.
CLIENT_ROLE, STATIC_TEXT, PUSH_BUTTON, PROGRESS_BAR = 0x0A, 0x29, 0x2B, 0x30
UNAVAILABLE, FOCUSED, READ_ONLY, DEFAULT, INVISIBLE = 0x1, 0x4, 0x40, 0x100, 0x8000
ALERT, SHOW, HIDE, REORDER, FOCUS = 0x0002, 0x8002, 0x8003, 0x8004, 0x8005
STATE_CHANGE, NAME_CHANGE, VALUE_CHANGE = 0x800A, 0x800C, 0x800E
DISP_E_MEMBERNOTFOUND = 0x80020003
E_INVALIDARG = 0x80070057
# A press that ends the server process can fail the client's call although the press ran.
RPC_S_CALL_FAILED = 0x800706BE

MEBIBYTE = 1048576
# 10 MiB in 64 KiB pieces, one every 120 ms: the whole percent moves about every 200 ms, and a
# cancel is answered at the next piece (Wine wakes a closed request only when data arrives).
TRICKLE = {'body_size': 10 * MEBIBYTE, 'trickle_ms': 120, 'trickle_bytes': 65536}
LAUNCH_FAILED = 2


def table(stem):
    return screens.string_tables()[stem]


LANGUAGES = {
    'en': ('en_US.UTF-8', table('en')),
    'de': ('de_DE.UTF-8', table('de')),
}


@pytest.fixture(scope='module')
def screen():
    with gui.Display() as d:
        yield d


@pytest.fixture(scope='module')
def display(screen):
    return screen.name


def session_env(display, language, dpi=96):
    env = gui.wine_env(display, {'LC_ALL': LANGUAGES[language][0]})
    gui.prepare_prefix(env, dpi=dpi)
    return env


def read_tree(env):
    status, output = gui.run_console(env, CLIENT, ['tree'])
    assert status == 0, output
    return json.loads(output.strip().splitlines()[-1])


def press(env, child):
    status, output = gui.run_console(env, CLIENT, ['do', str(child)])
    assert status == 0, output
    return int(json.loads(output.strip().splitlines()[-1])['hr'], 16)


def wait_tree(env, predicate, what, timeout=30):
    deadline = time.monotonic() + timeout
    tree = None
    while time.monotonic() < deadline:
        tree = read_tree(env)
        if predicate(tree):
            return tree
        time.sleep(0.2)
    raise AssertionError(f'{what}: the tree never matched; last read:\n'
                         f'{json.dumps(tree, ensure_ascii=False, indent=1)}')


class Watcher:
    """msaa_client watch, in the background: WinEvents of the setup's window as JSON lines."""

    def __init__(self, env, seconds=240):
        self.path = Path(tempfile.mkstemp(prefix='vorne-events-', suffix='.jsonl')[1])
        self.process = subprocess.Popen(['wine', str(CLIENT), 'watch', str(self.path),
                                         str(seconds)], env=env, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                        start_new_session=True)
        self.seen = 0
        deadline = time.monotonic() + 60
        while not any('watching' in e for e in self.lines()):
            assert time.monotonic() < deadline, 'the event client did not start'
            time.sleep(0.1)

    def lines(self):
        text = self.path.read_text(encoding='utf-8', errors='replace')
        # Only whole lines: the last one may still be being written.
        return [json.loads(line) for line in text.split('\n')[:-1] if line.strip()]

    def events(self):
        return [e for e in self.lines() if 'event' in e]

    def mark(self):
        """From here on, wait_for looks only at events that come later."""
        self.seen = len(self.events())

    def wait_for(self, event, timeout=30, **fields):
        """The first event of this type since the mark whose fields match."""
        deadline = time.monotonic() + timeout
        while True:
            for e in self.events()[self.seen:]:
                if int(e['event'], 16) == event and e.get('object') == -4 and \
                        all(e.get(k) == v for k, v in fields.items()):
                    return e
            if time.monotonic() > deadline:
                raise AssertionError(f'no event {event:#x} {fields} since the mark; got:\n' +
                                     '\n'.join(json.dumps(e, ensure_ascii=False)
                                               for e in self.events()[self.seen:]))
            time.sleep(0.1)

    def count(self, event):
        """How many events of this type on the client object came since the mark."""
        return sum(1 for e in self.events()[self.seen:]
                   if int(e['event'], 16) == event and e.get('object') == -4)

    def wait_count(self, event, at_least, timeout=30):
        deadline = time.monotonic() + timeout
        while self.count(event) < at_least:
            if time.monotonic() > deadline:
                raise AssertionError(f'{self.count(event)} events {event:#x} since the mark, '
                                     f'expected at least {at_least}')
            time.sleep(0.1)

    def close(self):
        if self.process.poll() is None:
            os.killpg(self.process.pid, signal.SIGTERM)
            self.process.wait(timeout=10)
        self.path.unlink(missing_ok=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


def roles(tree):
    return [child['role'] for child in tree['children']]


def names(tree):
    return [child['name'] for child in tree['children']]


def check_geometry(tree, setup):
    """Every placed child lies inside the window, and a hit test at its centre finds it. The
    close box is the band's right end, 46 x 32 DIPs, in pixels at the window's DPI."""
    x, y, width, height = setup.geometry
    client = tree['client']
    assert client['location'] == [x, y, width, height]
    close = tree['children'][0]['location']
    scale = setup.scale
    assert close == [x + round(374 * scale), y, width - round(374 * scale), round(32 * scale)], \
        close
    for child in tree['children']:
        left, top, w, h = child['location']
        assert w > 0 and h > 0, child
        assert x <= left and left + w <= x + width and y <= top and top + h <= y + height, child
        assert child['hit'] == child['id'], child


def check_focus(tree, expected):
    """accFocus names what the keyboard acts on, and that object carries the focused state."""
    assert tree['focus'] == expected, tree['focus']
    holder = tree['client'] if expected == 0 else tree['children'][expected - 1]
    assert int(holder['state'], 16) & FOCUSED, holder
    others = [tree['client']] + tree['children']
    assert sum(1 for o in others if int(o['state'], 16) & FOCUSED) == 1


def check_navigation(tree):
    assert tree['client']['first'] == 1
    ids = [child['id'] for child in tree['children']]
    assert ids == list(range(1, len(ids) + 1))
    assert [child['next'] for child in tree['children']] == ids[1:] + [None]
    assert tree['past_last'] == hex(E_INVALIDARG)


def print_tree(label, tree):
    """The tree as a screen reader reads it, for the record (pytest -s shows it)."""
    print(f'\n{label}: {tree["client"]["name"]} (focus {tree["focus"]})')
    for child in tree['children']:
        value = f' = {child["value"]}' if child['value'] is not None else ''
        print(f'  {child["id"]} role {child["role"]:#x} state {child["state"]} '
              f'{child["name"]!r}{value} action {child["action"]} at {child["location"]}')


@pytest.mark.parametrize('language, dpi', [('en', 96), ('de', 96), ('en', 144)])
def test_the_download_screen_is_read_and_cancelled_by_its_default_action(display, routes,
                                                                          language, dpi):
    env = session_env(display, language, dpi)
    texts = LANGUAGES[language][1]
    with screens.Setup(display, env, routes, texts[101], dpi, route=TRICKLE) as setup, \
            Watcher(env) as watcher:
        tree = wait_tree(env, lambda t: t['count'] == 5 and t['children'][3]['value'] != '0%',
                         'the download screen with its figures')
        print_tree(f'Downloading ({language}, {dpi} DPI)', tree)
        client = tree['client']
        assert client['role'] == CLIENT_ROLE and client['name'] == texts[101]
        assert roles(tree) == [PUSH_BUTTON, STATIC_TEXT, STATIC_TEXT, PROGRESS_BAR, PUSH_BUTTON]
        close, status, figures, bar, cancel = tree['children']
        assert close['name'] == texts[113] and cancel['name'] == texts[112]
        assert status['name'] == texts[103] and bar['name'] == texts[103]
        figure = r'\d+[.,]\d'
        assert re.fullmatch(texts[104].replace('%1', figure).replace('%2', '10[.,]0'),
                            figures['name']), figures['name']
        assert re.fullmatch(r'\d{1,3}%', bar['value']), bar['value']
        assert int(status['state'], 16) & READ_ONLY and int(bar['state'], 16) & READ_ONLY
        assert int(close['state'], 16) & UNAVAILABLE == 0
        for button in (close, cancel):
            assert button['action'] is not None
        assert status['action'] is None
        check_geometry(tree, setup)
        check_navigation(tree)
        check_focus(tree, 0)

        # The value moves as the bytes arrive, one whole percent at a time, and each change is
        # announced with the new value.
        watcher.mark()
        first = watcher.wait_for(VALUE_CHANGE, child=4)
        deadline = time.monotonic() + 20
        while True:
            later = [e for e in watcher.events()[watcher.seen:]
                     if int(e['event'], 16) == VALUE_CHANGE and e.get('value') != first['value']]
            if later:
                break
            assert time.monotonic() < deadline, 'the progress value did not move'
            time.sleep(0.2)
        assert int(later[0]['value'].rstrip('%')) > int(first['value'].rstrip('%'))
        assert first['role'] == PROGRESS_BAR and first['name'] == texts[103]

        hr = press(env, 5)
        assert hr in (0, RPC_S_CALL_FAILED), hex(hr)
        assert setup.run.exit_code(timeout=60) == 1602


def test_a_download_failure_is_announced_and_try_again_starts_a_new_request(display, routes):
    env = session_env(display, 'en')
    texts = LANGUAGES['en'][1]
    with screens.Setup(display, env, routes, texts[101], 96, route=None) as setup, \
            Watcher(env) as watcher:
        tree = wait_tree(env, lambda t: t['count'] == 5 and t['children'][3]['role'] == PUSH_BUTTON,
                         'the failure screen')
        print_tree('Failed, download (en)', tree)
        assert roles(tree) == [PUSH_BUTTON, STATIC_TEXT, STATIC_TEXT, PUSH_BUTTON, PUSH_BUTTON]
        assert names(tree) == [texts[113], texts[106], texts[107], texts[111], texts[112]]
        try_again = tree['children'][3]
        assert int(try_again['state'], 16) & DEFAULT
        check_geometry(tree, setup)
        check_navigation(tree)
        check_focus(tree, 4)

        requests = len(served_requests(routes))
        watcher.mark()
        assert press(env, 4) == 0
        # The press is a new run: new requests, the download screen, then the same failure, which
        # is announced as an alert on its headline with the focus on "Try again".
        deadline = time.monotonic() + 30
        while len(served_requests(routes)) <= requests:
            assert time.monotonic() < deadline, 'no new request after "Try again"'
            time.sleep(0.1)
        watcher.wait_for(REORDER, child=0)
        alert = watcher.wait_for(ALERT, child=2)
        assert alert['name'] == texts[106] and alert['role'] == STATIC_TEXT
        focus = watcher.wait_for(FOCUS, child=4)
        assert focus['name'] == texts[111] and focus['role'] == PUSH_BUTTON
        # Back to the download screen (status line and bar shown; headline, explanation and
        # "Try again" hidden) and to the failure screen again: five of each, in whatever order
        # Wine delivers them.
        watcher.wait_count(SHOW, 5)
        watcher.wait_count(HIDE, 5)

        # Nothing else a screen reader can press: the texts have no default action.
        assert press(env, 2) == DISP_E_MEMBERNOTFOUND
        assert press(env, 9) == E_INVALIDARG
        hr = press(env, 5)
        assert hr in (0, RPC_S_CALL_FAILED), hex(hr)
        assert setup.run.exit_code(timeout=60) == 1603


@pytest.mark.parametrize('language', ['en', 'de'])
def test_starting_and_a_launch_failure_are_announced(display, routes, language):
    env = session_env(display, language)
    texts = LANGUAGES[language][1]
    with screens.Setup(display, env, routes, texts[101], 96) as setup, Watcher(env) as watcher:
        wait_tree(env, lambda t: t['count'] == 5, 'the held download screen')
        watcher.mark()
        setup.post(screens.WM_SETUP_STARTING)
        name = watcher.wait_for(NAME_CHANGE, child=2)
        assert name['name'] == texts[105]
        assert watcher.wait_for(VALUE_CHANGE, child=3)['value'] == '100%'
        watcher.wait_for(STATE_CHANGE, child=1)
        tree = read_tree(env)
        print_tree(f'Starting ({language})', tree)
        assert roles(tree) == [PUSH_BUTTON, STATIC_TEXT, PROGRESS_BAR]
        assert names(tree) == [texts[113], texts[105], texts[105]]
        close = tree['children'][0]
        assert int(close['state'], 16) & UNAVAILABLE and close['action'] is None
        assert tree['children'][2]['value'] == '100%'
        check_geometry(tree, setup)
        # The close box only drags the window while the installer starts.
        assert press(env, 1) == DISP_E_MEMBERNOTFOUND

        watcher.mark()
        setup.post(screens.WM_SETUP_FAILED, LAUNCH_FAILED, 0x800700C1)
        alert = watcher.wait_for(ALERT, child=2)
        assert alert['name'] == texts[109]
        assert watcher.wait_for(FOCUS, child=4)['name'] == texts[111]
        tree = read_tree(env)
        print_tree(f'Failed, launch ({language})', tree)
        assert names(tree) == [texts[113], texts[109], texts[110].replace('%1', '2147942593'),
                               texts[111], texts[112]]
        check_geometry(tree, setup)
        check_navigation(tree)
        # The worker is still in the held transfer, which a cancel under Wine only ends at the
        # 30-second receive timeout: the Setup ends the program instead.


def test_a_real_launch_failure_is_read_with_the_windows_error(screen, routes, signing):
    """A file signed like the installer that Windows will not start (its header says DLL): the
    download and the signature pass, the launch fails, and the failure screen is read with the
    error Windows gave."""
    env = prepare_wine(screen, signing['ca'])
    texts = LANGUAGES['en'][1]
    # Slow enough for the event client to be listening before the failure comes.
    route = {'body_file': str(signing['not-startable']), 'trickle_ms': 150,
             'trickle_bytes': 2048}
    with screens.Setup(screen.name, env, routes, texts[101], 96, route=route) as setup, \
            Watcher(env) as watcher:
        alert = watcher.wait_for(ALERT, child=2, timeout=60)
        assert alert['name'] == texts[109]
        assert watcher.wait_for(FOCUS, child=4)['name'] == texts[111]
        tree = read_tree(env)
        print_tree('Failed, real launch (en)', tree)
        assert roles(tree) == [PUSH_BUTTON, STATIC_TEXT, STATIC_TEXT, PUSH_BUTTON, PUSH_BUTTON]
        explanation = tree['children'][2]['name']
        match = re.fullmatch(re.escape(texts[110]).replace('%1', r'([1-9][0-9]*)'), explanation)
        assert match, explanation
        check_geometry(tree, setup)
        hr = press(env, 5)
        assert hr in (0, RPC_S_CALL_FAILED), hex(hr)
        assert setup.run.exit_code(timeout=60) == 1603
