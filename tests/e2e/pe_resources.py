"""Reads the resources of a Windows executable (PE file): what an artwork check needs, with the
standard library only.

    resources("Nimbara.exe")  ->  {(type, name, language): bytes}
"""

import struct

RT_BITMAP = 2
RT_ICON = 3
RT_GROUP_ICON = 14


def _sections(data):
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    count = struct.unpack_from("<H", data, pe + 6)[0]
    optional_size = struct.unpack_from("<H", data, pe + 20)[0]
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    resource_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
    table = optional + optional_size
    sections = []
    for i in range(count):
        entry = table + 40 * i
        virtual_size, rva, raw_size, raw = struct.unpack_from("<IIII", data, entry + 8)
        sections.append((rva, max(virtual_size, raw_size), raw))
    return resource_rva, sections


def _offset(sections, rva):
    for start, size, raw in sections:
        if start <= rva < start + size:
            return raw + rva - start
    raise ValueError(f"RVA {rva:#x} is in no section")


def resources(path):
    data = open(path, "rb").read()
    root_rva, sections = _sections(data)
    root = _offset(sections, root_rva)
    found = {}

    def entries(directory):
        named, numbered = struct.unpack_from("<HH", data, directory + 12)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", data, directory + 16 + 8 * i)
            yield name, target

    for type_id, type_dir in entries(root):
        for name_id, name_dir in entries(root + (type_dir & 0x7FFFFFFF)):
            for language, leaf in entries(root + (name_dir & 0x7FFFFFFF)):
                rva, size = struct.unpack_from("<II", data, root + leaf)
                start = _offset(sections, rva)
                found[(type_id, name_id, language)] = data[start:start + size]
    return found


def by_name(found, type_id, name_id):
    return next(v for (t, n, _), v in found.items() if t == type_id and n == name_id)


def bitmap_header(dib):
    """(width, height, bits per pixel) of a packed DIB, as RT_BITMAP holds it."""
    _, width, height, _, bits = struct.unpack_from("<IiiHH", dib, 0)
    return width, abs(height), bits


def icon_group(found, group_id):
    """The images of an icon group: (width, height, bits per pixel) from each image's header."""
    group = by_name(found, RT_GROUP_ICON, group_id)
    _, kind, count = struct.unpack_from("<HHH", group, 0)
    assert kind == 1, "not an icon group"
    images = []
    for i in range(count):
        width, height, _, _, _, bits, _, icon_id = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
        image = by_name(found, RT_ICON, icon_id)
        if image[:8] == b"\x89PNG\r\n\x1a\n":
            w, h = struct.unpack_from(">II", image, 16)
            images.append((w, h, image[24] * (3 if image[25] == 2 else 4 if image[25] == 6 else 1)))
        else:
            w, h2, b = bitmap_header(image)
            images.append((w, h2 // 2, b))  # an icon's DIB holds the picture and its mask
    return images
