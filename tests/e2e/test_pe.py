"""The built exe as Windows will load it: headers, hardening flags and relocations, import and
delay-import tables, manifest, version and icon resources, read with pefile."""
import re
import shutil
import struct
import subprocess

import pefile
import pytest

import gui

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
DELAY_LOADED = {'d2d1.dll', 'dwrite.dll', 'dwmapi.dll', 'winhttp.dll', 'wintrust.dll',
                'bcrypt.dll', 'oleacc.dll', 'ole32.dll', 'oleaut32.dll'}


@pytest.fixture(scope='module')
def pe():
    image = pefile.PE(str(gui.exe_path()))
    yield image
    image.close()


def resource(pe, kind, ident):
    """The bytes of resource (kind, ident), whatever its language; there must be exactly one."""
    found = []
    for entry in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if entry.id != kind:
            continue
        for name in entry.directory.entries:
            if name.id != ident:
                continue
            for language in name.directory.entries:
                data = language.data.struct
                found.append(pe.get_data(data.OffsetToData, data.Size))
    assert len(found) == 1, f'resource {kind}/{ident}: {len(found)} copies'
    return found[0]


def test_is_a_32_bit_gui_program(pe):
    assert pe.FILE_HEADER.Machine == pefile.MACHINE_TYPE['IMAGE_FILE_MACHINE_I386']
    assert pe.OPTIONAL_HEADER.Magic == pefile.OPTIONAL_HEADER_MAGIC_PE
    assert pe.OPTIONAL_HEADER.Subsystem == pefile.SUBSYSTEM_TYPE['IMAGE_SUBSYSTEM_WINDOWS_GUI']


# Set by tools/link-lld.sh. Asserted here so that a change of linker or of its defaults cannot drop
# one unnoticed.
HARDENING = ('DYNAMIC_BASE', 'NX_COMPAT', 'TERMINAL_SERVER_AWARE', 'NO_SEH')


def test_hardening_flags(pe):
    flags = pe.OPTIONAL_HEADER.DllCharacteristics
    missing = [name for name in HARDENING
               if not flags & pefile.DLL_CHARACTERISTICS[f'IMAGE_DLLCHARACTERISTICS_{name}']]
    assert not missing, f'DllCharacteristics 0x{flags:04x}'


def test_base_relocations_let_the_loader_move_the_image(pe):
    # DYNAMIC_BASE without relocations leaves the image at its preferred base.
    assert not (pe.FILE_HEADER.Characteristics &
                pefile.IMAGE_CHARACTERISTICS['IMAGE_FILE_RELOCS_STRIPPED'])
    directory = pe.OPTIONAL_HEADER.DATA_DIRECTORY[
        pefile.DIRECTORY_ENTRY['IMAGE_DIRECTORY_ENTRY_BASERELOC']]
    assert directory.VirtualAddress != 0 and directory.Size != 0
    highlow = pefile.RELOCATION_TYPE['IMAGE_REL_BASED_HIGHLOW']
    fixups = [entry.rva for block in pe.DIRECTORY_ENTRY_BASERELOC for entry in block.entries
              if entry.type == highlow]
    # The code takes absolute addresses (x86 has no PC-relative data access), so a good share of
    # the fix-ups lies in it, and each fixes up an address inside the image.
    code = [rva for rva in fixups if pe.get_section_by_rva(rva).Name.startswith(b'.text')]
    assert len(code) >= 100, len(code)
    base, size = pe.OPTIONAL_HEADER.ImageBase, pe.OPTIONAL_HEADER.SizeOfImage
    outside = [hex(rva) for rva in fixups if not base <= pe.get_dword_at_rva(rva) < base + size]
    assert not outside


def test_nothing_in_the_image_registers_a_frame_based_exception_handler(pe):
    """What NO_SEH promises: no SafeSEH table, and no code that reads or writes the thread's
    handler list at %fs:0 (on i386 a handler is registered by pushing a record there). Reading other
    fixed fields of the thread block (its self pointer at %fs:0x18) is fine."""
    if hasattr(pe, 'DIRECTORY_ENTRY_LOAD_CONFIG'):
        assert not getattr(pe.DIRECTORY_ENTRY_LOAD_CONFIG.struct, 'SEHandlerCount', 0)
    objdump = shutil.which('i686-w64-mingw32-objdump')
    assert objdump, 'i686-w64-mingw32-objdump (binutils-mingw-w64-i686) is needed'
    listing = subprocess.run([objdump, '-d', '--no-show-raw-insn', str(gui.exe_path())],
                             capture_output=True, text=True, check=True).stdout
    uses = [line.strip() for line in listing.splitlines() if '%fs:' in line]
    # AT&T order, the destination last: only a read from a fixed, non-zero offset into a register
    # may appear.
    read = re.compile(r'\smov[lw]?\s+%fs:0x([0-9a-f]+),%[a-z]+$')
    touching = [line for line in uses
                if not (match := read.search(line)) or int(match.group(1), 16) == 0]
    assert not touching


def test_binds_only_kernel_user_security_and_crt_at_load(pe):
    names = {entry.dll.decode().lower() for entry in pe.DIRECTORY_ENTRY_IMPORT}
    assert names == {'kernel32.dll', 'user32.dll', 'advapi32.dll', 'msvcrt.dll'}


