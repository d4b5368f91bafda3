"""Whole installs with the real setup under Wine: the window, the real WinHTTP against the local
download host, real Authenticode signatures made at test time, the stand-in installer, and the
setup's full exit code (through run_and_report). Each scenario checks the exit code, the files
left behind and what the installer was given.

Wine's WinVerifyTrust only checks that a signature is there and the digest matches, so untrusted
and revoked signatures are covered by the native tests; the signer's name, its key pins and the
certificate table's layout are checked here. The prefix trusts both test roots, so a file issued
by the second one is refused by its key, not by its root.
"""
import sys
import time
from pathlib import Path

import pytest

import gui
from conftest import served_requests
from install_run import (INSTALLER, Install, clear_staging, prepare_wine, staging_dirs, wait_for,
                         wine_command_line)

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tools"))
import gallery_screens as screens  # noqa: E402

SETTLE = 1.5  # seconds for the window to show the failure screen after the last request


@pytest.fixture(scope="module")
def display():
    with gui.Display(1280, 800) as d:
        yield d


@pytest.fixture(scope="module")
def wine(display, signing, server):
    env = prepare_wine(display, [signing["ca"], signing["ca2"]])
    clear_staging(env)
    yield env
    gui.stop_wineserver(env)


@pytest.fixture
def setup(wine, routes, display, tmp_path):
    """Starts the setup with the given arguments; closes it at the end of the test."""
    runs = []

    def start(*args):
        run = Install(wine, routes, display, tmp_path / f"record{len(runs)}.txt", args)
        runs.append(run)
        return run

    yield start
    for run in runs:
        run.close()
    clear_staging(wine)


def serve(host, path_file, port=0, **extra):
    behaviour = {"body_file": str(path_file)}
    behaviour.update(extra)
    host.route(behaviour, port=port)


def expect_installed(run, wine, code, args=()):
    ended = run.exit_code()
    record = run.recorded()
    assert ended == code, f"installer's record: {record}; Wine: {run.run.output()[-1500:]}"

    assert record is not None, "the installer did not run"
    directory = record["current_directory"]
    installer = directory + "\\VorneSandboxInstall.exe"
    assert record["own_path"].lower() == installer.lower()
    tail = " " + wine_command_line(args) if args else ""
    assert record["command_line"] == '"' + installer + '"' + tail
    # The setup held the verified file: the installer could not open itself for DELETE.
    assert record["delete_probe"] == "32"
    assert staging_dirs(wine) == [], "the staging directory was not removed"
    return record


def wait_failure(host, condition):
    assert wait_for(lambda: condition(served_requests(host)), timeout=60), \
        served_requests(host)
    time.sleep(SETTLE)


def both_attempts(requests):
    return any(port == 443 for port, _ in requests) and any(port == 80 for port, _ in requests)


@pytest.mark.parametrize("code", [0, 3010, 1602])
def test_the_installers_exit_code_becomes_the_setups(setup, routes, wine, signing, code):
    serve(routes, signing["signed"], port=443)
    run = setup(f"/exit={code}")
    expect_installed(run, wine, code, [f"/exit={code}"])
    assert served_requests(routes) == [(443, INSTALLER)]


def test_a_second_pinned_key_is_accepted(pinned_build, setup, routes, wine, signing):
    # The vendor's rotated key: same name, same root, the other pin.
    serve(routes, signing["signed-b"], port=443)
    run = setup("/exit=3010")
    expect_installed(run, wine, 3010, ["/exit=3010"])
    assert served_requests(routes) == [(443, INSTALLER)]


def test_arguments_reach_the_installer_character_for_character(setup, routes, wine, signing):
    serve(routes, signing["signed"], port=443)
    args = ["/exit=5", '/D="C:\\Program Files\\VORNE Sandbox"', "tab\tinside", '"quoted arg"',
            "back\\slash\\"]
    run = setup(*args)
    expect_installed(run, wine, 5, args)


def test_the_staging_directory_exists_during_the_run_and_is_gone_after(setup, routes, wine,
                                                                         signing):
    serve(routes, signing["signed"], port=443)
    run = setup("/exit=0", "/sleep=3000")
    during = wait_for(lambda: staging_dirs(wine), timeout=60)
    assert len(during) == 1
    installer = wait_for(lambda: [p for p in during[0].iterdir()], timeout=30)
    assert [p.name for p in installer] == ["VorneSandboxInstall.exe"]
    record = expect_installed(run, wine, 0, ["/exit=0", "/sleep=3000"])
    assert record["current_directory"].lower().endswith(during[0].name.lower())
    assert record["current_directory"].lower().startswith("c:\\windows\\temp\\vornesandboxsetup.")


