"""tools/make_strings_rc.py refuses a faulty string table, naming the file, the string id (or the
LANGID) and the rule it breaks, and then writes nothing.

Every case starts from a copy of the real tables in resources/strings, which must pass as they
are, and makes one change to one file: the fixture is that one changed table.
"""
import re
import shutil
import subprocess
from pathlib import Path

import pytest

REPO = Path(__file__).resolve().parents[2]
TOOL = REPO / 'tools' / 'make_strings_rc.py'
TABLES = REPO / 'resources' / 'strings'


def run(strings, output):
    result = subprocess.run(['/usr/bin/python3', str(TOOL), str(strings), str(output)],
                            capture_output=True, text=True, timeout=60)
    return result.returncode, result.stderr


@pytest.fixture
def strings(tmp_path):
    copy = tmp_path / 'strings'
    shutil.copytree(TABLES, copy)
    return copy


def lines_of(path):
    return path.read_text(encoding='utf-8').split('\n')


def write_lines(path, lines):
    path.write_bytes('\n'.join(lines).encode('utf-8'))


def line_number(path, string_id):
    """The 1-based line that holds `string_id` in the table file."""
    for number, line in enumerate(lines_of(path), start=1):
        if re.fullmatch(r'%d(?: .*)?' % string_id, line):
            return number
    raise KeyError(string_id)


def set_text(path, string_id, text):
    lines = lines_of(path)
    lines[line_number(path, string_id) - 1] = ('%d %s' % (string_id, text)).rstrip(' ')
    write_lines(path, lines)


def drop(path, string_id):
    lines = lines_of(path)
    del lines[line_number(path, string_id) - 1]
    write_lines(path, lines)


def set_langids(path, langids):
    lines = [('langids ' + langids) if line.startswith('langids') else line
             for line in lines_of(path)]
    write_lines(path, lines)


def langids_line(path):
    return next(n for n, line in enumerate(lines_of(path), start=1) if line.startswith('langids'))


def test_the_real_tables_pass_and_give_every_language(strings, tmp_path):
    output = tmp_path / 'strings.rc'
    code, err = run(strings, output)
    assert code == 0, err
    script = output.read_text(encoding='utf-8')
    assert script.count('STRINGTABLE') == 35
    assert 'LANGUAGE 0x07, 0x00' in script and 'LANGUAGE 0x04, 0x03' in script


# (what the case shows, the file changed, the change, the string id or LANGID the message must
# name, the rule's words). A change is (kind, id, value): 'text' sets the string's text, 'drop'
# removes its line, 'langids' replaces the langids line. The message names the changed line, or
# only the file where the fault is a line that is not there.
CASES = [
    ('a lacking id', 'de.txt', ('drop', 107, None), '107', 'strings missing'),
    ('the last id lacking', 'zh-hans.txt', ('drop', 113, None), '113', 'strings missing'),
    ('an id without text', 'fr.txt', ('text', 108, ''), 'string 108', 'is empty'),
    ('a stray %1 in a plain string', 'de.txt', ('text', 103, 'Download von VORNE Sandbox %1…'),
     'string 103', 'must not contain %1: it would be shown literally'),
    ('a stray %2 in the error detail', 'de.txt',
     ('text', 110, 'Windows hat den Fehler %1 %2 gemeldet.'), 'string 110',
     'must not contain %2: it would be shown empty'),
    ('a missing %2 in the size figures', 'nl.txt', ('text', 104, '%1 van MB'), 'string 104',
     'must contain %2 exactly once (found 0 times)'),
    ('a repeated %1 in the size figures', 'it.txt', ('text', 104, '%1 di %1 %2 MB'),
     'string 104', 'must contain %1 exactly once (found 2 times)'),
    ('a missing %1 in the error detail', 'sv.txt', ('text', 110, 'Windows rapporterade ett fel.'),
     'string 110', 'must contain %1 exactly once (found 0 times)'),
    ('the product name lost', 'hr.txt', ('text', 106, 'Program nije moguće preuzeti.'),
     'string 106', 'must contain "VORNE Sandbox"'),
    ('the product name broken', 'de.txt', ('text', 101, 'Setup von VORNE-Sandbox'), 'string 101',
     'must contain "VORNE Sandbox"'),
    ('the product word lost in the heading', 'fi.txt', ('text', 102, 'Asennus'), 'string 102',
     'must contain "Sandbox"'),
    ('a status text with three full stops', 'de.txt',
     ('text', 105, 'Installationsprogramm wird gestartet...'), 'string 105',
     'must end with a single \u2026 (U+2026)'),
    ('a status text without an ellipsis', 'pl.txt', ('text', 103, 'Pobieranie VORNE Sandbox'),
     'string 103', 'must end with a single \u2026 (U+2026)'),
    ('a Chinese status text with U+2026', 'zh-hant.txt', ('text', 105, '正在啟動安裝程式\u2026'),
     'string 105', 'must end with "..." (three full stops) in a Chinese table'),
    ('a LANGID repeated next to itself', 'de.txt', ('langids', None, '0x0007 0x0007'), '0x0007',
     'duplicate LANGID'),
    ('a LANGID repeated further on', 'zh-hans.txt', ('langids', None, '0x0004 0x0804 0x0004'),
     '0x0004', 'duplicate LANGID'),
]


