"""The cloud drive: HTTPS on 127.0.0.1 with a test CA of its own, made at start, and the drive's index
"/inst/googledrive/<pctype>.json" on Server 3.

The drive holds files by title: the files of --cloud-files DIR and generated ones (a body made on the fly
from its size, nothing stored). Each title can be put in a mode:

    normal     served as it is (Content-Length)
    fail       answers 500 Internal Server Error
    missing    left out of the index
    cut        announces the whole length, sends half and closes the connection
    slow       sends the body in pieces over about three seconds
    redirect   the index names a URL that answers 302 to the file
    chunked    served with chunked transfer encoding, no Content-Length
    untrusted  the index names the drive's second listener, whose certificate comes from another CA

The server configuration's "inst_use_google_drive_" is the drive's switch: false unless --cloud-route or
/cloud/route/on. Besides its own files the drive holds what other components offer (the file store's
archives, by their names).

Control paths (/cloud/...):
    /cloud/route/<on|off>               "inst_use_google_drive_" true or false
    /cloud/file/<title>/<mode>          the title in that mode
    /cloud/generate/<title>/<bytes>     a generated file of that size
    /cloud/index/<mode>                 the index: normal, missing (404), notjson (a body that is no JSON),
                                        redirect (302 to the same index under /inst/googledrive/moved/)
"""
import json
import os
import shutil
import socket
import ssl
import subprocess
import tempfile
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

from .context import ControlError

HOST = "127.0.0.1"
INDEX_PREFIX = "/inst/googledrive/"
INDEX_SERVER = 3
FILE_MODES = ("normal", "fail", "missing", "cut", "slow", "redirect", "chunked", "untrusted")
INDEX_MODES = ("normal", "missing", "notjson", "redirect")
PIECE = 256 * 1024
SLOW_SECONDS = 3.0
SLOW_PIECES = 6


def _openssl(*args):
    subprocess.run(["openssl", *args], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


def make_certificates(folder, name, ca=None):
    """A server certificate for 127.0.0.1/localhost signed by a CA: `ca` (certificate, key) when given, else
    a CA made here. Returns (ca certificate, server certificate, server key) paths."""
    if ca:
        ca_cert, ca_key = ca
    else:
        ca_key, ca_cert = os.path.join(folder, name + "-ca.key"), os.path.join(folder, name + "-ca.pem")
        _openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                 "/CN=Tilvo test CA " + name, "-keyout", ca_key, "-out", ca_cert)
    key, csr, cert = (os.path.join(folder, name + suffix) for suffix in (".key", ".csr", ".pem"))
    extensions = os.path.join(folder, name + ".ext")
    _openssl("req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=127.0.0.1", "-keyout", key, "-out", csr)
    with open(extensions, "w") as f:
        f.write("subjectAltName=IP:127.0.0.1,DNS:localhost\nbasicConstraints=CA:FALSE\n")
    _openssl("x509", "-req", "-in", csr, "-CA", ca_cert, "-CAkey", ca_key, "-CAcreateserial",
             "-CAserial", os.path.join(folder, name + ".srl"), "-days", "2", "-extfile", extensions, "-out", cert)
    return ca_cert, cert, key