def test_delay_import_directory_names_the_delay_loaded_system_dlls(pe):
    directory = pe.OPTIONAL_HEADER.DATA_DIRECTORY[
        pefile.DIRECTORY_ENTRY['IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT']]
    assert directory.VirtualAddress != 0 and directory.Size != 0
    tables = {entry.dll.decode().lower(): {i.name.decode() for i in entry.imports if i.name}
              for entry in pe.DIRECTORY_ENTRY_DELAY_IMPORT}
    assert set(tables) == DELAY_LOADED
    assert 'D2D1CreateFactory' in tables['d2d1.dll']
    assert 'DWriteCreateFactory' in tables['dwrite.dll']
    assert 'DwmSetWindowAttribute' in tables['dwmapi.dll']
    assert 'WinVerifyTrust' in tables['wintrust.dll']
    assert 'BCryptGenRandom' in tables['bcrypt.dll']
    assert 'WinHttpOpen' in tables['winhttp.dll']
    assert 'LresultFromObject' in tables['oleacc.dll']
    assert 'CoInitializeEx' in tables['ole32.dll']
    assert 'SysAllocStringLen' in tables['oleaut32.dll']
    # Bound on first call, so none of them may also be bound at load.
    loaded = {entry.dll.decode().lower() for entry in pe.DIRECTORY_ENTRY_IMPORT}
    assert not loaded & DELAY_LOADED


def test_manifest_asks_for_elevation_per_monitor_dpi_and_windows_10(pe):
    text = resource(pe, RT_MANIFEST, 1).decode('utf-8')
    assert 'level="requireAdministrator"' in text
    assert 'uiAccess="false"' in text
    assert '>PerMonitorV2</dpiAwareness>' in text
    assert '>true/pm</dpiAware>' in text
    assert 'supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"' in text


def test_version_resource(pe):
    fixed = pe.VS_FIXEDFILEINFO[0]
    assert (fixed.FileVersionMS, fixed.FileVersionLS) == (0x00010000, 0)
    assert (fixed.ProductVersionMS, fixed.ProductVersionLS) == (0x00010000, 0)
    strings = {}
    translations = []
    for info in pe.FileInfo[0]:
        if info.Key == b'StringFileInfo':
            for table in info.StringTable:
                assert table.LangID.lower() == b'040904b0'
                strings.update({k.decode(): v.decode() for k, v in table.entries.items()})
        elif info.Key == b'VarFileInfo':
            for var in info.Var:
                translations.append(var.entry[b'Translation'])
    assert strings['FileVersion'] == '1.0.0.0'
    assert strings['ProductVersion'] == '1.0.0.0'
    assert strings['FileDescription'] == 'VORNE Sandbox Setup'
    assert strings['InternalName'] == 'VorneSandboxSetup'
    assert strings['OriginalFilename'] == 'VorneSandboxSetup.exe'
    assert strings['ProductName'] == 'VORNE Sandbox'
    assert translations == ['0x0409 0x04b0']


def icon_images(pe):
    """(width, height, bits) of each image of icon group 1, read from the image data itself, with
    the group's own entry checked against it; and the decoded 32 px 32-bit image."""
    group = resource(pe, RT_GROUP_ICON, 1)
    reserved, kind, count = struct.unpack_from('<HHH', group)
    assert (reserved, kind) == (0, 1)
    images = []
    for i in range(count):
        width, height, colours, _, planes, bits, size, ident = struct.unpack_from(
            '<BBBBHHIH', group, 6 + 14 * i)
        data = resource(pe, RT_ICON, ident)
        assert len(data) == size
        if data.startswith(b'\x89PNG'):
            real_w, real_h, depth, colour_type = struct.unpack_from('>IIBB', data, 16)
            assert (depth, colour_type) == (8, 6)  # 8 bits per channel, RGBA
            real_bits = 32
        else:
            header_size, real_w, double_h, _, real_bits = struct.unpack_from('<IiiHH', data)
            assert header_size == 40
            real_h = double_h // 2
        assert (width or 256, height or 256, bits) == (real_w, real_h, real_bits)
        images.append((real_w, real_h, real_bits, data))
    return images


def test_icon_group_holds_the_eight_images(pe):
    sizes = sorted((w, h, bits) for w, h, bits, _ in icon_images(pe))
    expected = sorted([(s, s, 32) for s in (256, 128, 64, 48, 32, 16)] +
                      [(32, 32, 8), (16, 16, 8)])
    assert sizes == expected


def _dib_pixel(data, x, y):
    """0xRRGGBB of pixel (x, y), from the top, of a 32-bit or 8-bit icon bitmap."""
    _, width, double_h, _, bits, _, _, _, _, used = struct.unpack_from('<IiiHHIIiiI', data)
    height = double_h // 2
    row = height - 1 - y
    if bits == 32:
        b, g, r, _ = struct.unpack_from('<BBBB', data, 40 + (row * width + x) * 4)
        return (r << 16) | (g << 8) | b
    palette = 40
    stride = (width + 3) // 4 * 4
    index = data[palette + 4 * (used or 256) + row * stride + x]
    b, g, r, _ = struct.unpack_from('<BBBB', data, palette + 4 * index)
    return (r << 16) | (g << 8) | b


def test_icon_shows_a_white_v_on_the_accent_square(pe):
    for w, _, bits, data in icon_images(pe):
        if w != 32:
            continue
        assert _dib_pixel(data, 16, 2) == 0x802A8A, bits   # above the V
        assert _dib_pixel(data, 16, 24) == 0xFFFFFF, bits  # the V's foot
        assert _dib_pixel(data, 16, 12) == 0x802A8A, bits  # between its arms
