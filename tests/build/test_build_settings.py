"""The trust settings and the release guard of cmake/build_settings.cmake: which values configure,
which are refused and with what message, and what reaches the generated build_settings.h.

Most cases run the module in CMake's script mode (a fraction of a second each); a few configure a
small project that includes it, as pipeline/CMakeLists.txt does, to see the cache and the header.
"""
import subprocess
from pathlib import Path

import pytest

REPO = Path(__file__).resolve().parents[2]
MODULE = REPO / 'cmake' / 'build_settings.cmake'
PIN_COMMAND = 'openssl pkey -in KEY -pubout -outform DER | openssl dgst -sha256 -binary | base64'

# The pins of the two test keys (tests/e2e/test-keys/), as tools/test-key-pins.sh prints them.
PIN_A = 'zi3ZFq2V8xcWiEHdXzlcT3vYbkr62p7kDIrjSnLfIwA='
PIN_B = 'eBRgsKTP7/Ig1DAhkUcdWprtn0Kmn6Qop8fI+QEMxV8='
# A digest whose last digit is '8' and one with '+' and '/' inside: both valid.
PIN_C = '47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuF8='

RELEASE = {'VORNE_RELEASE': 'ON', 'VORNE_DOWNLOAD_HOST': 'download.vorne-sandbox.com',
           'VORNE_EXPECTED_SIGNER': 'VORNE Sandbox GmbH', 'VORNE_SIGNER_KEY_PINS': PIN_A}


def flat(text):
    """CMake wraps its messages: compare with all runs of white space made one blank."""
    return ' '.join(text.split())


def run_script(settings, script=MODULE):
    args = ['cmake'] + [f'-D{name}={value}' for name, value in settings.items()]
    result = subprocess.run(args + ['-P', str(script)], capture_output=True, text=True,
                            timeout=60)
    return result.returncode, flat(result.stdout), flat(result.stderr)


def test_the_test_key_script_prints_the_pins_used_here():
    printed = subprocess.run([str(REPO / 'tools' / 'test-key-pins.sh')], capture_output=True,
                             text=True, check=True).stdout.strip()
    assert printed == f'{PIN_A};{PIN_B}'


@pytest.mark.parametrize('pins, keys', [
    ('', 'with any key'),
    (PIN_A, 'with the one pinned key'),
    (f'{PIN_A};{PIN_B}', 'with one of 2 pinned keys'),
    (f'{PIN_B};{PIN_C};{PIN_A}', 'with one of 3 pinned keys'),
])
def test_good_pins_configure_a_development_build_that_says_so(pins, keys):
    code, out, err = run_script({'VORNE_SIGNER_KEY_PINS': pins})
    assert code == 0, err
    assert ("VorneSandboxSetup: development build — downloads from "
            "download.vorne-sandbox.example, accepts installers signed by "
            f"'VORNE Sandbox Test Signing' {keys}; not for release (set -DVORNE_RELEASE=ON)"
            in out)


def test_an_empty_signer_is_described_as_any_trusted_signer():
    code, out, err = run_script({'VORNE_EXPECTED_SIGNER': ''})
    assert code == 0, err
    assert 'accepts installers signed by any trusted signer with any key' in out


