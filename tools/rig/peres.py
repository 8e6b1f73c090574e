"""Reads the resources of a Windows executable (PE32 or PE32+), so tests can
check what Quorvine.exe carries without running it."""

import struct

RT_ICON = 3
RT_RCDATA = 10
RT_GROUP_ICON = 14
RT_VERSION = 16
RT_MANIFEST = 24


class Resources:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        d = self.data
        pe = struct.unpack_from("<I", d, 0x3C)[0]
        if d[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE file")
        machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", d, pe + 4)
        self.machine = machine
        opt = pe + 24
        magic = struct.unpack_from("<H", d, opt)[0]
        directories = opt + (112 if magic == 0x20B else 96)
        self.rsrc_rva = struct.unpack_from("<I", d, directories + 2 * 8)[0]
        self.sections = []
        table = opt + optional_size
        for i in range(sections):
            name, vsize, va, rawsize, rawptr = struct.unpack_from("<8sIIII", d, table + 40 * i)
            self.sections.append((va, max(vsize, rawsize), rawptr))
        self.base = self._offset(self.rsrc_rva)
        # {type: {name: {language: bytes}}}; names are str (upper-case) or int.
        self.tree = {}
        for rtype, tdir in self._entries(self.base):
            names = self.tree.setdefault(rtype, {})
            for name, ndir in self._entries(self.base + (tdir & 0x7FFFFFFF)):
                langs = names.setdefault(name, {})
                for lang, leaf in self._entries(self.base + (ndir & 0x7FFFFFFF)):
                    rva, size = struct.unpack_from("<II", d, self.base + leaf)
                    start = self._offset(rva)
                    langs[lang] = d[start:start + size]

    @property
    def is_64bit(self):
        return self.machine == 0x8664

    def _offset(self, rva):
        for va, size, raw in self.sections:
            if va <= rva < va + size:
                return rva - va + raw
        raise ValueError("address outside the sections")

    def _entries(self, at):
        d = self.data
        named, ids = struct.unpack_from("<HH", d, at + 12)
        for i in range(named + ids):
            key, value = struct.unpack_from("<II", d, at + 16 + 8 * i)
            if key & 0x80000000:
                p = self.base + (key & 0x7FFFFFFF)
                length = struct.unpack_from("<H", d, p)[0]
                key = d[p + 2:p + 2 + 2 * length].decode("utf-16-le")
            yield key, value

    def get(self, rtype, name):
        """The bytes of one resource and its language: (bytes, lang)."""
        langs = self.tree.get(rtype, {}).get(name)
        if not langs:
            return None, None
        lang = next(iter(langs))
        return langs[lang], lang

    def custom(self, name):
        return self.get("CUSTOM", name)

    def manifest(self):
        data, _ = self.get(RT_MANIFEST, 1)
        return data.decode("utf-8") if data else None

    def icon_group_names(self):
        return list(self.tree.get(RT_GROUP_ICON, {}).keys())

    def icon_group(self, name):
        """[(width, height, bit_count, image bytes)] of one icon group."""
        data, _ = self.get(RT_GROUP_ICON, name)
        _, _, count = struct.unpack_from("<HHH", data, 0)
        images = []
        for i in range(count):
            w, h, _, _, _, bits, _, icon_id = struct.unpack_from("<BBBBHHIH", data, 6 + 14 * i)
            image, _ = self.get(RT_ICON, icon_id)
            images.append((w or 256, h or 256, bits, image))
        return images

    def version_numbers(self):
        """(file version, product version) as 4-tuples from VS_FIXEDFILEINFO."""
        data, _ = self.get(RT_VERSION, 1)
        at = data.find(struct.pack("<I", 0xFEEF04BD))
        fms, fls, pms, pls = struct.unpack_from("<IIII", data, at + 8)
        split = lambda ms, ls: (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
        return split(fms, fls), split(pms, pls)
