"""The rig's .reg reader and writer, without Wine: what reg.exe exports is read
back exactly, and what the rig writes reads back the same."""

import rig

# As Wine's reg.exe exports (it escapes CR and LF inside strings).
EXPORT = (
    'Windows Registry Editor Version 5.00\r\n\r\n'
    '[HKEY_LOCAL_MACHINE\\Software\\Tamberlow]\r\n'
    '@="default"\r\n'
    '"text"="x\\r\\ny \\"q\\" \\\\ \u00e9"\r\n'
    '"count"=dword:0000002a\r\n'
    '"path"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,74,00,\\\r\n'
    '  25,00,5c,00,78,00,00,00\r\n'
    '"list"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n'
    '"raw"=hex:00,01,ff\r\n'
    '"big"=hex(b):01,00,00,00,01,00,00,00\r\n\r\n'
    '[HKEY_LOCAL_MACHINE\\Software\\Tamberlow\\Sub]\r\n\r\n'
)


def test_an_export_reads_back_with_types_and_escapes():
    keys = rig.parse_reg(EXPORT)
    assert keys == {
        r"HKEY_LOCAL_MACHINE\Software\Tamberlow": {
            "": ("REG_SZ", "default"),
            "text": ("REG_SZ", 'x\r\ny "q" \\ é'),
            "count": ("REG_DWORD", 42),
            "path": ("REG_EXPAND_SZ", r"%SystemRoot%\x"),
            "list": ("REG_MULTI_SZ", ["a", "b"]),
            "raw": ("REG_BINARY", b"\x00\x01\xff"),
            "big": ("REG_QWORD", 0x100000001),
        },
        r"HKEY_LOCAL_MACHINE\Software\Tamberlow\Sub": {},
    }


def test_what_the_rig_writes_reads_back_the_same():
    values = {
        (r"HKLM\Software\Tamberlow", None): ("REG_SZ", "default"),
        (r"HKLM\Software\Tamberlow", 'odd "name" \\'): "line\r\nnext \u00e9",
        (r"HKLM\Software\Tamberlow", "count"): 7,
        (r"HKLM\Software\Tamberlow", "path"): ("REG_EXPAND_SZ", r"%TEMP%\q"),
        (r"HKCU\Software\Wine", "list"): ["a", "b c"],
        (r"HKCU\Software\Wine", "raw"): b"\x00\xff",
    }
    keys = rig.parse_reg(rig.reg_document(values))
    assert keys[r"HKEY_LOCAL_MACHINE\Software\Tamberlow"] == {
        "": ("REG_SZ", "default"), 'odd "name" \\': ("REG_SZ", "line\r\nnext é"),
        "count": ("REG_DWORD", 7), "path": ("REG_EXPAND_SZ", r"%TEMP%\q")}
    assert keys[r"HKEY_CURRENT_USER\Software\Wine"] == {
        "list": ("REG_MULTI_SZ", ["a", "b c"]), "raw": ("REG_BINARY", b"\x00\xff")}