@pytest.mark.parametrize('pins, bad, problem', [
    ('abc', 'abc', '3 characters instead of 44'),
    (PIN_A[:-1], PIN_A[:-1], '43 characters instead of 44'),
    (PIN_A + '=', PIN_A + '=', '45 characters instead of 44'),
    (' ' + PIN_A, ' ' + PIN_A, '45 characters instead of 44'),
    # A comma is not a separator: the whole text is one entry.
    (f'{PIN_A},{PIN_B}', f'{PIN_A},{PIN_B}', '89 characters instead of 44'),
    # base64url digits, and 44 digits with no closing '='.
    (PIN_A.replace('IwA', '-wA'), PIN_A.replace('IwA', '-wA'), 'not base64'),
    (PIN_B.replace('+', '_'), PIN_B.replace('+', '_'), 'not base64'),
    (PIN_A[:-1] + 'A', PIN_A[:-1] + 'A', 'not base64'),
    # The 43rd digit carries two bits past the digest's 256.
    (PIN_A[:-2] + 'B=', PIN_A[:-2] + 'B=', 'its 43rd character has bits set'),
    (PIN_B[:-2] + '9=', PIN_B[:-2] + '9=', 'its 43rd character has bits set'),
    (PIN_A[:-2] + '/=', PIN_A[:-2] + '/=', 'its 43rd character has bits set'),
    (f'{PIN_A};', '', 'an empty entry'),
    (f';{PIN_A}', '', 'an empty entry'),
    (f'{PIN_A};;{PIN_B}', '', 'an empty entry'),
    (f'{PIN_A};{PIN_B};{PIN_A}', PIN_A, 'given twice'),
    # The second entry is checked as well as the first.
    (f'{PIN_A};{PIN_B[:-2]}', PIN_B[:-2], '42 characters instead of 44'),
])
def test_a_malformed_pin_is_refused_naming_it_and_showing_the_openssl_line(pins, bad, problem):
    code, out, err = run_script({'VORNE_SIGNER_KEY_PINS': pins})
    assert code != 0
    assert flat(f"VORNE_SIGNER_KEY_PINS: the entry '{bad}' is not a key pin: {problem}") in err
    assert PIN_COMMAND in err
    assert 'development build' not in out


REFUSALS = {
    'host': "VORNE_DOWNLOAD_HOST is '{}', under the reserved .example domain",
    'test signer': "VORNE_EXPECTED_SIGNER is 'VORNE Sandbox Test Signing', the test signing name",
    'no signer': 'VORNE_EXPECTED_SIGNER is empty, which accepts any trusted signer',
    'no pins': 'VORNE_SIGNER_KEY_PINS is empty, which accepts any key',
}


@pytest.mark.parametrize('changes, refusals', [
    ({'VORNE_DOWNLOAD_HOST': 'download.vorne-sandbox.example'}, ['host']),
    ({'VORNE_DOWNLOAD_HOST': 'Download.Vorne-Sandbox.EXAMPLE'}, ['host']),
    ({'VORNE_DOWNLOAD_HOST': 'example'}, ['host']),
    ({'VORNE_EXPECTED_SIGNER': 'VORNE Sandbox Test Signing'}, ['test signer']),
    ({'VORNE_EXPECTED_SIGNER': ''}, ['no signer']),
    ({'VORNE_SIGNER_KEY_PINS': ''}, ['no pins']),
    # The defaults with only the guard switched on: every test value is named at once.
    ({'VORNE_DOWNLOAD_HOST': 'download.vorne-sandbox.example',
      'VORNE_EXPECTED_SIGNER': 'VORNE Sandbox Test Signing', 'VORNE_SIGNER_KEY_PINS': ''},
     ['host', 'test signer', 'no pins']),
])
def test_a_release_build_refuses_test_values(changes, refusals):
    settings = RELEASE | changes
    code, out, err = run_script(settings)
    assert code != 0
    assert 'VORNE_RELEASE=ON refuses these build settings' in err
    for name, text in REFUSALS.items():
        text = text.format(settings['VORNE_DOWNLOAD_HOST'])
        assert (text in err) == (name in refusals), name
    if 'no pins' in refusals:
        assert PIN_COMMAND in err
    assert 'release build —' not in out


def test_a_release_build_refuses_a_malformed_pin_too():
    code, _, err = run_script(RELEASE | {'VORNE_SIGNER_KEY_PINS': f'{PIN_A};'})
    assert code != 0
    assert 'an empty entry' in err


@pytest.mark.parametrize('changes, keys', [
    ({}, 'with the one pinned key'),
    ({'VORNE_SIGNER_KEY_PINS': f'{PIN_A};{PIN_B}'}, 'with one of 2 pinned keys'),
    # Names that only contain "example" are not under the reserved domain.
    ({'VORNE_DOWNLOAD_HOST': 'example.com'}, 'with the one pinned key'),
    ({'VORNE_DOWNLOAD_HOST': 'dl.example.vorne-sandbox.com'}, 'with the one pinned key'),
    ({'VORNE_DOWNLOAD_HOST': 'dl.notexample'}, 'with the one pinned key'),
    ({'VORNE_EXPECTED_SIGNER': 'VORNE Sandbox Test Signing Ltd'}, 'with the one pinned key'),
])
def test_a_release_build_with_the_vendors_values_configures(changes, keys):
    settings = RELEASE | changes
    code, out, err = run_script(settings)
    assert code == 0, err
    host, signer = settings['VORNE_DOWNLOAD_HOST'], settings['VORNE_EXPECTED_SIGNER']
    assert (f"VorneSandboxSetup: release build — downloads from {host}, accepts installers "
            f"signed by '{signer}' {keys}" in out)
    assert 'development build' not in out


