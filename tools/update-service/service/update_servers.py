"""The three update servers: plain HTTP on 127.0.0.1, 127.0.0.2 and 127.0.0.3, one port for all three.

Each serves the version page "/inst/tilvo_ver.html?pctype=<edition>" with the server configuration made from
the template, and every other path from the www folder. Each can be put into a fault mode (MODES).
"""
import json
import os
import socket
import string
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

from .context import SERVICE_DIR, ControlError

VERSION_PAGE = "/inst/tilvo_ver.html"
SERVER_NUMBERS = (1, 2, 3)

# normal:  the version page answers the configuration
# down:    the server does not listen (connection refused)
# hang:    every request is read and never answered
# 404:     the version page answers 404 Not Found
# string:  the version page answers a plain JSON string
# notjson: the version page answers a body that is not JSON
# slow:    the version page answers the configuration in pieces, one per second, over about five seconds
MODES = ("normal", "down", "hang", "404", "string", "notjson", "slow")

STRING_ANSWER = json.dumps("This server is closed: please use server 1")
NOT_JSON_ANSWER = "<html><body><h1>Service temporarily unavailable</h1></body></html>"
SLOW_PIECES = 6


def address_of(number):
    return "127.0.0.%d" % number


class Server:
    """One update server: its listener comes and goes with the "down" mode."""

    def __init__(self, number, component):
        self.number = number
        self.component = component
        self.mode = "normal"
        self.httpd = None
        self.thread = None
        # Set when hanging requests should give up (mode changed, service stopping).
        self.release = threading.Event()

    def listen(self, port):
        httpd = ThreadingHTTPServer((address_of(self.number), port), self.component.handler_for(self))
        httpd.daemon_threads = True
        self.httpd = httpd
        self.thread = threading.Thread(target=httpd.serve_forever, args=(0.05,), name="server-%d" % self.number,
                                       daemon=True)
        self.thread.start()
        return httpd.server_address[1]

    def close(self):
        if self.httpd:
            self.httpd.shutdown()
            self.httpd.server_close()
            self.httpd = None

    def set_mode(self, mode, port):
        old, self.mode = self.mode, mode
        if old == "hang":
            self.release.set()
            self.release = threading.Event()
        if mode == "down" and old != "down":
            self.close()
        elif old == "down" and mode != "down":
            self.listen(port)


