"""Cancel latency of the real setup under Wine: from Esc on the download screen to the end of the
process, while the download host trickles the installer. Prints each run and the worst.

  python3 bench/cancel_latency.py <MinGW build dir>     (root: a network namespace of its own)
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
if len(sys.argv) > 1:
    os.environ["VORNE_BUILD_DIR"] = os.path.abspath(sys.argv[1])
sys.path.insert(0, str(REPO / "tests" / "e2e"))

import download_host  # noqa: E402
import gui  # noqa: E402
from conftest import build_dir, cache_value  # noqa: E402
from install_run import Install, clear_staging, prepare_wine, staging_dirs, wait_for  # noqa: E402

RUNS = 5


def main():
    host_name = cache_value("VORNE_DOWNLOAD_HOST", "download.vorne-sandbox.example")
    signer = cache_value("VORNE_EXPECTED_SIGNER", "VORNE Sandbox Test Signing")
    scratch = Path(tempfile.mkdtemp(prefix="vorne-latency-"))
    try:
        subprocess.run([str(REPO / "tools" / "test-signing.sh"), str(scratch), signer,
                        str(build_dir() / "tests" / "e2e" / "test_installer.exe")], check=True)
        with download_host.Namespace(host_name, name=f"vornelat{os.getpid()}") as host, \
                gui.Display(1280, 800) as display:
            host.start_server()
            env = prepare_wine(display, scratch / "ca.der")
            host.route({"body_file": str(scratch / "signed.exe"), "trickle_ms": 100,
                        "trickle_bytes": 512})
            latencies = []
            for i in range(RUNS):
                clear_staging(env)
                with Install(env, host, display, scratch / "record.txt") as run:
                    run.find_window()
                    started = wait_for(lambda: [f for d in staging_dirs(env) for f in d.iterdir()
                                                if f.stat().st_size > 0], timeout=60)
                    if not started:
                        raise RuntimeError("the download never started")
                    begin = time.monotonic()
                    run.key("Escape")
                    code = run.exit_code(timeout=60)
                    latencies.append(time.monotonic() - begin)
                    print(f"  run {i + 1}: exit code {code}, {latencies[-1] * 1000:.0f} ms")
            print(f"cancel latency, Esc to process exit while trickling ({RUNS} runs): "
                  f"median {statistics.median(latencies) * 1000:.0f} ms, "
                  f"worst {max(latencies) * 1000:.0f} ms (target < 1000 ms)")
    finally:
        subprocess.run(["rm", "-rf", str(scratch)])


if __name__ == "__main__":
    main()