@pytest.mark.parametrize('changes, message', [
    ({'VORNE_DOWNLOAD_HOST': 'https://download.vorne-sandbox.com'}, 'must be a plain host name'),
    ({'VORNE_DOWNLOAD_HOST': ''}, 'must be a plain host name'),
    ({'VORNE_EXPECTED_SIGNER': 'VORNE "Sandbox"'}, 'must not contain quotes or backslashes'),
])
def test_values_that_cannot_be_compiled_in_are_refused_in_any_build(changes, message):
    for release in ('OFF', 'ON'):
        code, _, err = run_script(RELEASE | {'VORNE_RELEASE': release} | changes)
        assert code != 0
        assert message in err


def configure_probe(tmp_path, settings):
    """Configures a project that includes the module and writes the header from the real template,
    as pipeline/CMakeLists.txt does; returns (exit code, stderr, header text or None)."""
    source = tmp_path / 'source'
    source.mkdir()
    (source / 'CMakeLists.txt').write_text(
        'cmake_minimum_required(VERSION 3.25)\n'
        'project(probe NONE)\n'
        f'include({MODULE.as_posix()})\n'
        f'configure_file({(REPO / "pipeline" / "build_settings.h.in").as_posix()} '
        'build_settings.h @ONLY)\n')
    build = tmp_path / 'build'
    args = ['cmake', '-S', str(source), '-B', str(build)]
    args += [f'-D{name}={value}' for name, value in settings.items()]
    result = subprocess.run(args, capture_output=True, text=True, timeout=120)
    header = build / 'build_settings.h'
    return (result.returncode, flat(result.stdout), flat(result.stderr),
            header.read_text() if header.exists() else None)


def test_the_header_holds_the_pins_joined_from_a_command_line_list(tmp_path):
    # Given as -DVORNE_SIGNER_KEY_PINS=a;b, the value reaches CMake as a list of two.
    pins = {'VORNE_SIGNER_KEY_PINS': f'{PIN_A};{PIN_B}'}
    code, out, err, header = configure_probe(tmp_path, pins)
    assert code == 0, err
    assert 'development build' in out and 'with one of 2 pinned keys' in out
    lines = header.splitlines()
    assert f'inline constexpr char kSignerKeyPins[] = "{PIN_A};{PIN_B}";' in lines
    assert 'inline constexpr char16_t kDownloadHost[] = u"download.vorne-sandbox.example";' in lines
    assert 'inline constexpr char16_t kExpectedSigner[] = u"VORNE Sandbox Test Signing";' in lines


def test_without_settings_the_header_pins_nothing(tmp_path):
    code, out, err, header = configure_probe(tmp_path, {})
    assert code == 0, err
    assert 'development build' in out and 'with any key' in out
    assert 'inline constexpr char kSignerKeyPins[] = "";' in header.splitlines()


def test_a_release_configure_is_refused_and_writes_no_header(tmp_path):
    code, _, err, header = configure_probe(tmp_path, {'VORNE_RELEASE': 'ON'})
    assert code != 0
    assert 'VORNE_RELEASE=ON refuses these build settings' in err
    assert header is None


def test_a_release_configure_with_the_vendors_values_writes_them(tmp_path):
    code, out, err, header = configure_probe(tmp_path, RELEASE)
    assert code == 0, err
    assert 'release build —' in out
    lines = header.splitlines()
    assert f'inline constexpr char kSignerKeyPins[] = "{PIN_A}";' in lines
    assert 'inline constexpr char16_t kDownloadHost[] = u"download.vorne-sandbox.com";' in lines
    assert 'inline constexpr char16_t kExpectedSigner[] = u"VORNE Sandbox GmbH";' in lines