@pytest.mark.parametrize('what, name, change, names, rule', CASES,
                         ids=[case[0] for case in CASES])
def test_a_faulty_table_is_refused_with_file_id_and_rule(strings, tmp_path, what, name, change,
                                                         names, rule):
    path = strings / name
    kind, string_id, value = change
    if kind == 'text':
        set_text(path, string_id, value)
        where = '%s:%d: ' % (path, line_number(path, string_id))
    elif kind == 'drop':
        drop(path, string_id)
        where = '%s: ' % path
    else:
        set_langids(path, value)
        where = '%s:%d: ' % (path, langids_line(path))
    output = tmp_path / 'strings.rc'
    code, err = run(strings, output)
    assert code == 1, what
    assert err.startswith('make_strings_rc: ' + where), err
    message = err[len('make_strings_rc: ' + where):]
    assert names in message and rule in message, err
    assert message.count('\n') == 1 and message.endswith('\n'), 'one fault, one line: ' + err
    assert not output.exists()


@pytest.mark.parametrize('what, name, langids, repeated, owner', [
    ('a LANGID also given by another file', 'nl.txt', '0x0007 0x0013', '0x0007', 'de.txt'),
    ('a shared LANGID given twice', 'sr-latn.txt', '0x041A 0x081A 0x241A 0x2C1A', '0x041A',
     'hr.txt'),
])
def test_a_langid_given_by_two_files_is_refused(strings, tmp_path, what, name, langids, repeated,
                                                owner):
    set_langids(strings / name, langids)
    output = tmp_path / 'strings.rc'
    code, err = run(strings, output)
    assert code == 1, what
    # The files are read in name order: the later one is refused, naming the earlier.
    assert err == 'make_strings_rc: %s: LANGID %s is already given by %s\n' % (
        strings / name, repeated, strings / owner), err
    assert not output.exists()


@pytest.mark.parametrize('what, change, missing', [
    ('a LANGID dropped from a shared table', ('hr.txt', '0x041A'), '0x101A'),
    ('a whole table gone', ('de.txt', None), '0x0007'),
])
def test_a_missing_langid_is_refused(strings, tmp_path, what, change, missing):
    name, langids = change
    if langids is None:
        (strings / name).unlink()
    else:
        set_langids(strings / name, langids)
    output = tmp_path / 'strings.rc'
    code, err = run(strings, output)
    assert code == 1, what
    assert err == ('make_strings_rc: %s: the set of LANGIDs is wrong: missing %s\n'
                   % (strings, missing)), err
    assert not output.exists()


def test_a_refused_run_leaves_the_previous_script_alone(strings, tmp_path):
    output = tmp_path / 'out' / 'strings.rc'
    output.parent.mkdir()
    output.write_text('the script of the last good run\n', encoding='utf-8')
    drop(strings / 'de.txt', 112)
    code, err = run(strings, output)
    assert code == 1, err
    assert output.read_text(encoding='utf-8') == 'the script of the last good run\n'
    assert [p.name for p in output.parent.iterdir()] == ['strings.rc'], 'no temporary file left'