class UpdateServers:
    name = "servers"

    @staticmethod
    def add_arguments(parser):
        parser.add_argument("--port", type=int, default=8471,
                            help="port of the three update servers (0: a port free on all three addresses)")
        parser.add_argument("--config", default=os.path.join(SERVICE_DIR, "config", "server_config.json"),
                            help="server configuration template")
        parser.add_argument("--www", default=os.path.join(SERVICE_DIR, "www"), help="folder of the static files")
        parser.add_argument("--mode", action="append", default=[], metavar="N=MODE",
                            help="start server N (1-3) in MODE, one of: " + ", ".join(MODES))

    def __init__(self, context):
        self.context = context
        self.log = context.log
        args = context.args
        self.port = args.port
        self.www = os.path.realpath(args.www)
        with open(args.config, encoding="utf-8") as f:
            self.template = string.Template(f.read())
        self.lock = threading.Lock()
        self.servers = {n: Server(n, self) for n in SERVER_NUMBERS}
        self.initial_modes = dict(self._parse_mode(m) for m in args.mode)
        self.render_config(1, "check")  # a broken template fails now, not at the first request

    @staticmethod
    def _parse_mode(text):
        number, _, mode = text.partition("=")
        if not number.isdigit() or int(number) not in SERVER_NUMBERS or mode not in MODES:
            raise SystemExit("--mode wants N=MODE with N in 1-3 and MODE one of: " + ", ".join(MODES))
        return int(number), mode

    # ---- component interface ----------------------------------------------------------------------------

    def start(self):
        self.port = self._listen_all(self.port)
        for number, mode in self.initial_modes.items():
            self.set_mode(number, mode)

    def stop(self):
        for server in self.servers.values():
            server.release.set()
            server.close()

    def state(self):
        with self.lock:
            modes = {str(n): s.mode for n, s in self.servers.items()}
        return {"port": self.port, "hosts": self.hosts(), "hosts_env": ",".join(self.hosts()), "modes": modes}

    def reset(self):
        for number in SERVER_NUMBERS:
            self.set_mode(number, "normal")

    def control(self, parts):
        """/servers/<1|2|3|all>/<mode>"""
        if len(parts) != 2:
            raise ControlError(404, "use /servers/<1|2|3|all>/<mode>")
        which, mode = parts
        if mode not in MODES:
            raise ControlError(400, "unknown mode %r; modes: %s" % (mode, ", ".join(MODES)))
        if which == "all":
            numbers = SERVER_NUMBERS
        elif which.isdigit() and int(which) in SERVER_NUMBERS:
            numbers = (int(which),)
        else:
            raise ControlError(404, "no server %r" % which)
        for number in numbers:
            self.set_mode(number, mode)
        return self.state()

    # ---- the servers --------------------------------------------------------------------------------------

    def hosts(self):
        return ["%s:%d" % (address_of(n), self.port) for n in SERVER_NUMBERS]

    def set_mode(self, number, mode):
        with self.lock:
            self.servers[number].set_mode(mode, self.port)

    def _listen_all(self, port):
        # Port 0: the first address picks a free port, the others must get the same one; try again if not.
        for _ in range(50):
            chosen = port
            try:
                for number in SERVER_NUMBERS:
                    chosen = self.servers[number].listen(chosen)
                return chosen
            except OSError:
                self.stop()
                if port != 0:
                    raise
        raise SystemExit("no port is free on all three server addresses")

    def render_config(self, number, pctype):
        base_url = "http://%s:%d" % (address_of(number), self.port)
        values = {**self.context.template_values, "base_url": base_url, "server": str(number), "pctype": pctype}
        # A value marked raw_json is a JSON value of its own (the version manifest), put in as it is.
        escaped = {k: str(v) if getattr(v, "raw_json", False) else json.dumps(str(v))[1:-1] for k, v in values.items()}
        text = self.template.substitute(escaped)
        json.loads(text)  # the template must give JSON
        return text

    def static_file(self, url_path):
        relative = urllib.parse.unquote(url_path).lstrip("/")
        path = os.path.realpath(os.path.join(self.www, relative))
        if not path.startswith(self.www + os.sep) or not os.path.isfile(path):
            return None
        return path

    def handler_for(self, server):
        component = self

        class Handler(BaseHTTPRequestHandler):
            server_version = "TilvoUpdateServer/1"

            def do_GET(self):
                component.handle(server, self, send_body=True)

            def do_HEAD(self):
                component.handle(server, self, send_body=False)

            def log_message(self, *args):
                pass  # the request log records every request

        return Handler

    def handle(self, server, request, send_body):
        mode = server.mode
        url = urllib.parse.urlsplit(request.path)
        record = {"component": self.name, "server": server.number, "host": address_of(server.number),
                  "method": request.command, "path": request.path, "mode": mode,
                  "user_agent": request.headers.get("User-Agent", "")}
        if mode == "hang":
            self.log.add(**record, status=None)
            server.release.wait()
            request.close_connection = True
            return
        route = self._route(url.path)
        if url.path == VERSION_PAGE:
            status = self._version_page(server, request, url, mode, send_body)
        elif route:
            status, content_type, body, *headers = route(server.number, url)
            status = self._answer(request, status, content_type, body, send_body, *headers)
        else:
            status = self._static(request, url.path, send_body)
        self.log.add(**record, status=status)

    def _route(self, path):
        for prefix, handler in self.context.routes.items():
            if path.startswith(prefix):
                return handler
        return None

    def _version_page(self, server, request, url, mode, send_body):
        if mode == "404":
            return self._answer(request, 404, "text/html", b"<html><body>Not Found</body></html>", send_body)
        if mode == "string":
            return self._answer(request, 200, "text/html", STRING_ANSWER.encode(), send_body)
        if mode == "notjson":
            return self._answer(request, 200, "text/html", NOT_JSON_ANSWER.encode(), send_body)
        pctype = urllib.parse.parse_qs(url.query).get("pctype", [""])[0]
        body = self.render_config(server.number, pctype).encode("utf-8")
        if mode == "slow":
            return self._answer_slowly(request, body, send_body)
        return self._answer(request, 200, "text/html; charset=utf-8", body, send_body)

    def _static(self, request, path, send_body):
        file = self.static_file(path)
        if not file:
            return self._answer(request, 404, "text/html", b"<html><body>Not Found</body></html>", send_body)
        with open(file, "rb") as f:
            body = f.read()
        kind = "text/html; charset=utf-8" if file.endswith(".html") else "application/octet-stream"
        return self._answer(request, 200, kind, body, send_body)

    @staticmethod
    def _answer(request, status, content_type, body, send_body, headers=None):
        request.send_response(status)
        for name, value in (headers or {}).items():
            request.send_header(name, value)
        request.send_header("Content-Type", content_type)
        request.send_header("Content-Length", str(len(body)))
        request.send_header("Cache-Control", "no-store")
        request.end_headers()
        if send_body:
            request.wfile.write(body)
        return status

    @staticmethod
    def _answer_slowly(request, body, send_body):
        request.send_response(200)
        request.send_header("Content-Type", "text/html; charset=utf-8")
        request.send_header("Content-Length", str(len(body)))
        request.end_headers()
        request.wfile.flush()
        if not send_body:
            return 200
        step = max(1, -(-len(body) // SLOW_PIECES))
        for start in range(0, len(body), step):
            if start:
                time.sleep(1.0)
            try:
                request.wfile.write(body[start:start + step])
                request.wfile.flush()
            except (BrokenPipeError, ConnectionResetError, socket.timeout):
                break
        return 200
