"""Painting figures under Wine on a virtual display (figures, not tests; `make bench` runs this).

1. paint_bench.exe: the time of one Paint of each screen, median of many.
2. paint_count.exe: the real program downloading 512 MiB at full speed from the local download
   host (in a network namespace of its own; needs root): paints against progress messages handled
   and chunks written.

  bench/paint_bench.py [MinGW build dir]
"""
import os
import sys
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / 'tests' / 'e2e'))

import download_host  # noqa: E402
import gui  # noqa: E402

SIZE = 512 * 1048576
CHUNK = 65536


def main():
    if len(sys.argv) > 1:
        os.environ['VORNE_BUILD_DIR'] = str(Path(sys.argv[1]).resolve())
    build = gui.build_dir()
    with gui.Display() as display:
        env = gui.wine_env(display.name, {'LC_ALL': 'en_US.UTF-8'})
        gui.prepare_prefix(env, dpi=96)
        status, output = gui.run_console(env, build / 'bench' / 'paint_bench.exe', ['500'],
                                         timeout=600)
        print(output.strip())

        if os.geteuid() != 0:
            print('paint count: skipped (needs root for the network namespace)')
            return status
        host_name = gui.cmake_cache_value('VORNE_DOWNLOAD_HOST') or \
            'download.vorne-sandbox.example'
        with download_host.Namespace(host_name, name=f'vornepaint{os.getpid()}') as host:
            host.start_server()
            host.route({'body_size': SIZE})
            start = time.monotonic()
            with gui.Run(env, namespace=host,
                         program=build / 'bench' / 'paint_count.exe') as run:
                code = run.exit_code(timeout=900)
                elapsed = time.monotonic() - start
                print(run.output().strip())
        print(f'paint count: {SIZE // CHUNK} chunks of {CHUNK} bytes written, '
              f'{elapsed:.1f} s for the whole run')
        return status or code


if __name__ == '__main__':
    sys.exit(main())
