"""Running the real Windows program under Wine on a virtual X display, for end-to-end tests.

A small toolkit, no test logic:
  Display            an Xvfb server of its own (no display is needed on the machine)
  prepare_prefix     the shared Wine prefix set up for GUI runs (unmanaged windows, a DPI)
  NetworkNamespace   a network namespace with only loopback, for the program's network traffic
  Run                the exe started through run_and_report.exe, which records its full exit code
  find_window, client_geometry, key, click, screenshot, pixel

Everything runs the project's prefix (build/wine-prefix, see tools/wine-env.sh) and only talks to
loopback inside namespaces that the tests create.
"""
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]


def build_dir():
    return Path(os.environ.get('VORNE_BUILD_DIR', REPO / 'build' / 'mingw')).resolve()


def exe_path():
    return Path(os.environ.get('VORNE_EXE', build_dir() / 'VorneSandboxSetup.exe'))


def cmake_cache_value(name):
    """A value from the MinGW tree's CMake cache (e.g. VORNE_DOWNLOAD_HOST), or None."""
    cache = build_dir() / 'CMakeCache.txt'
    for line in cache.read_text().splitlines():
        if line.startswith(name + ':'):
            return line.split('=', 1)[1]
    return None


def wine_env(display=None, extra=None):
    """The environment of tools/wine-env.sh: the project's 32-bit prefix, quiet Wine."""
    env = dict(os.environ)
    env.update({
        'WINEPREFIX': str(build_dir().parent / 'wine-prefix'),
        'WINEARCH': 'win32',
        'WINEDEBUG': '-all',
        'WINEDLLOVERRIDES': 'mscoree,mshtml=',
    })
    if 'VORNE_WINEPREFIX' in os.environ:
        env['WINEPREFIX'] = os.environ['VORNE_WINEPREFIX']
    if display is not None:
        env['DISPLAY'] = display
    if extra:
        env.update(extra)
    return env


def _quiet(args, env=None, timeout=120, check=True):
    return subprocess.run(args, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL, timeout=timeout, check=check)


def stop_wineserver(env):
    """Ends the prefix's wineserver and every Wine process of it, and waits for that."""
    _quiet(['wineserver', '-k'], env=env, check=False)
    _quiet(['wineserver', '-w'], env=env, check=False)


