"""The launcher's files as the file store serves them: one zip archive per manifest entry, in the edition
folder "<edition>/" and, for everything but the installer, in "<edition>/x64/", and the version manifest made
from the versions the served programs carry.

Faults an entry can be put into (FAULTS):
    normal     the archive as packed
    notzip     the archive's name holds a text file
    cut        the archive is there, but every transfer of it stops in the middle (see file_store.py)
    traversal  the archive holds, besides its files, entries named "../" and "..\\" that leave the folder
    missing    the archive is not in the store
"""
import json
import os
import random
import shutil
import tempfile
import zipfile

from . import program_version

FAULTS = ("normal", "notzip", "cut", "traversal", "missing")
INSTALLER = "Tilvo_install.exe"


class Entry:
    """One manifest entry: its archive and what is in it (archive name -> source program or text)."""

    def __init__(self, member, downname, orgname, version, redo, files, path="", stored=False):
        self.member = member
        self.stored = stored  # packed without compression
        self.downname = downname
        self.orgname = orgname
        self.version = version
        self.redo = redo
        self.files = files
        self.path = path
        self.fault = "normal"

    def manifest(self):
        return {"downname": self.downname, "path": self.path, "orgname": self.orgname, "ver": self.version,
                "redo": self.redo}


def default_entries():
    """The sample launcher: the launcher and its companion programs, the installer, and a tool in a
    sub-folder. The installer keeps the version it was built with (None)."""
    return [
        Entry("launcher", "Tilvo.zip", "Tilvo.exe", "2.3.0.17", "true",
              {"Tilvo.exe": "program", "Tilvo_m.exe": "program", "res/strings.txt": "text"}),
        Entry("start", "Tilvo_Start.zip", "Tilvo_Start.exe", "2.3.0.4", "false", {"Tilvo_Start.exe": "program"}),
        Entry("setup", "Tilvo_Setup.zip", "Tilvo_Setup.exe", "1.1.0.2", "false", {"Tilvo_Setup.exe": "program"}),
        Entry("installer", "Tilvo_install.zip", INSTALLER, None, "false", {INSTALLER: "installer"}),
        Entry("tools", "Tilvo_Tool.zip", "Tilvo_Tool.exe", "1.0.3.0", "false",
              {"Tilvo_Tool.exe": "program", "lang/ko.txt": "text"}, path="tools"),
    ]


