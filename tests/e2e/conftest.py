"""Fixtures shared by the end-to-end tests: the download host in a network namespace of its own,
the test signing material made at test time, and a Wine prefix that trusts the test CA.

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


@pytest.fixture(scope="session")
def signing(tmp_path_factory, expected_signer):
    """A fresh test CA and two code-signing leaves, and the stand-in installer signed, signed by
    another publisher, tampered and unsigned: {name: Path}."""
    out = tmp_path_factory.mktemp("signing")
    installer = build_dir() / "tests" / "e2e" / "test_installer.exe"
    subprocess.run([str(REPO / "tools" / "test-signing.sh"), str(out), expected_signer or
                    "VORNE Sandbox Test Signing", str(installer)], check=True)
    return {name: out / f"{name}.exe" for name in ("signed", "other-signer", "tampered",
                                                   "unsigned")} | {"ca": out / "ca.der"}


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
