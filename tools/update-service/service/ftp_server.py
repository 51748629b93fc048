"""An FTP server on pyftpdlib for one user, serving a folder read-only, that can cut chosen transfers in the
middle (a connection that breaks: the client receives half the file, short of the size it was told)."""
import logging
import os
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import ThreadedFTPServer


class _CutFile:
    """A file that ends after `limit` bytes."""

    def __init__(self, f, limit):
        self._f = f
        self._left = limit

    def read(self, size=-1):
        if self._left <= 0:
            return b""
        size = self._left if size is None or size < 0 else min(size, self._left)
        data = self._f.read(size)
        self._left -= len(data)
        return data

    def __getattr__(self, name):
        return getattr(self._f, name)


class FtpServer:
    """`is_cut(relative_path)` says whether transfers of a file ("/"-separated, below `home`) are cut;
    `on_sent(relative_path, status)` hears of every transfer (226 complete, 426 broken off)."""

    def __init__(self, host, port, home, user, password, is_cut=lambda path: False,
                 on_sent=lambda path, status: None, read_limit=0):
        self.home = home
        self._is_cut = is_cut
        self._on_sent = on_sent
        self._read_limit = read_limit
        # pyftpdlib sets up its own (verbose) logging unless its logger has a handler already.
        logger = logging.getLogger("pyftpdlib")
        if not logger.handlers:
            logger.addHandler(logging.NullHandler())
        logger.setLevel(logging.WARNING)
        self._server = ThreadedFTPServer((host, port), self._handler(user, password))
        self.port = self._server.address[1]
        self._thread = threading.Thread(target=self._server.serve_forever, kwargs={"timeout": 0.05},
                                        name="ftp-server", daemon=True)

    def start(self):
        self._thread.start()

    def stop(self):
        self._server.close_all()

    def _relative(self, path):
        return os.path.relpath(path, self.home).replace(os.sep, "/")

    def _handler(self, user, password):
        server = self

        class CuttingFS(AbstractedFS):
            def open(self, filename, mode):
                f = super().open(filename, mode)
                if "r" in mode and server._is_cut(server._relative(filename)):
                    return _CutFile(f, os.path.getsize(filename) // 2)
                return f

        class Handler(FTPHandler):
            abstracted_fs = CuttingFS
            authorizer = DummyAuthorizer()
            auth_failed_timeout = 0  # a wrong password is answered at once

            def ftp_RETR(self, file):
                # sendfile() would bypass the cut file's reads.
                self.use_sendfile = not server._is_cut(server._relative(file))
                return super().ftp_RETR(file)

            def on_file_sent(self, file):
                server._on_sent("/" + server._relative(file), 226)

            def on_incomplete_file_sent(self, file):
                server._on_sent("/" + server._relative(file), 426)

        Handler.authorizer.add_user(user, password, self.home, perm="elr")
        if self._read_limit:
            class Throttled(ThrottledDTPHandler):
                read_limit = server._read_limit

            Handler.dtp_handler = Throttled
        return Handler
