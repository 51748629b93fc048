"""The file store: FTP on 127.0.0.1 with the installer's user and password, serving the launcher's archives
(launcher_files.py). It adds "ftp_url" and "versions" to the server configuration.

Control paths (/store/...):
    /store/raise/<entry>            the entry's program gets a higher version (last number + 1), rebuilt
    /store/fault/<entry>/<fault>    the entry's archive in a fault mode (launcher_files.FAULTS)
"""
import os
import shutil
import tempfile
import threading

from .context import SERVICE_DIR, ControlError
from .ftp_server import FtpServer
from .launcher_files import FAULTS, LauncherFiles, bulk_entries

USER = "pelmar"
PASSWORD = "pelmar4071"
HOST = "127.0.0.1"
BUILD_BIN = os.path.join(os.path.dirname(os.path.dirname(SERVICE_DIR)), "build", "bin")


class _Value:
    """A template value computed when the configuration is rendered; raw_json: a JSON value, not text."""

    def __init__(self, compute, raw_json=False):
        self._compute = compute
        self.raw_json = raw_json

    def __str__(self):
        return self._compute()


class FileStore:
    name = "store"

    @staticmethod
    def add_arguments(parser):
        parser.add_argument("--store-port", type=int, default=8421, help="port of the FTP file store (0: any free)")
        parser.add_argument("--store-program", default=os.path.join(BUILD_BIN, "tilvo_sample_program"),
                            help="the sample program the store serves under each program name")
        parser.add_argument("--store-installer", default=os.path.join(BUILD_BIN, "Tilvo_install.exe"),
                            help="the installer the store serves")
        parser.add_argument("--store-edition", action="append", default=[], metavar="PCTYPE",
                            help="edition folder to serve (default: mero)")
        parser.add_argument("--store-fault", action="append", default=[], metavar="ENTRY=FAULT",
                            help="start with an entry in a fault mode, one of: " + ", ".join(FAULTS))
        parser.add_argument("--store-bulk", metavar="COUNT:MB[:stored]",
                            help="serve COUNT archives of MB megabytes in all instead of the sample launcher "
                                 "(stored: not compressed)")
        parser.add_argument("--store-read-limit", type=int, default=0,
                            help="bytes per second per transfer (0: as fast as it goes)")

    def __init__(self, context):
        self.context = context
        self.log = context.log
        args = context.args
        self.port = args.store_port
        self.read_limit = args.store_read_limit
        self.home = tempfile.mkdtemp(prefix="tilvo-store-")
        entries = None
        if args.store_bulk:
            count, megabytes, *packing = args.store_bulk.split(":")
            entries = bulk_entries(int(count), int(float(megabytes) * 1024 * 1024), packing == ["stored"])
        self.files = LauncherFiles(self.home, args.store_program, args.store_installer,
                                   args.store_edition or ["mero"], entries)
        self.initial_faults = [self._parse_fault(f) for f in args.store_fault]
        self.lock = threading.Lock()
        self.server = None
        context.template_values["ftp_url"] = _Value(lambda: "%s:%d/launcher/" % (HOST, self.port))
        context.template_values["versions"] = _Value(self._manifest_text, raw_json=True)
        context.cloud_sources.append(self._cloud_files)

    def _parse_fault(self, text):
        member, _, fault = text.partition("=")
        if member not in self.files.entries or fault not in FAULTS:
            raise SystemExit("--store-fault wants ENTRY=FAULT with ENTRY one of %s and FAULT one of %s"
                             % (", ".join(self.files.entries), ", ".join(FAULTS)))
        return member, fault

    def _is_cut(self, relative_path):
        with self.lock:
            return self.files.is_cut(relative_path)

    def _sent(self, path, status):
        self.log.add(server=0, component="store", method="RETR", path=path, status=status)

    def _cloud_files(self):
        """The archives the cloud drive holds too: the edition's, by name (as the 64-bit folder serves them)."""
        with self.lock:
            return self.files.served_archives()

    def _manifest_text(self):
        with self.lock:
            return self.files.manifest_text()

    # ---- component interface ----------------------------------------------------------------------------

    def start(self):
        with self.lock:
            self.files.build_all()
            for member, fault in self.initial_faults:
                self.files.set_fault(member, fault)
        self.server = FtpServer(HOST, self.port, self.home, USER, PASSWORD, self._is_cut, self._sent,
                                self.read_limit)
        self.port = self.server.port
        self.server.start()

    def stop(self):
        if self.server:
            self.server.stop()
            self.server = None
        self.files.close()
        shutil.rmtree(self.home, ignore_errors=True)

    def state(self):
        with self.lock:
            entries = {m: {"downname": e.downname, "ver": e.version, "fault": e.fault}
                       for m, e in self.files.entries.items()}
        return {"port": self.port, "ftp_url": "%s:%d/launcher/" % (HOST, self.port), "user": USER,
                "password": PASSWORD, "root": self.home, "entries": entries}

    def reset(self):
        with self.lock:
            self.files.reset()

    def control(self, parts):
        try:
            with self.lock:
                if len(parts) == 2 and parts[0] == "raise" and parts[1] in self.files.entries:
                    self.files.raise_version(parts[1])
                elif len(parts) == 3 and parts[0] == "fault" and parts[1] in self.files.entries and parts[2] in FAULTS:
                    self.files.set_fault(parts[1], parts[2])
                else:
                    raise ControlError(404, "use /store/raise/<entry> or /store/fault/<entry>/<fault>; entries: %s; "
                                            "faults: %s" % (", ".join(self.files.entries), ", ".join(FAULTS)))
        except ValueError as e:
            raise ControlError(400, str(e))
        return self.state()