def test_a_redirect_to_the_same_host_in_other_letter_case_is_followed(setup, routes, wine,
                                                                      signing,
                                                                      download_host_name):
    routes.route({"status": 302,
                  "location": f"https://{download_host_name.upper()}:8443/v2/setup.exe?x=1"},
                 port=443)
    routes.route({"body_file": str(signing["signed"])}, port=8443, path="/v2/setup.exe?x=1")
    run = setup()
    expect_installed(run, wine, 0)
    assert served_requests(routes) == [(443, INSTALLER), (8443, "/v2/setup.exe?x=1")]


def test_a_redirect_from_https_to_http_is_followed(setup, routes, wine, signing,
                                                   download_host_name):
    routes.route({"status": 301, "location": f"http://{download_host_name}/plain.exe"},
                 port=443)
    routes.route({"body_file": str(signing["signed"])}, port=80, path="/plain.exe")
    run = setup("/exit=3010")
    expect_installed(run, wine, 3010, ["/exit=3010"])
    assert served_requests(routes) == [(443, INSTALLER), (80, "/plain.exe")]


def test_not_found_on_443_then_success_on_80(setup, routes, wine, signing):
    routes.route({"status": 404}, port=443)
    serve(routes, signing["signed"], port=80)
    run = setup()
    expect_installed(run, wine, 0)
    assert served_requests(routes) == [(443, INSTALLER), (80, INSTALLER)]


REFUSED_REDIRECTS = {
    "other host": lambda host: {"status": 302, "location": "https://elsewhere.example/x.exe"},
    "relative": lambda host: {"status": 302, "location": "/upd/other.exe"},
    "empty Location": lambda host: {"status": 302, "location": ""},
}


@pytest.mark.parametrize("case", sorted(REFUSED_REDIRECTS))
def test_refused_redirects_end_on_the_failure_screen(setup, routes, wine, signing, case,
                                                     download_host_name):
    routes.route(REFUSED_REDIRECTS[case](download_host_name), port=0)
    routes.route({"body_file": str(signing["signed"])}, port=0, path="/upd/other.exe")
    run = setup()
    wait_failure(routes, both_attempts)
    run.key("Escape")
    assert run.exit_code() == 1603
    assert run.recorded() is None
    assert served_requests(routes) == [(443, INSTALLER), (80, INSTALLER)]
    assert staging_dirs(wine) == []


def test_a_sixth_redirect_is_refused(setup, routes, wine, signing, download_host_name):
    routes.route({"status": 302, "location": f"http://{download_host_name}/r1"}, port=0)
    for i in range(1, 6):
        routes.route({"status": 307, "location": f"http://{download_host_name}/r{i + 1}"},
                     port=80, path=f"/r{i}")
    routes.route({"body_file": str(signing["signed"])}, port=80, path="/r6")
    run = setup()
    wait_failure(routes, lambda r: sum(1 for port, _ in r if port == 80) >= 6)
    run.key("Escape")
    assert run.exit_code() == 1603
    assert (80, "/r6") not in served_requests(routes)
    assert run.recorded() is None


REFUSED_BODIES = {
    "chunked": {"chunked": 1},
    "Content-Length 0": {"length": 0},
    "over 1 GiB": {"length": 1073741825},
    "one byte short": {"short": 1},
}


@pytest.mark.parametrize("case", sorted(REFUSED_BODIES))
def test_refused_responses_end_on_the_failure_screen(setup, routes, wine, signing, case):
    serve(routes, signing["signed"], **REFUSED_BODIES[case])
    run = setup()
    wait_failure(routes, both_attempts)
    run.key("Escape")
    assert run.exit_code() == 1603
    assert run.recorded() is None
    assert staging_dirs(wine) == []


FAILURE_TEXTS = (28, 115, 392, 160)  # the failure screen's headline and explanation, in DIPs


def failure_screen(display, geometry):
    """The failure screen's text pixels, or None while the window shows another screen (the prefix
    is at 96 DPI: one pixel a DIP)."""
    shot = screens.Screenshot(display.name, geometry, 1.0)
    try:
        if not screens.failed_ready(shot):
            return None
        left, top, right, bottom = FAILURE_TEXTS
        rgb, width = shot.pixels(), shot.width
        return b"".join(rgb[(y * width + left) * 3:(y * width + right) * 3]
                        for y in range(top, bottom))
    finally:
        shot.remove()


