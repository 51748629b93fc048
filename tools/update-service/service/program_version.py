"""The version a native program carries: the fixed file information in its ELF section ".tilvo_version"
(src/platform/version_section.h), read and changed in place."""
import struct

SECTION = b".tilvo_version"
SIGNATURE = 0xFEEF04BD


def _section(data):
    """(offset, size) of the version section in the ELF image `data`, or None."""
    if data[:4] != b"\x7fELF" or data[5] != 1:
        return None
    if data[4] == 2:
        shoff, = struct.unpack_from("<Q", data, 0x28)
        entsize, count, names_index = struct.unpack_from("<HHH", data, 0x3A)
        layout, name_at, offset_at = "<QQ", 0, 0x18
    else:
        shoff, = struct.unpack_from("<I", data, 0x20)
        entsize, count, names_index = struct.unpack_from("<HHH", data, 0x2E)
        layout, name_at, offset_at = "<II", 0, 0x10

    def header(i):
        at = shoff + entsize * i
        name, = struct.unpack_from("<I", data, at + name_at)
        offset, size = struct.unpack_from(layout, data, at + offset_at)
        return name, offset, size

    _, names, _ = header(names_index)
    for i in range(count):
        name, offset, size = header(i)
        end = data.index(b"\0", names + name)
        if data[names + name:end] == SECTION:
            return offset, size
    return None


def read_version(path):
    """The version "a.b.c.d" of the program at `path`, or None when it carries none."""
    with open(path, "rb") as f:
        data = f.read()
    found = _section(data)
    if not found or found[1] < 16:
        return None
    signature, _, ms, ls = struct.unpack_from("<IIII", data, found[0])
    if signature != SIGNATURE:
        return None
    return "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)


def write_version(path, version):
    """Sets the file and product version of the program at `path` to `version` ("a.b.c.d")."""
    parts = [int(p) for p in version.split(".")]
    if len(parts) != 4 or any(p < 0 or p > 0xFFFF for p in parts):
        raise ValueError("a version is four numbers of 0-65535: %r" % version)
    with open(path, "r+b") as f:
        data = f.read()
        found = _section(data)
        if not found:
            raise ValueError("%s carries no version section" % path)
        ms, ls = (parts[0] << 16) | parts[1], (parts[2] << 16) | parts[3]
        f.seek(found[0] + 8)
        f.write(struct.pack("<IIII", ms, ls, ms, ls))


def raised(version):
    """`version` with its last number one higher."""
    parts = [int(p) for p in version.split(".")]
    parts[3] += 1
    return ".".join(str(p) for p in parts)