def prepare_prefix(env, dpi=96):
    """Creates the prefix when missing (tools/wine-env.sh) and sets it up for a GUI run at `dpi`.

    Managed=N: without a window manager Wine would wait about 2 s for each destroyed window.
    LogPixels: the DPI GetDpiForWindow reports. Leaves no wineserver running, so the next Wine
    process starts a new one (inside a network namespace, if it runs in one)."""
    stop_wineserver(env)
    script = f'. "{REPO}/tools/wine-env.sh"; vorne_wine_prefix'
    subprocess.run(['bash', '-c', script], env=env, check=True, timeout=600,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
    for key, kind, value in (
            (r'HKCU\Software\Wine\X11 Driver', 'REG_SZ', ('Managed', 'N')),
            (r'HKCU\Control Panel\Desktop', 'REG_DWORD', ('LogPixels', str(dpi)))):
        _quiet(['wine', 'reg', 'add', key, '/v', value[0], '/t', kind, '/d', value[1], '/f'],
               env=env)
    map_fonts(env)
    stop_wineserver(env)


# The families the program draws with are not part of Wine; the prefix maps them to fonts that
# tools/install-deps.sh installs and Wine finds through fontconfig. Roboto's regular, black and
# condensed bold faces stand in for "Segoe UI" (400), "Segoe UI Black" (900) and "Bahnschrift"
# (condensed 700); WenQuanYi Micro Hei stands in for the families Wine's DirectWrite falls back to
# for Chinese text.
FONT_REPLACEMENTS = (
    ('Segoe UI', 'Roboto'), ('Segoe UI Black', 'Roboto'), ('Bahnschrift', 'Roboto'),
    ('Noto Sans CJK SC', 'WenQuanYi Micro Hei'), ('Noto Sans CJK TC', 'WenQuanYi Micro Hei'),
    ('Noto Sans CJK HK', 'WenQuanYi Micro Hei'))


def map_fonts(env):
    """Wine's font replacements (HKCU\\Software\\Wine\\Fonts\\Replacements) for FONT_REPLACEMENTS,
    imported in one regedit run."""
    lines = ['REGEDIT4', '', r'[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]']
    lines += [f'"{name}"="{target}"' for name, target in FONT_REPLACEMENTS]
    with tempfile.NamedTemporaryFile('w', suffix='.reg', delete=False) as reg:
        reg.write('\r\n'.join(lines) + '\r\n')
    try:
        _quiet(['wine', 'regedit', '/S', 'Z:' + reg.name.replace('/', '\\')], env=env)
    finally:
        os.unlink(reg.name)


class Display:
    """An Xvfb server on a free display number; `with Display() as d:` gives d.name (':NN')."""

    def __init__(self, width=1920, height=1080):
        self.size = (width, height)
        self.name = None
        self._process = None

    def __enter__(self):
        for number in range(90, 200):
            if not Path(f'/tmp/.X11-unix/X{number}').exists() and \
                    not Path(f'/tmp/.X{number}-lock').exists():
                break
        else:
            raise RuntimeError('no free X display number')
        self.name = f':{number}'
        self._process = subprocess.Popen(
            # Depth 24 in 32-bit pixels: Wine's OpenGL, under Direct2D, needs pixmaps of that kind.
            ['Xvfb', self.name, '-screen', '0', f'{self.size[0]}x{self.size[1]}x24+32',
             '-nolisten', 'tcp'],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 20
        while not Path(f'/tmp/.X11-unix/X{number}').exists():
            if self._process.poll() is not None or time.monotonic() > deadline:
                raise RuntimeError('Xvfb did not start')
            time.sleep(0.05)
        return self

    def __exit__(self, *exc):
        self._process.terminate()
        try:
            self._process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self._process.kill()
            self._process.wait()


class NetworkNamespace:
    """A network namespace with loopback up and its own hosts file naming `hosts` as 127.0.0.1.

    Programs run in it with ns.command([...]). Removed on exit, with its hosts file."""

    def __init__(self, hosts=()):
        self.name = f'vorne-e2e-{os.getpid()}-{time.monotonic_ns() % 100000}'
        self.hosts = list(hosts)

    def __enter__(self):
        subprocess.run(['ip', 'netns', 'add', self.name], check=True)
        try:
            subprocess.run(['ip', 'netns', 'exec', self.name, 'ip', 'link', 'set', 'lo', 'up'],
                           check=True)
            etc = Path('/etc/netns') / self.name
            etc.mkdir(parents=True, exist_ok=True)
            (etc / 'hosts').write_text('127.0.0.1 localhost ' + ' '.join(self.hosts) + '\n')
        except BaseException:
            self.__exit__()
            raise
        return self

    def command(self, args):
        return ['ip', 'netns', 'exec', self.name] + list(args)

    def __exit__(self, *exc):
        subprocess.run(['ip', 'netns', 'delete', self.name], check=False,
                       stderr=subprocess.DEVNULL)
        shutil.rmtree(Path('/etc/netns') / self.name, ignore_errors=True)


class Run:
    """The exe under Wine, started through run_and_report.exe (Wine's own exit status keeps only
    the low 8 bits). With `namespace`, the wineserver is restarted inside it, so the program's
    sockets live there."""

    def __init__(self, env, args=(), namespace=None, program=None):
        self.env = env
        self._dir = tempfile.mkdtemp(prefix='vorne-run-')
        self.code_file = Path(self._dir) / 'exit-code.txt'
        stop_wineserver(env)
        command = ['wine', str(build_dir() / 'run_and_report.exe'), str(self.code_file),
                   str(program or exe_path())] + list(args)
        if namespace is not None:
            command = namespace.command(command)
        self._log = open(Path(self._dir) / 'wine.log', 'wb')
        self.process = subprocess.Popen(command, env=env, stdin=subprocess.DEVNULL,
                                        stdout=self._log, stderr=subprocess.STDOUT,
                                        start_new_session=True)

    def exit_code(self, timeout=60):
        """The program's full 32-bit exit code, once it has ended."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if self.code_file.exists():
                text = self.code_file.read_text().strip()
                if text:
                    return int(text)
            if self.process.poll() is not None and not self.code_file.exists():
                raise RuntimeError('run_and_report ended without a code: ' + self.output())
            time.sleep(0.05)
        raise TimeoutError('the program did not end in time')

    def output(self):
        self._log.flush()
        return (Path(self._dir) / 'wine.log').read_text(errors='replace')

    def close(self):
        if self.process.poll() is None:
            os.killpg(self.process.pid, signal.SIGTERM)
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                os.killpg(self.process.pid, signal.SIGKILL)
                self.process.wait()
        stop_wineserver(self.env)
        self._log.close()
        shutil.rmtree(self._dir, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


def _xdotool(display, *args, check=True):
    result = subprocess.run(['xdotool'] + [str(a) for a in args], env={**os.environ,
                            'DISPLAY': display}, capture_output=True, text=True, timeout=30)
    if check and result.returncode != 0:
        raise RuntimeError(f'xdotool {args}: {result.stderr.strip()}')
    return result.stdout


def find_window(display, title, timeout=30):
    """The X window id of the visible top-level window titled exactly `title`."""
    pattern = '^' + re.escape(title) + '$'
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        found = _xdotool(display, 'search', '--onlyvisible', '--name', pattern,
                         check=False).split()
        if found:
            return int(found[0])
        time.sleep(0.05)
    raise TimeoutError(f'no window titled {title!r}')


def window_title(display, window):
    return _xdotool(display, 'getwindowname', window).rstrip('\n')


def client_geometry(display, window):
    """(x, y, width, height) of the window on the screen, in pixels. The program's window has no
    frame, so this is its client area."""
    out = subprocess.run(['xwininfo', '-id', str(window)], env={**os.environ, 'DISPLAY': display},
                         capture_output=True, text=True, timeout=30, check=True).stdout
    field = {}
    for key in ('Absolute upper-left X', 'Absolute upper-left Y', 'Width', 'Height'):
        field[key] = int(re.search(re.escape(key) + r':\s+(-?\d+)', out).group(1))
    return (field['Absolute upper-left X'], field['Absolute upper-left Y'], field['Width'],
            field['Height'])


def key(display, window, keysym):
    """Presses one key (an X keysym name such as 'Escape' or 'Return') in the window: it gets the
    input focus, then the key goes through XTEST like a real one (Wine ignores sent events)."""
    _xdotool(display, 'windowfocus', '--sync', window, check=False)
    _xdotool(display, 'key', keysym)


def click(display, window, x, y, button=1):
    """Moves the pointer to client pixel (x, y) of the window and clicks."""
    _xdotool(display, 'mousemove', '--window', window, x, y)
    _xdotool(display, 'click', button)


def screenshot(display, path):
    subprocess.run(['import', '-window', 'root', str(path)], env={**os.environ,
                   'DISPLAY': display}, check=True, timeout=60, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def pixel(path, x, y):
    """The colour of one screen pixel of a screenshot, as 0xRRGGBB."""
    out = subprocess.run(['convert', str(path), '-crop', f'1x1+{x}+{y}', '-depth', '8',
                          'txt:-'], capture_output=True, text=True, check=True).stdout
    match = re.search(r'#([0-9A-Fa-f]{6})', out)
    return int(match.group(1), 16)


def run_console(env, program, args=(), timeout=120):
    """Runs a Windows console program to its end; returns (exit status, output). The output goes
    through a file: Wine's background processes would keep a pipe open."""
    with tempfile.TemporaryFile() as out:
        process = subprocess.run(['wine', str(program)] + list(args), env=env,
                                 stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT,
                                 timeout=timeout)
        out.seek(0)
        return process.returncode, out.read().decode(errors='replace')
