"""Fixtures shared by the end-to-end tests: the download host in a network namespace of its own,
the test signing material made at test time, and a Wine prefix that trusts the test CAs.

One namespace, one server and one prefix serve the whole pytest session; each test chooses the
server's behaviour with routes. Needs root (network namespaces), like CI.
"""
import os
import shutil
import subprocess
import sys
from pathlib import Path

import pytest

HERE = Path(__file__).resolve().parent
REPO = HERE.parents[1]
sys.path.insert(0, str(HERE))

import download_host  # noqa: E402


def build_dir():
    return Path(os.environ.get("VORNE_BUILD_DIR", REPO / "build" / "mingw"))


def cache_value(name, default=""):
    cache = build_dir() / "CMakeCache.txt"
    if cache.exists():
        for line in cache.read_text().splitlines():
            if line.startswith(name + ":"):
                return line.split("=", 1)[1]
    return default


def windows_path(path):
    """The Windows name of a Linux path under Wine (drive Z: is the root)."""
    return "Z:" + str(path).replace("/", "\\")


@pytest.fixture(scope="session")
def download_host_name():
    return cache_value("VORNE_DOWNLOAD_HOST", "download.vorne-sandbox.example")


@pytest.fixture(scope="session")
def expected_signer():
    return cache_value("VORNE_EXPECTED_SIGNER", "VORNE Sandbox Test Signing")


SIGNED_FILES = ("signed", "signed-b", "other-signer", "other-ca", "no-cn", "padded", "tampered",
                "unsigned", "not-startable")
IDENTIFIED_FILES = ("signed", "signed-b", "other-ca")  # those with a .pin and a .cn


@pytest.fixture(scope="session")
def signing(tmp_path_factory, expected_signer):
    """Two fresh test CAs and the stand-in installer signed on the committed test keys and on fresh
    ones (tools/test-signing.sh): {name: Path} of every file in SIGNED_FILES, "ca" and "ca2" (the
    roots' DER), and "pins": {name: the leaf key's pin} for IDENTIFIED_FILES."""
    out = tmp_path_factory.mktemp("signing")
    installer = build_dir() / "tests" / "e2e" / "test_installer.exe"
    subprocess.run([str(REPO / "tools" / "test-signing.sh"), str(out), expected_signer or
                    "VORNE Sandbox Test Signing", str(installer)], check=True)
    files = {name: out / f"{name}.exe" for name in SIGNED_FILES}
    files |= {"ca": out / "ca.der", "ca2": out / "ca2.der"}
    files["pins"] = {name: (out / f"{name}.pin").read_text().strip() for name in IDENTIFIED_FILES}
    return files


@pytest.fixture(scope="session")
def key_pins():
    """The signer key pins the build carries (VORNE_SIGNER_KEY_PINS), [] when it has none."""
    return [pin for pin in cache_value("VORNE_SIGNER_KEY_PINS").split(";") if pin]


@pytest.fixture(scope="session")
def committed_key_pins():
    """The pins of the committed test keys, as tools/test-key-pins.sh prints them."""
    printed = subprocess.run([str(REPO / "tools" / "test-key-pins.sh")], check=True,
                             capture_output=True, text=True).stdout
    return [pin for pin in printed.strip().split(";") if pin]


@pytest.fixture(scope="session")
def pinned_build(key_pins, committed_key_pins, signing):
    """For the scenarios that only mean something when the exe pins the test keys: fails them
    when the build has other pins or none, or when the signing material does not carry the pinned
    keys where it should (signed and signed-b on the two test keys, other-ca on neither)."""
    if not key_pins:
        pytest.fail(f"{build_dir()} has no VORNE_SIGNER_KEY_PINS: configure it with "
                    '-DVORNE_SIGNER_KEY_PINS="$(tools/test-key-pins.sh)"')
    if sorted(key_pins) != sorted(committed_key_pins):
        pytest.fail(f"{build_dir()} pins {key_pins}, not the test keys' {committed_key_pins} "
                    "(tools/test-key-pins.sh)")
    pins = signing["pins"]
    assert [pins["signed"], pins["signed-b"]] == committed_key_pins, \
        f"signed.exe and signed-b.exe are not on test keys a and b: {pins}"
    assert pins["other-ca"] not in key_pins, "other-ca.exe's fresh key is a pinned one"
    return key_pins


@pytest.fixture(scope="session")
def server(download_host_name):
    """The download host: HTTP on 80 and 8080, HTTPS on 443 and 8443, in its namespace."""
    if os.geteuid() != 0:
        pytest.fail("the end-to-end tests need root for their network namespace")
    with download_host.Namespace(download_host_name, name=f"vornee2e{os.getpid()}") as ns:
        ns.start_server()
        yield ns


@pytest.fixture
def routes(server):
    """The download host with no routes and an empty request log; every path answers 404
    meanwhile."""
    server.reset()
    yield server
    server.reset()


def served_requests(host):
    """(port, path) of every request the host has answered since the last reset."""
    found = []
    for entry in host.log():
        method, path = entry["request"].split(" ")[:2]
        found.append((entry["port"], path))
    return found
