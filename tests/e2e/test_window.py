"""The real window under Wine on a virtual display: title, size and place by DPI, and the exit
codes of Esc on the download and the failure screen. The network is a namespace of the test's own:
a server that trickles the file keeps the download on screen; with nothing listening both
attempts fail at once."""
import subprocess
import time
from pathlib import Path

import pytest

import gui

REPO = Path(__file__).resolve().parents[2]

# Answers the download on port 80 with the head of a 100 MB file and then trickles its body, 1 KB
# every 50 ms, so the download stays on screen. Port 443 has no listener: the TLS attempt is
# refused at once and the plain attempt follows. (A server that stays silent would do as well on
# Windows, but not under Wine: its WinHTTP does not end a blocked call when another thread closes
# the request, so the cancel would wait for the 30 s timeout, or for ever inside
# WinHttpSendRequest.)
TRICKLING_SERVER = r'''
import socket, threading, time
def serve(connection):
    request = b""
    while b"\r\n\r\n" not in request:
        chunk = connection.recv(4096)
        if not chunk:
            return
        request += chunk
    connection.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 104857600\r\n"
                       b"Content-Type: application/octet-stream\r\n\r\n")
    try:
        while True:
            connection.sendall(bytes(1024))
            time.sleep(0.05)
    except OSError:
        connection.close()
listener = socket.socket()
listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
listener.bind(("127.0.0.1", 80))
listener.listen(16)
print("ready", flush=True)
while True:
    threading.Thread(target=serve, args=(listener.accept()[0],), daemon=True).start()
'''


def window_title(language):
    """String 101 of a table in resources/strings."""
    for line in (REPO / 'resources' / 'strings' / f'{language}.txt').read_text(
            encoding='utf-8').splitlines():
        if line.startswith('101 '):
            return line[4:]
    raise KeyError(language)


@pytest.fixture(scope='module')
def display():
    with gui.Display(1920, 1080) as d:
        yield d


@pytest.fixture
def host():
    return gui.cmake_cache_value('VORNE_DOWNLOAD_HOST')


def centred(display, width, height):
    # No taskbar on the virtual display: the work area is the whole screen.
    return ((display.size[0] - width) // 2, (display.size[1] - height) // 2, width, height)


def test_window_procedure_on_a_real_display(display):
    env = gui.wine_env(display.name)
    gui.prepare_prefix(env, dpi=96)
    try:
        status, output = gui.run_console(env, gui.build_dir() / 'window_gui_check.exe')
    finally:
        gui.stop_wineserver(env)
    assert status == 0, output
    assert ' 0 failed' in output, output


def test_download_screen_at_96_dpi_in_english_and_escape_cancels(display, host, tmp_path):
    env = gui.wine_env(display.name, {'LC_ALL': 'en_US.UTF-8'})
    gui.prepare_prefix(env, dpi=96)
    with gui.NetworkNamespace([host]) as ns:
        server = subprocess.Popen(ns.command(['/usr/bin/python3', '-c', TRICKLING_SERVER]),
                                  stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        try:
            assert server.stdout.readline().strip() == 'ready'
            with gui.Run(env, namespace=ns) as run:
                title = window_title('en')
                window = gui.find_window(display.name, title)
                assert gui.window_title(display.name, window) == 'VORNE Sandbox Setup'
                geometry = gui.client_geometry(display.name, window)
                assert geometry == centred(display, 420, 236)
                # Still downloading: at 20 KB/s the file takes well over an hour.
                time.sleep(1.5)
                # Painted: the margins of the canvas show the background colour.
                shot = tmp_path / 'download.png'
                gui.screenshot(display.name, shot)
                for x, y in ((20, 150), (400, 120)):
                    assert gui.pixel(shot, geometry[0] + x, geometry[1] + y) == 0x0D0F1E
                gui.key(display.name, window, 'Escape')
                assert run.exit_code(timeout=40) == 1602
        finally:
            server.kill()
            server.wait()


def wait_for_failure_screen(display, geometry, scale, shot):
    """Waits until the "Try again" button shows: its top edge, above the label, in the accent
    colour. It sits left of Cancel (right edge 392 DIPs, both at least 88 DIPs wide, 28 high from
    y = 192), so (250, 195) DIPs lies on it for every label of normal width."""
    x = geometry[0] + int(250 * scale)
    y = geometry[1] + int(195 * scale)
    deadline = time.monotonic() + 30
    while time.monotonic() < deadline:
        gui.screenshot(display.name, shot)
        if gui.pixel(shot, x, y) == 0x802A8A:
            return
        time.sleep(0.2)
    raise TimeoutError('the failure screen did not show')


def test_failure_screen_at_144_dpi_in_german_and_escape_fails(display, host, tmp_path):
    env = gui.wine_env(display.name, {'LC_ALL': 'de_DE.UTF-8'})
    gui.prepare_prefix(env, dpi=144)
    try:
        with gui.NetworkNamespace([host]) as ns:
            with gui.Run(env, namespace=ns) as run:
                window = gui.find_window(display.name, window_title('de'))
                geometry = gui.client_geometry(display.name, window)
                assert geometry == centred(display, 630, 354)
                # Nothing listens: both attempts are refused at once and the failure screen shows.
                wait_for_failure_screen(display, geometry, 1.5, tmp_path / 'failed.png')
                gui.key(display.name, window, 'Escape')
                assert run.exit_code(timeout=30) == 1603
    finally:
        gui.prepare_prefix(gui.wine_env(display.name), dpi=96)


def test_cancel_button_on_the_failure_screen_fails(display, host, tmp_path):
    env = gui.wine_env(display.name, {'LC_ALL': 'en_US.UTF-8'})
    gui.prepare_prefix(env, dpi=96)
    with gui.NetworkNamespace([host]) as ns:
        with gui.Run(env, namespace=ns) as run:
            window = gui.find_window(display.name, window_title('en'))
            geometry = gui.client_geometry(display.name, window)
            wait_for_failure_screen(display, geometry, 1.0, tmp_path / 'failed.png')
            # The middle of Cancel: 44 DIPs left of its right edge, halfway down.
            gui.click(display.name, window, 392 - 44, 192 + 14)
            assert run.exit_code(timeout=30) == 1603
