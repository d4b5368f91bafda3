"""Benchmarks of the setup under Wine, inside a network namespace of their own (run as root).

1. Download throughput: the real download stage (bench/download_bench.cpp) against curl, on the
   same 512 MiB file from the same loopback HTTP server in the same run; the ratio is stage / curl.
2. Cancel latency: from Esc to the setup's exit while the server trickles
   (bench/cancel_latency.py, which needs the window tests' toolkit tests/e2e/gui.py).

  python3 bench/run_bench.py <MinGW build dir>
"""

import os
import re
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
import download_host  # noqa: E402

SIZE = 512 * 1024 * 1024
RUNS = 5


def cache_value(build, name, default):
    try:
        with open(os.path.join(build, "CMakeCache.txt")) as f:
            for line in f:
                if line.startswith(name + ":"):
                    return line.split("=", 1)[1].strip()
    except OSError:
        pass
    return default


def make_file(path):
    block = os.urandom(1 << 20)
    with open(path, "wb") as f:
        for _ in range(SIZE >> 20):
            f.write(block)


def run_wine(namespace, env, program):
    with tempfile.TemporaryFile() as log:
        subprocess.run(namespace.command(["wine", program]), env=env, stdout=log,
                       stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
        log.seek(0)
        return log.read().decode(errors="replace")


def throughput(build, host, namespace, env, body, scratch):
    namespace.route({"body_file": body}, port=80)
    curl_best = stage_best = raw_best = None
    for _ in range(RUNS):
        out = subprocess.run(namespace.command(
            ["curl", "-s", "-o", os.path.join(scratch, "curl.out"), "-w", "%{time_total}",
             f"http://{host}/upd/VorneSandboxInstall.exe"]), capture_output=True, text=True,
            check=True)
        seconds = float(out.stdout.strip())
        assert os.path.getsize(os.path.join(scratch, "curl.out")) == SIZE
        os.unlink(os.path.join(scratch, "curl.out"))
        curl_best = seconds if curl_best is None else min(curl_best, seconds)

        text = run_wine(namespace, env, os.path.join(build, "tests", "e2e", "download_bench.exe"))
        match = re.search(r"^(\d+) ([\d.]+) (\d+) (\d+)", text, re.M)
        if not match or int(match.group(1)) != SIZE or match.group(3) != "0":
            raise RuntimeError(f"download_bench failed: {text!r}")
        seconds = float(match.group(2)) / 1000.0
        stage_best = seconds if stage_best is None else min(stage_best, seconds)

        text = run_wine(namespace, env, os.path.join(build, "tests", "e2e", "winhttp_read_bench.exe"))
        match = re.search(r"^(\d+) ([\d.]+)", text, re.M)
        if not match or int(match.group(1)) != SIZE:
            raise RuntimeError(f"winhttp_read_bench failed: {text!r}")
        seconds = float(match.group(2)) / 1000.0
        raw_best = seconds if raw_best is None else min(raw_best, seconds)
    mib = SIZE / (1 << 20)
    print(f"download throughput, {mib:.0f} MiB over loopback HTTP, best of {RUNS}:")
    print(f"  curl:                {mib / curl_best:8.1f} MiB/s ({curl_best:.2f} s)")
    print(f"  setup's stage (Wine):{mib / stage_best:8.1f} MiB/s ({stage_best:.2f} s)")
    print(f"  plain WinHTTP (Wine):{mib / raw_best:8.1f} MiB/s ({raw_best:.2f} s)")
    print(f"  ratio stage / curl:  {curl_best / stage_best:8.2f}  (target >= 0.9)")
    print(f"  ratio stage / plain WinHTTP: {raw_best / stage_best:.2f}")


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/mingw")
    host = cache_value(build, "VORNE_DOWNLOAD_HOST:STRING", "download.vorne-sandbox.example")
    prefix = os.path.join(build, "wine-netns-prefix")
    scratch = tempfile.mkdtemp(prefix="vorne-bench-")
    body = os.path.join(scratch, "installer.bin")
    make_file(body)
    try:
        with download_host.Namespace(host, name=f"vornebench{os.getpid()}") as namespace:
            namespace.start_server()
            env = download_host.prepare_prefix(namespace, prefix)
            try:
                throughput(build, host, namespace, env, body, scratch)
            finally:
                download_host.shut_prefix(prefix)
    finally:
        subprocess.run(["rm", "-rf", scratch])
    # It needs the window tests' toolkit (tests/e2e/gui.py) and makes its own namespace.
    if os.path.exists(os.path.join(HERE, "..", "tests", "e2e", "gui.py")):
        subprocess.run([sys.executable, os.path.join(HERE, "cancel_latency.py"), build],
                       check=False)


if __name__ == "__main__":
    main()
