"""make gallery: every screen in every UI language, one contact sheet per screen.

The real exe runs under Wine on a virtual display once per LANGID, its language chosen through
LC_ALL, its download held mid-way by the local download host, and is then moved to the Starting
screen and the three failure screens by posting the worker's messages. Each screen is captured;
ImageMagick's montage lays the captures of one screen out on one sheet, labelled with the LANGID
and the locale, in out/gallery/<screen>.png. A translator or a release engineer reviews a whole
table at a glance.

The script also looks for text where none belongs (past the close box, past the content column,
under the buttons) and prints what it finds per language; it exits non-zero when a capture shows
the wrong language (the window title names the table that was loaded).

  tools/gallery.py [--out DIR] [--dpi N] [--only LANGID[,LANGID...]]

Needs root (the download host lives in a network namespace of its own) and the MinGW build
(VORNE_BUILD_DIR, default build/mingw).
"""
import argparse
import os
import shutil
import subprocess
import sys
from pathlib import Path

import gallery_screens as screens
from gallery_screens import near

sys.path.insert(0, str(screens.REPO / 'tests' / 'e2e'))

import download_host  # noqa: E402
import gui  # noqa: E402

# The 35 LANGIDs and the LC_ALL that makes Wine prefer each. Neutral LANGIDs take their main
# country's locale. Two cannot be asked for under Wine and are shown through a locale whose LANGID
# shares their table: 0x0004 (Chinese, Simplified, neutral) through zh_CN (0x0804), and 0x081A
# (Serbian, Latin, Serbia and Montenegro (former)), which Wine has no locale name for, through
# sr_RS@latin (0x241A).
LANGUAGES = [
    (0x0002, 'bg_BG'), (0x0004, 'zh_CN'), (0x0005, 'cs_CZ'), (0x0006, 'da_DK'),
    (0x0007, 'de_DE'), (0x0008, 'el_GR'), (0x000A, 'es_ES'), (0x000B, 'fi_FI'),
    (0x000C, 'fr_FR'), (0x000E, 'hu_HU'), (0x0010, 'it_IT'), (0x0013, 'nl_NL'),
    (0x0018, 'ro_RO'), (0x001B, 'sk_SK'), (0x001D, 'sv_SE'), (0x0024, 'sl_SI'),
    (0x0025, 'et_EE'), (0x0026, 'lv_LV'), (0x0027, 'lt_LT'), (0x0404, 'zh_TW'),
    (0x0409, 'en_US'), (0x0414, 'nb_NO'), (0x0415, 'pl_PL'), (0x0419, 'ru_RU'),
    (0x041A, 'hr_HR'), (0x0422, 'uk_UA'), (0x0804, 'zh_CN'), (0x0816, 'pt_PT'),
    (0x081A, 'sr_RS@latin'), (0x0C04, 'zh_HK'), (0x1004, 'zh_SG'), (0x101A, 'hr_BA'),
    (0x1404, 'zh_MO'), (0x241A, 'sr_RS@latin'), (0x2C1A, 'sr_ME@latin'),
]

# The labels' font (fonts-roboto-unhinted, installed by tools/install-deps.sh).
LABEL_FONT = '/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf'

SCREENS = [
    ('downloading', 'Downloading, 3.0 of 10.0 MB'),
    ('starting', 'Starting the installer'),
    ('failed-download', 'Download failed'),
    ('failed-damaged', 'File damaged'),
    ('failed-launch', 'Launch failed, error 0x80004005'),
]


def text_outside(shot):
    """Where text shows beyond its room: a list of short descriptions, empty when all is well."""
    found = []
    light = (screens.TEXT, screens.TEXT_MUTED, screens.ERROR)

    def inked(box):
        return sum(shot.count(colour, box, 70) for colour in light)

    # The title runs under the close box only when it is longer than its room.
    if inked((355, 6, 372, 27)) > 3:
        found.append('title reaches the close box')
    # Nothing is drawn right of the content column below the title band.
    if inked((393, 100, 418, 190)) > 3:
        found.append('text right of the content column')
    # The failure texts must end above the buttons (the buttons cover what runs under them).
    if inked((28, 182, 200, 191)) > 3:
        found.append('failure text reaches the buttons')
    return found