class GeneratedBody:
    """A body of `size` bytes made on the fly, the same bytes at every request."""

    def __init__(self, size):
        self.size = size

    def pieces(self, limit=None):
        block = bytes(range(256)) * (PIECE // 256)
        left = self.size if limit is None else min(limit, self.size)
        while left > 0:
            piece = block[:min(left, PIECE)]
            left -= len(piece)
            yield piece


class StoredBody:
    def __init__(self, path):
        self.path = path
        self.size = os.path.getsize(path)

    def pieces(self, limit=None):
        left = self.size if limit is None else min(limit, self.size)
        with open(self.path, "rb") as f:
            while left > 0:
                piece = f.read(min(left, PIECE))
                if not piece:
                    return
                left -= len(piece)
                yield piece


class _DriveServer(ThreadingHTTPServer):
    # Many downloads start at once: a short listen queue would drop their connections (the default is 5).
    request_queue_size = 128
    daemon_threads = True


class _RouteSwitch:
    """The template value of "inst_use_google_drive_": JSON true or false as the drive's switch stands."""

    raw_json = True

    def __init__(self, drive):
        self.drive = drive

    def __str__(self):
        with self.drive.lock:
            return "true" if self.drive.route else "false"


class CloudDrive:
    name = "cloud"

    @staticmethod
    def add_arguments(parser):
        parser.add_argument("--cloud-port", type=int, default=8472, help="HTTPS port of the cloud drive (0: any free)")
        parser.add_argument("--cloud-files", help="folder whose files the drive holds, by file name")
        parser.add_argument("--cloud-ca-file", help="where to write the CA certificate the drive's certificate comes from")
        parser.add_argument("--cloud-ca", nargs=2, metavar=("CERT", "KEY"),
                            help="CA that signs the drive's certificate (default: one made at start); a build "
                                 "with tests makes one its installer trusts: build/test-ca/tilvo-test-ca.{pem,key}")
        parser.add_argument("--cloud-route", action="store_true",
                            help='start with "inst_use_google_drive_" true in the server configuration')

    def __init__(self, context):
        self.context = context
        self.log = context.log
        args = context.args
        self.port = args.cloud_port
        self.ca_file = args.cloud_ca_file
        self.files_folder = args.cloud_files
        self.lock = threading.Lock()
        self.generated = {}
        self.modes = {}
        self.index_mode = "normal"
        self.folder = tempfile.mkdtemp(prefix="tilvo-cloud-")
        self.trusted = make_certificates(self.folder, "drive", args.cloud_ca)
        self.rogue = make_certificates(self.folder, "rogue")
        self.listeners = []
        self.initial_route = bool(args.cloud_route)
        self.route = self.initial_route
        context.routes[INDEX_PREFIX] = self.index
        context.template_values["use_cloud_drive"] = _RouteSwitch(self)

    # ---- component interface ----------------------------------------------------------------------------

    def start(self):
        self.port = self._listen(self.port, self.trusted)
        self.rogue_port = self._listen(0, self.rogue)
        if self.ca_file:
            shutil.copyfile(self.trusted[0], self.ca_file)

    def stop(self):
        for httpd in self.listeners:
            httpd.shutdown()
            httpd.server_close()
        self.listeners = []
        shutil.rmtree(self.folder, ignore_errors=True)

    def state(self):
        with self.lock:
            return {"port": self.port, "route": self.route, "base_url": self.base_url(), "untrusted_base_url": self.base_url(self.rogue_port),
                    "ca_file": self.trusted[0], "index_mode": self.index_mode, "modes": dict(self.modes),
                    "titles": sorted(self.bodies())}

    def reset(self):
        with self.lock:
            self.modes.clear()
            self.generated.clear()
            self.index_mode = "normal"
            self.route = self.initial_route

    def control(self, parts):
        if len(parts) == 3 and parts[0] == "file":
            if parts[2] not in FILE_MODES:
                raise ControlError(400, "unknown mode %r; modes: %s" % (parts[2], ", ".join(FILE_MODES)))
            with self.lock:
                self.modes[parts[1]] = parts[2]
        elif len(parts) == 3 and parts[0] == "generate" and parts[2].isdigit():
            with self.lock:
                self.generated[parts[1]] = GeneratedBody(int(parts[2]))
        elif len(parts) == 2 and parts[0] == "route" and parts[1] in ("on", "off"):
            with self.lock:
                self.route = parts[1] == "on"
        elif len(parts) == 2 and parts[0] == "index" and parts[1] in INDEX_MODES:
            with self.lock:
                self.index_mode = parts[1]
        else:
            raise ControlError(404, "use /cloud/route/<on|off>, /cloud/file/<title>/<mode>, "
                                    "/cloud/generate/<title>/<bytes> or /cloud/index/<%s>" % "|".join(INDEX_MODES))
        return self.state()

    # ---- the drive ----------------------------------------------------------------------------------------

    def base_url(self, port=None):
        return "https://%s:%d" % (HOST, port or self.port)

    def bodies(self):
        """Every title the drive holds (caller may hold the lock)."""
        found = {}
        for source in self.context.cloud_sources:
            found.update({title: StoredBody(path) for title, path in source().items()})
        if self.files_folder:
            for name in os.listdir(self.files_folder):
                path = os.path.join(self.files_folder, name)
                if os.path.isfile(path):
                    found[name] = StoredBody(path)
        found.update(self.generated)
        return found

    def index(self, server_number, url):
        """Server 3's answer for /inst/googledrive/<pctype>.json."""
        if server_number != INDEX_SERVER:
            return 404, "text/html", b"<html><body>Not Found</body></html>"
        with self.lock:
            mode = self.index_mode
            titles = sorted(self.bodies())
            modes = dict(self.modes)
        if mode == "missing":
            return 404, "text/html", b"<html><body>Not Found</body></html>"
        if mode == "redirect" and "/moved/" not in url.path:
            moved = INDEX_PREFIX + "moved/" + url.path[len(INDEX_PREFIX):]
            return 302, "text/html", b"", {"Location": moved}
        if mode == "notjson":
            return 200, "application/json", b"<html>no index today</html>"
        items = []
        for title in titles:
            title_mode = modes.get(title, "normal")
            if title_mode == "missing":
                continue
            quoted = urllib.parse.quote(title)
            if title_mode == "redirect":
                link = self.base_url() + "/redirect/" + quoted
            elif title_mode == "untrusted":
                link = self.base_url(self.rogue_port) + "/files/" + quoted
            else:
                link = self.base_url() + "/files/" + quoted
            items.append({"title": title, "download_url": link})
        return 200, "application/json", json.dumps({"kind": "drive#fileList", "list": items}).encode()

    def _listen(self, port, certificates):
        _, cert, key = certificates
        tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        tls.load_cert_chain(cert, key)
        httpd = _DriveServer((HOST, port), self._handler())
        httpd.daemon_threads = True
        # The handshake happens in the request's own thread, so a slow client holds up nobody else.
        httpd.socket = tls.wrap_socket(httpd.socket, server_side=True, do_handshake_on_connect=False)
        self.listeners.append(httpd)
        threading.Thread(target=httpd.serve_forever, args=(0.05,), name="cloud", daemon=True).start()
        return httpd.server_address[1]

    def _handler(self):
        drive = self

        class Handler(BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.1"
            server_version = "TilvoCloudDrive/1"

            def do_GET(self):
                drive.handle(self, send_body=True)

            def do_HEAD(self):
                drive.handle(self, send_body=False)

            def log_message(self, *args):
                pass

        return Handler

    def handle(self, request, send_body):
        started = round(time.time(), 3)
        path = urllib.parse.urlsplit(request.path).path
        kind, _, quoted = path.lstrip("/").partition("/")
        title = urllib.parse.unquote(quoted)
        with self.lock:
            body = self.bodies().get(title)
            mode = self.modes.get(title, "normal")
        request.close_connection = True
        record = {"component": self.name, "port": request.server.server_address[1], "method": request.command,
                  "path": request.path, "title": title, "mode": mode, "started": started,
                  "user_agent": request.headers.get("User-Agent", ""), "referer": request.headers.get("Referer", "")}
        try:
            status, sent = self._answer(request, kind, title, body, mode, send_body)
        except (BrokenPipeError, ConnectionResetError, ssl.SSLError, socket.timeout, OSError):
            status, sent = None, None
        self.log.add(**record, status=status, sent=sent)

    def _answer(self, request, kind, title, body, mode, send_body):
        if kind == "redirect" and body is not None:
            request.send_response(302)
            request.send_header("Location", "/files/" + urllib.parse.quote(title))
            request.send_header("Content-Length", "0")
            request.send_header("Connection", "close")
            request.end_headers()
            return 302, 0
        if kind != "files" or body is None:
            return self._short(request, 404, b"Not Found", send_body), 0
        if mode == "fail":
            return self._short(request, 500, b"Internal Server Error", send_body), 0
        request.send_response(200)
        request.send_header("Content-Type", "application/octet-stream")
        request.send_header("Connection", "close")
        if mode == "chunked":
            request.send_header("Transfer-Encoding", "chunked")
        else:
            request.send_header("Content-Length", str(body.size))
        request.end_headers()
        if not send_body:
            return 200, 0
        if mode == "chunked":
            return 200, self._send_chunked(request, body)
        limit = body.size // 2 if mode == "cut" else None
        pause = SLOW_SECONDS / SLOW_PIECES if mode == "slow" else 0
        return 200, self._send(request, body, limit, pause)

    @staticmethod
    def _short(request, status, text, send_body):
        request.send_response(status)
        request.send_header("Content-Type", "text/plain")
        request.send_header("Content-Length", str(len(text)))
        request.send_header("Connection", "close")
        request.end_headers()
        if send_body:
            request.wfile.write(text)
        return status

    @staticmethod
    def _send(request, body, limit, pause):
        sent = 0
        if pause:
            # Few, evenly spaced pieces whatever the size.
            step = max(1, -(-body.size // SLOW_PIECES))
            data = b"".join(body.pieces())
            for start in range(0, len(data), step):
                if start:
                    time.sleep(pause)
                request.wfile.write(data[start:start + step])
                request.wfile.flush()
                sent += len(data[start:start + step])
            return sent
        for piece in body.pieces(limit):
            request.wfile.write(piece)
            sent += len(piece)
        request.wfile.flush()
        return sent

    @staticmethod
    def _send_chunked(request, body):
        sent = 0
        for piece in body.pieces():
            request.wfile.write(b"%x\r\n%s\r\n" % (len(piece), piece))
            sent += len(piece)
        request.wfile.write(b"0\r\n\r\n")
        request.wfile.flush()
        return sent
