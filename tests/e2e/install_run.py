"""Running the real setup under Wine against the local download host: shared by the install
scenarios, the cancel-latency benchmark and the demo. Uses the window tests' toolkit (gui.py)."""
import os
import re
import shutil
import time
from pathlib import Path

import gui
from conftest import build_dir, windows_path

REPO = Path(__file__).resolve().parents[2]
INSTALLER = "/upd/VorneSandboxInstall.exe"


def english_title():
    for line in (REPO / "resources" / "strings" / "en.txt").read_text(
            encoding="utf-8").splitlines():
        if line.startswith("101 "):
            return line[4:]
    raise KeyError("101")


def prepare_wine(display, ca_ders, prefix=None):
    """A prefix of its own for install runs, set up for the GUI, trusting the test CAs (one DER
    file or several; inside this prefix only). Returns the environment for gui.Run."""
    if isinstance(ca_ders, (str, os.PathLike)):
        ca_ders = [ca_ders]
    prefix = Path(prefix or build_dir() / "wine-e2e-prefix")
    env = gui.wine_env(display.name, extra={"WINEPREFIX": str(prefix), "LC_ALL": "C.UTF-8"})
    gui.prepare_prefix(env)
    code, out = gui.run_console(env, build_dir() / "tests" / "e2e" / "trust_root.exe",
                                [windows_path(ca) for ca in ca_ders])
    if code != 0:
        raise RuntimeError(f"could not trust the test CAs {[str(ca) for ca in ca_ders]}: {out}")
    gui.stop_wineserver(env)
    return env


def staging_dirs(env):
    """The staging directories that exist in the prefix's C:\\windows\\Temp."""
    windows = Path(env["WINEPREFIX"]) / "drive_c" / "windows"
    found = []
    for temp in windows.iterdir():
        if temp.name.lower() != "temp" or not temp.is_dir():
            continue
        for entry in temp.iterdir():
            if re.fullmatch(r"VorneSandboxSetup\.[0-9a-f]{16}", entry.name, re.I):
                found.append(entry)
    return found


def clear_staging(env):
    for directory in staging_dirs(env):
        shutil.rmtree(directory, ignore_errors=True)


def read_record(path):
    """The stand-in installer's record: {key: value}."""
    text = Path(path).read_bytes().decode("utf-16-le")
    record = {}
    for line in text.split("\n"):
        if "=" in line:
            key, value = line.split("=", 1)
            record[key] = value
    return record


def wine_command_line(args):
    """The Windows command line Wine builds from Linux arguments (quoting those with blanks,
    tabs or quotes the way the C runtime reads them back)."""
    parts = []
    for arg in args:
        has_space = arg == "" or " " in arg or "\t" in arg
        has_quote = '"' in arg
        out = '"' if has_space else ""
        if has_space or has_quote:
            backslashes = 0
            for c in arg:
                if c == "\\":
                    backslashes += 1
                else:
                    if c == '"':
                        out += "\\" * (backslashes + 1)
                    backslashes = 0
                out += c
            if has_space:
                out += "\\" * backslashes + '"'
        else:
            out += arg
        parts.append(out)
    return " ".join(parts)


def wait_for(condition, timeout=30, step=0.05):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(step)
    return condition()


class Install:
    """One run of the setup: the exe under Wine through run_and_report, inside the download
    host's namespace, with the stand-in installer's record going to `record`."""

    def __init__(self, env, host, display, record, args=()):
        self.display = display
        self.record = Path(record)
        if self.record.exists():
            self.record.unlink()
        run_env = dict(env, VORNE_TEST_RECORD=windows_path(self.record))
        self.run = gui.Run(run_env, list(args), namespace=host)
        self.window = None

    def find_window(self, timeout=60):
        self.window = gui.find_window(self.display.name, english_title(), timeout=timeout)
        return self.window

    def key(self, keysym):
        if self.window is None:
            self.find_window()
        try:
            gui.key(self.display.name, self.window, keysym)
        except RuntimeError as error:
            # A key that closes the window (Esc) destroys it between the press and the release,
            # and sending the release then fails: the key itself arrived.
            if "BadWindow" not in str(error):
                raise

    def exit_code(self, timeout=90):
        return self.run.exit_code(timeout=timeout)

    def recorded(self):
        return read_record(self.record) if self.record.exists() else None

    def close(self):
        self.run.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