def capture_language(display, env, host, langid, locale, table, out, dpi):
    """Runs the exe in one language and captures its five screens; returns the problems seen."""
    problems = []
    name, _, modifier = locale.partition('@')
    env = dict(env, LC_ALL=f'{name}.UTF-8' + (f'@{modifier}' if modifier else ''))
    # The pointer off the window, so that no button is lit in the captures.
    gui._xdotool(display, 'mousemove', 0, 0)
    with screens.Setup(display, env, host, table[101], dpi) as setup:
        shots = {}
        shots['downloading'] = setup.wait_for(screens.downloading_ready,
                                              what=f'{langid:#06x} downloading')
        setup.post(screens.WM_SETUP_STARTING)
        shots['starting'] = setup.wait_for(screens.starting_ready, what=f'{langid:#06x} starting')
        previous = None
        for screen, kind, code in (('failed-download', screens.DOWNLOAD_FAILED, 12029),
                                   ('failed-damaged', screens.FILE_DAMAGED, 0x80096010),
                                   ('failed-launch', screens.LAUNCH_FAILED, 0x80004005)):
            setup.post(screens.WM_SETUP_FAILED, kind, code)
            # The three failure screens differ only in their texts: wait for the new ones.
            previous = shots[screen] = setup.wait_for(
                lambda s, before=previous: screens.failed_ready(s) and
                (before is None or s.pixels() != before.pixels()),
                what=f'{langid:#06x} {screen}')
        for name, shot in shots.items():
            target = out / 'tiles' / name / f'{langid:04X}.png'
            target.parent.mkdir(parents=True, exist_ok=True)
            shutil.copy(shot.path, target)
            problems += [f'{name}: {p}' for p in text_outside(shot)]
        # Leaving by Cancel would wait for the stalled transfer to time out: the Setup ends the
        # program instead.
    return problems


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--out', default=str(screens.REPO / 'out' / 'gallery'))
    parser.add_argument('--dpi', type=int, default=96)
    parser.add_argument('--only', default='')
    args = parser.parse_args()
    if os.geteuid() != 0:
        sys.exit('gallery: needs root for the download host\'s network namespace')
    out = Path(args.out)
    shutil.rmtree(out, ignore_errors=True)
    wanted = {int(v, 16) for v in args.only.split(',') if v}
    tables = screens.string_tables()
    by_langid = {langid: table for table in tables.values() for langid in table['langids']}
    languages = [(l, c) for l, c in LANGUAGES if not wanted or l in wanted]

    host_name = gui.cmake_cache_value('VORNE_DOWNLOAD_HOST') or 'download.vorne-sandbox.example'
    report = {}
    with gui.Display() as display:
        env = gui.wine_env(display.name)
        gui.prepare_prefix(env, dpi=args.dpi)
        with download_host.Namespace(host_name, name=f'vornegallery{os.getpid()}') as host:
            host.start_server()
            for langid, locale in languages:
                print(f'{langid:#06x} {locale} ...', flush=True)
                try:
                    report[langid] = capture_language(display.name, env, host, langid, locale,
                                                      by_langid[langid], out, args.dpi)
                except (TimeoutError, RuntimeError) as error:
                    report[langid] = [f'not captured: {str(error).splitlines()[0]}']
                    print(f'  {report[langid][0]}', flush=True)

    for name, caption in SCREENS:
        tiles = []
        for langid, locale in languages:
            tile = out / 'tiles' / name / f'{langid:04X}.png'
            if tile.exists():
                tiles += ['-label', f'{langid:#06x} {locale}', str(tile)]
        if tiles:
            subprocess.run(['montage'] + tiles + [
                '-tile', '5x', '-geometry', '+6+6', '-background', '#202020', '-fill', 'white',
                '-font', LABEL_FONT, '-pointsize', '13', '-title', caption, out / f'{name}.png'], check=True)
    print('\ncontact sheets:', ', '.join(str(out / f'{name}.png') for name, _ in SCREENS))
    failed = False
    for langid, locale in languages:
        problems = report.get(langid, ['not run'])
        print(f'{langid:#06x} {locale:12} ' + ('; '.join(problems) if problems else 'ok'))
        failed |= any(p.startswith('not captured') for p in problems)
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
