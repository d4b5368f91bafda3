"""The exe is reproducible: a second clean build with this tree's settings, in another directory,
gives the same bytes; and SOURCE_DATE_EPOCH sets the PE time stamp and nothing else.

The second tree is ${build}/repro, configured afresh on every run; only the VorneSandboxSetup
target is built there. The first tree's exe must be up to date (make test-windows builds it).
"""
import os
import shutil
import subprocess
from pathlib import Path

import pefile
import pytest

REPO = Path(__file__).resolve().parents[2]
# What decides the exe's bytes besides the sources.
SETTINGS = ('CMAKE_TOOLCHAIN_FILE', 'CMAKE_BUILD_TYPE', 'VORNE_DOWNLOAD_HOST',
            'VORNE_EXPECTED_SIGNER', 'VORNE_SIGNER_KEY_PINS', 'VORNE_RELEASE')
EPOCH = 1234567890


def first_tree():
    return Path(os.environ.get('VORNE_BUILD_DIR', REPO / 'build' / 'mingw')).resolve()


def first_exe():
    return Path(os.environ.get('VORNE_EXE', first_tree() / 'VorneSandboxSetup.exe')).resolve()


def cache_values(tree):
    values = {}
    for line in (tree / 'CMakeCache.txt').read_text().splitlines():
        if line and not line.startswith(('#', '//')) and '=' in line:
            key, value = line.split('=', 1)
            values[key.split(':', 1)[0]] = value
    return values


def run(args, env=None):
    result = subprocess.run([str(a) for a in args], capture_output=True, text=True, env=env,
                            timeout=800)
    if result.returncode != 0:
        pytest.fail(f'{" ".join(map(str, args))} failed:\n{result.stdout[-3000:]}\n'
                    f'{result.stderr[-3000:]}')
    return result


def link(tree, exe, epoch=None):
    """Builds the exe target in tree, linking it afresh, with SOURCE_DATE_EPOCH as given (None:
    as this test's environment has it); returns the exe's bytes."""
    env = dict(os.environ)
    if epoch is not None:
        env['SOURCE_DATE_EPOCH'] = str(epoch)
    exe.unlink(missing_ok=True)
    run(['cmake', '--build', tree, '--target', 'VorneSandboxSetup', '-j', '2'], env=env)
    return exe.read_bytes()


@pytest.fixture(scope='module')
def second():
    """(tree, exe) of the second, clean tree, configured with the first tree's settings."""
    first = first_tree()
    cache = cache_values(first)
    tree = first / 'repro'
    shutil.rmtree(tree, ignore_errors=True)
    settings = [f'-D{name}={cache[name]}' for name in SETTINGS if name in cache]
    assert any(s.startswith('-DCMAKE_TOOLCHAIN_FILE=') for s in settings), 'not the MinGW tree'
    run(['cmake', '-S', cache['CMAKE_HOME_DIRECTORY'], '-B', tree, *settings])
    return tree, tree / first_exe().relative_to(first)


def time_stamp_offset(image):
    pe = pefile.PE(data=image, fast_load=True)
    return pe.FILE_HEADER.get_field_absolute_offset('TimeDateStamp')


def describe(image, offset):
    """Where a file offset lies in the PE image, for the failure message."""
    pe = pefile.PE(data=image, fast_load=True)
    stamp = time_stamp_offset(image)
    if stamp <= offset < stamp + 4:
        return "the PE header's TimeDateStamp"
    if offset < pe.OPTIONAL_HEADER.SizeOfHeaders:
        return 'the headers'
    for section in pe.sections:
        start = section.PointerToRawData
        if start <= offset < start + section.SizeOfRawData:
            name = section.Name.rstrip(b'\0').decode(errors='replace')
            return f'section {name}, RVA 0x{section.VirtualAddress + offset - start:x}'
    return 'past the sections'


def first_difference(a, b):
    for offset, (x, y) in enumerate(zip(a, b)):
        if x != y:
            return offset
    return None if len(a) == len(b) else min(len(a), len(b))


def assert_same(first, second, what):
    offset = first_difference(first, second)
    if offset is not None:
        pytest.fail(f'{what}: {len(first)} and {len(second)} bytes, first difference at file '
                    f'offset 0x{offset:x} ({describe(first, offset)}): '
                    f'{first[offset:offset + 8].hex()} vs {second[offset:offset + 8].hex()}')


def test_a_second_clean_build_in_another_directory_gives_the_same_bytes(second):
    tree, exe = second
    assert_same(first_exe().read_bytes(), link(tree, exe), f'{first_exe()} and {exe}')


def test_source_date_epoch_sets_the_time_stamp_and_nothing_else(second):
    tree, exe = second
    first = first_exe().read_bytes()
    stamped = link(tree, exe, EPOCH)
    pe = pefile.PE(data=stamped, fast_load=True)
    assert pe.FILE_HEADER.TimeDateStamp == EPOCH
    assert pefile.PE(data=first, fast_load=True).FILE_HEADER.TimeDateStamp != EPOCH
    # With both stamps cleared the two images are the same.
    at = time_stamp_offset(stamped)
    assert_same(first[:at] + bytes(4) + first[at + 4:], stamped[:at] + bytes(4) + stamped[at + 4:],
                f'{first_exe()} and {exe} stamped {EPOCH}')