def bulk_entries(count, total_bytes, stored=False):
    """`count` archives of `total_bytes` in all, for measurements: each holds one data file below "bulk",
    deflated or (`stored`) as it is, so that an archive is as large as its data."""
    size = max(1, total_bytes // count)
    return [Entry("bulk%03d" % i, "bulk%03d.zip" % i, "bulk%03d.dat" % i, "0.0.0.0", "false",
                  {"bulk%03d.dat" % i: "data:%d" % size}, path="bulk", stored=stored) for i in range(count)]


def _write_data(path, size, seed):
    """Half random, half repeated bytes: deflate shrinks it by about half, as it does program files."""
    rng = random.Random(seed)
    chunk = 1 << 16
    with open(path, "wb") as f:
        left = size
        while left > 0:
            n = min(chunk, left)
            half = n // 2
            f.write(rng.randbytes(half) + bytes([rng.randrange(256)]) * (n - half))
            left -= n


class LauncherFiles:
    """Builds and rebuilds the store's tree under `root` (the FTP user's home): root/launcher/<edition>/..."""

    def __init__(self, root, program, installer, editions, entries=None):
        self.root = root
        self.program = program      # the sample program, copied under each program name
        self.installer = installer  # the built installer
        self.editions = editions
        self.entries = {e.member: e for e in (entries or default_entries())}
        self.work = tempfile.mkdtemp(prefix="tilvo-store-work-")
        for name in (self.program, self.installer):
            if not os.path.isfile(name):
                raise SystemExit("file store: %s is missing (build the project first)" % name)
        for entry in self.entries.values():
            if entry.version is None:  # the installer: the version it was built with
                entry.version = program_version.read_version(self.installer) or "0.0.0.0"

    def close(self):
        shutil.rmtree(self.work, ignore_errors=True)

    def folders(self, entry):
        for edition in self.editions:
            yield os.path.join(self.root, "launcher", edition)
            if entry.orgname != INSTALLER:
                yield os.path.join(self.root, "launcher", edition, "x64")

    def build_all(self):
        for entry in self.entries.values():
            self.build(entry)

    def build(self, entry):
        archive = os.path.join(self.work, entry.downname)
        self._pack(entry, archive)
        for folder in self.folders(entry):
            os.makedirs(folder, exist_ok=True)
            target = os.path.join(folder, entry.downname)
            if entry.fault == "missing":
                if os.path.exists(target):
                    os.remove(target)
                continue
            temporary = target + ".tmp"
            shutil.copyfile(archive, temporary)
            os.replace(temporary, target)  # a transfer never sees half an archive

    def _pack(self, entry, archive):
        if entry.fault == "notzip":
            with open(archive, "w", encoding="utf-8") as f:
                f.write("This is not an archive: the store answered an error page.\n")
            return
        staging = tempfile.mkdtemp(dir=self.work)
        try:
            method = zipfile.ZIP_STORED if entry.stored else zipfile.ZIP_DEFLATED
            with zipfile.ZipFile(archive, "w", method, allowZip64=True) as z:
                for name, kind in entry.files.items():
                    z.write(self._source(staging, entry, name, kind), name)
                if entry.fault == "traversal":
                    z.writestr("../escaped.txt", "written outside the entry folder\n")
                    z.writestr("..\\escaped_too.txt", "written outside the entry folder\n")
        finally:
            shutil.rmtree(staging, ignore_errors=True)

    def _source(self, staging, entry, name, kind):
        path = os.path.join(staging, os.path.basename(name))
        if kind.startswith("data:"):
            _write_data(path, int(kind[5:]), entry.member)
        elif kind == "text":
            with open(path, "w", encoding="utf-8") as f:
                f.write("%s of %s %s\n" % (name, entry.orgname, entry.version))
        elif kind == "installer":
            shutil.copyfile(self.installer, path)
        else:
            shutil.copyfile(self.program, path)
            program_version.write_version(path, entry.version)
        return path

    def served_archives(self):
        """Archive name -> host path of every archive the first edition serves ("x64" copy where there is one)."""
        edition = os.path.join(self.root, "launcher", self.editions[0])
        out = {}
        for entry in self.entries.values():
            if entry.fault == "missing":
                continue
            for folder in (os.path.join(edition, "x64"), edition):
                path = os.path.join(folder, entry.downname)
                if os.path.exists(path):
                    out[entry.downname] = path
                    break
        return out

    def served_version(self, entry):
        """The version of the entry's program as the store serves it, read back from the archive."""
        folder = next(self.folders(entry))
        archive = os.path.join(folder, entry.downname)
        if entry.fault in ("notzip", "missing") or not os.path.exists(archive):
            return entry.version
        if any(kind.startswith("data:") for kind in entry.files.values()):
            return entry.version  # data, not a program: the manifest says what the store meant
        with zipfile.ZipFile(archive) as z, tempfile.TemporaryDirectory(dir=self.work) as scratch:
            extracted = z.extract(entry.orgname.replace("\\", "/"), scratch)
            return program_version.read_version(extracted) or "0.0.0.0"

    def manifest(self):
        """The "versions" member of the server configuration."""
        out = {}
        for entry in self.entries.values():
            item = entry.manifest()
            item["ver"] = self.served_version(entry)
            out[entry.member] = item
        return out

    def manifest_text(self):
        return json.dumps(self.manifest())

    def raise_version(self, member):
        entry = self.entries[member]
        if entry.files.get(entry.orgname) == "installer":
            raise ValueError("the installer keeps the version it was built with")
        entry.version = program_version.raised(self.served_version(entry))
        self.build(entry)
        return entry.version

    def set_fault(self, member, fault):
        entry = self.entries[member]
        entry.fault = fault
        self.build(entry)

    def reset(self):
        for entry in default_entries():
            if entry.member in self.entries and entry.version is not None:
                self.entries[entry.member].version = entry.version
        for entry in self.entries.values():
            entry.fault = "normal"
        self.build_all()

    def is_cut(self, relative_path):
        """Whether transfers of the store file `relative_path` (below root, "/" separated) are cut."""
        name = relative_path.rsplit("/", 1)[-1]
        return any(e.fault == "cut" and e.downname == name for e in self.entries.values())
