#!/usr/bin/python3
"""Prints the setup's benchmark figures against a minimal static Direct2D window program built the
same way (bench/minimal_window.cpp): the size of the stripped exe, and the start-up time from
process start to the first painted frame under Wine, as a ratio measured in the same run.

    /usr/bin/python3 bench/run.py [mingw build dir]     (after `make exe`)

Start-up is measured from outside, as the program has no switches of its own: the time until the
window is mapped and a pixel inside it shows the background colour its first paint clears to.
Both programs run in one network namespace with only loopback (the setup's download then fails at
once) against one wineserver started there, alternating, and the median of several runs counts."""
import os
import re
import statistics
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / 'tests' / 'e2e'))
import gui  # noqa: E402

BACKGROUND = 0x0D0F1E
RUNS = 7


def window_pixel(display, window, x, y):
    out = subprocess.run(['import', '-window', str(window), '-crop', f'1x1+{x}+{y}', '-depth', '8',
                          'txt:-'], env={**os.environ, 'DISPLAY': display}, capture_output=True,
                         text=True, timeout=30).stdout
    match = re.search(r'#([0-9A-Fa-f]{6})', out)
    return int(match.group(1), 16) if match else None


def first_paint(env, display, namespace, program, title):
    """Seconds from starting `program` under Wine to its window showing the background colour."""
    start = time.monotonic()
    process = subprocess.Popen(namespace.command(['wine', str(program)]), env=env,
                               stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    try:
        pattern = '^' + re.escape(title) + '$'
        while True:
            if time.monotonic() - start > 60:
                raise TimeoutError(title)
            found = subprocess.run(['xdotool', 'search', '--onlyvisible', '--name', pattern],
                                   env={**os.environ, 'DISPLAY': display}, capture_output=True,
                                   text=True).stdout.split()
            if found and window_pixel(display, int(found[0]), 20, 150) == BACKGROUND:
                return time.monotonic() - start
            time.sleep(0.005)
    finally:
        process.kill()
        process.wait()
        subprocess.run(namespace.command(['wine', 'taskkill', '/f', '/im',
                                          Path(program).name]), env=env,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=False)


def main():
    build = Path(sys.argv[1]) if len(sys.argv) > 1 else gui.build_dir()
    os.environ['VORNE_BUILD_DIR'] = str(build)
    setup = build / 'VorneSandboxSetup.exe'
    minimal = build / 'bench' / 'bench_minimal_window.exe'

    size_setup, size_minimal = setup.stat().st_size, minimal.stat().st_size
    print(f'exe size, stripped: setup {size_setup} B ({size_setup / 1024:.1f} KiB), '
          f'minimal D2D window {size_minimal} B ({size_minimal / 1024:.1f} KiB), '
          f'ratio {size_setup / size_minimal:.2f}, target < 130 KiB: '
          f'{"met" if size_setup < 130 * 1024 else "MISSED"}')

    with gui.Display(1280, 800) as display, gui.NetworkNamespace() as ns:
        env = gui.wine_env(display.name, {'LC_ALL': 'en_US.UTF-8'})
        gui.prepare_prefix(env, dpi=96)
        # One wineserver for every run, inside the namespace, kept alive between the programs.
        server = subprocess.Popen(ns.command(['wineserver', '-f', '-p']), env=env,
                                  stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL)
        try:
            time.sleep(0.5)
            first_paint(env, display.name, ns, minimal, 'VorneBenchMinimal')  # warm caches
            times = {'setup': [], 'minimal': []}
            for _ in range(RUNS):
                times['minimal'].append(first_paint(env, display.name, ns, minimal,
                                                    'VorneBenchMinimal'))
                times['setup'].append(first_paint(env, display.name, ns, setup,
                                                  'VORNE Sandbox Setup'))
        finally:
            gui.stop_wineserver(env)
            server.wait()
    setup_ms = statistics.median(times['setup']) * 1000
    minimal_ms = statistics.median(times['minimal']) * 1000
    print(f'start to first paint under Wine (median of {RUNS}): setup {setup_ms:.0f} ms, '
          f'minimal D2D window {minimal_ms:.0f} ms, ratio {setup_ms / minimal_ms:.2f}')


if __name__ == '__main__':
    main()
