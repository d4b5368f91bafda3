"""make demo: a whole install with the real setup under Wine, on a machine of its own making:
a virtual display, a download host in a network namespace, a signed stand-in installer, the test
CAs trusted inside one Wine prefix. Prints the setup's full exit code and saves screenshots under
out/demo/. Everything it starts is stopped and removed at the end.

  python3 tools/demo.py <MinGW build dir>     (root: network namespaces)
"""
import os
import shutil
import subprocess
import sys
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
os.environ["VORNE_BUILD_DIR"] = os.path.abspath(sys.argv[1] if len(sys.argv) > 1
                                                else REPO / "build" / "mingw")
sys.path.insert(0, str(REPO / "tests" / "e2e"))

import download_host  # noqa: E402
import gui  # noqa: E402
from conftest import build_dir, cache_value  # noqa: E402
from install_run import Install, clear_staging, prepare_wine, staging_dirs, wait_for  # noqa: E402

ARGUMENTS = ["/exit=3010", "/sleep=2000", "/quiet"]


def main():
    if os.geteuid() != 0:
        print("make demo needs root: the download host runs in a network namespace of its own.")
        return 1
    out = REPO / "out" / "demo"
    shutil.rmtree(out, ignore_errors=True)
    (out / "signing").mkdir(parents=True)
    host_name = cache_value("VORNE_DOWNLOAD_HOST", "download.vorne-sandbox.example")
    signer = cache_value("VORNE_EXPECTED_SIGNER", "VORNE Sandbox Test Signing")
    print(f"demo: signing a stand-in installer as {signer!r} with a fresh test CA and the "
          "committed test key")
    subprocess.run([str(REPO / "tools" / "test-signing.sh"), str(out / "signing"), signer,
                    str(build_dir() / "tests" / "e2e" / "test_installer.exe")], check=True)

    with download_host.Namespace(host_name, name=f"vornedemo{os.getpid()}") as host, \
            gui.Display(1280, 800) as display:
        host.start_server()
        print(f"demo: {host_name} is 127.0.0.1 in network namespace {host.name} "
              f"(HTTPS on 443 with a self-signed certificate)")
        env = prepare_wine(display, [out / "signing" / "ca.der", out / "signing" / "ca2.der"],
                           prefix=build_dir() / "wine-demo-prefix")
        clear_staging(env)
        # A trickle, so that the progress can be seen.
        host.route({"body_file": str(out / "signing" / "signed.exe"), "trickle_ms": 100,
                    "trickle_bytes": 24 * 1024})
        print("demo: running VorneSandboxSetup.exe " + " ".join(ARGUMENTS))
        with Install(env, host, display, out / "installer-record.txt", ARGUMENTS) as run:
            run.find_window()
            time.sleep(1.0)
            gui.screenshot(display.name, out / "1-downloading.png")
            directories = wait_for(lambda: staging_dirs(env), timeout=30)
            wait_for(lambda: run.record.exists() or not staging_dirs(env), timeout=60)
            gui.screenshot(display.name, out / "2-installer-running.png")
            code = run.exit_code(timeout=120)
            gui.screenshot(display.name, out / "3-after.png")
            record = run.recorded()
        print(f"demo: the setup ended with exit code {code} (0x{code:08X})")
        if record:
            print(f"demo: the installer ran as   {record['command_line']}")
            print(f"demo: in                     {record['current_directory']}")
            print(f"demo: its own file held:     DELETE open failed with "
                  f"{record['delete_probe']} (32 = sharing violation)")
        if directories:
            print(f"demo: staging directory {directories[0].name} removed: "
                  f"{not directories[0].exists()}")
        print(f"demo: requests served: {[(e['port'], e['request'].split()[1]) for e in host.log()]}")
        print(f"demo: screenshots in {out}")
        gui.stop_wineserver(env)
    return 0 if code == 3010 else 1


if __name__ == "__main__":
    sys.exit(main())