def post_failure(wine, kind):
    helper = gui.build_dir() / "tests" / "e2e" / "screens_post_message.exe"
    status, output = gui.run_console(wine, helper, [str(screens.WM_SETUP_FAILED), str(kind), "0"])
    assert status == 0, f"posting the failure failed: {output}"


def assert_damaged_file_screen(run, wine, display):
    """The screen the refusal left is the one the window paints for a damaged file: its texts
    change when a download failure is posted, and come back exactly when a damaged file is."""
    if run.window is None:
        run.find_window()
    geometry = gui.client_geometry(display.name, run.window)
    shown = wait_for(lambda: failure_screen(display, geometry), timeout=10)
    assert shown, "no failure screen"
    post_failure(wine, screens.DOWNLOAD_FAILED)
    assert wait_for(lambda: failure_screen(display, geometry) not in (None, shown), timeout=10), \
        "the refusal shows the download failure's texts, not the damaged file's"
    post_failure(wine, screens.FILE_DAMAGED)
    assert wait_for(lambda: failure_screen(display, geometry) == shown, timeout=10), \
        "the refusal's failure screen is not the damaged-file one"


REJECTED_FILES = {  # case: (file, how it is served, whether the build must pin the test keys)
    "unsigned": ("unsigned", {}, False),
    "tampered": ("tampered", {}, False),
    "another signer": ("other-signer", {}, False),
    # Wine's WinHTTP cuts a body longer than announced to the announced length, so the byte too
    # many never reaches the setup; the cut file then fails the signature check.
    "one byte long": ("signed", "announce one byte less", False),
    # The expected name on a key the build does not pin, from the other trusted root.
    "another CA, same name": ("other-ca", {}, True),
    # A pinned key whose subject names the signer only in O: the name must be the CN.
    "no CN, O only": ("no-cn", {}, True),
    # signed.exe with 64 bytes more inside its certificate table, outside the digest.
    "padded certificate table": ("padded", {}, True),
}


@pytest.mark.parametrize("case", sorted(REJECTED_FILES))
def test_rejected_files_are_deleted_and_never_started(setup, routes, wine, signing, display,
                                                     request, case):
    name, extra, needs_pins = REJECTED_FILES[case]
    if needs_pins:
        request.getfixturevalue("pinned_build")
    if extra == "announce one byte less":
        extra = {"length": signing[name].stat().st_size - 1}
    serve(routes, signing[name], port=443, **extra)
    run = setup()
    wait_failure(routes, lambda r: len(r) >= 1)
    directories = wait_for(lambda: staging_dirs(wine), timeout=10)
    assert len(directories) == 1, \
        f"staging directories: {directories}; the installer's record: {run.recorded()}"
    # The rejected file is gone at once; the directory stays for a retry.
    assert wait_for(lambda: list(directories[0].iterdir()) == [], timeout=10)
    assert_damaged_file_screen(run, wine, display)
    run.key("Escape")
    assert run.exit_code() == 1603
    assert run.recorded() is None
    assert served_requests(routes) == [(443, INSTALLER)]
    assert staging_dirs(wine) == []


def test_cancel_during_a_trickling_download_ends_with_1602_and_leaves_nothing(setup, routes,
                                                                             wine, signing):
    serve(routes, signing["signed"], port=443, trickle_ms=50, trickle_bytes=512)
    run = setup()
    staged = wait_for(lambda: [f for d in staging_dirs(wine) for f in d.iterdir()
                               if f.stat().st_size > 0], timeout=60)
    assert staged, "the download never started"
    run.key("Escape")
    assert run.exit_code(timeout=30) == 1602
    assert run.recorded() is None
    assert staging_dirs(wine) == []
    assert served_requests(routes) == [(443, INSTALLER)]  # no second attempt after a cancel


def test_try_again_from_the_failure_screen_then_success(setup, routes, wine, signing):
    routes.route({"status": 404}, port=0)
    run = setup("/exit=3010")
    wait_failure(routes, both_attempts)
    first = staging_dirs(wine)
    assert len(first) == 1
    serve(routes, signing["signed"], port=443)
    run.key("Return")
    record = expect_installed(run, wine, 3010, ["/exit=3010"])
    # The second run reused the first run's staging directory.
    assert record["current_directory"].lower().endswith(first[0].name.lower())
    assert served_requests(routes) == [(443, INSTALLER), (80, INSTALLER), (443, INSTALLER)]


def test_escape_on_the_failure_screen_gives_1603(setup, routes, wine):
    routes.route({"status": 500}, port=0)
    run = setup()
    wait_failure(routes, both_attempts)
    run.key("Escape")
    assert run.exit_code() == 1603
    assert staging_dirs(wine) == []
