#!/usr/bin/env python3
"""Scripted HTTP answers for the HTTP layer's tests, on 127.0.0.1.

    /echo                       200, the request's headers as JSON
    /status/<code>              that status
    /redirect/<n>               302 to /redirect/<n-1> (each with "X-Hop: <n>"); /redirect/0 is 200 "arrived"
    /redirect-to?url=<url>      302 to that URL
    /loop                       302 to itself
    /size/<n>                   n bytes with Content-Length
    /chunked/<pieces>/<size>    a chunked body of that many pieces
    /endless                    a chunked body that never ends
    /silent                     reads the request, never answers
    /stall                      headers and half the body, then silence
    /trickle/<pieces>/<gap_ms>  one piece of 10 bytes every gap_ms, with Content-Length
"""
import argparse
import json
import os
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

stopping = threading.Event()


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def answer(self, status, body=b"", headers=()):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def chunk(self, data):
        self.wfile.write(b"%x\r\n%s\r\n" % (len(data), data))
        self.wfile.flush()

    def do_HEAD(self):
        self.do_GET()

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        parts = [p for p in url.path.split("/") if p]
        query = urllib.parse.parse_qs(url.query)
        name = parts[0] if parts else ""
        self.close_connection = True
        try:
            getattr(self, "route_" + name.replace("-", "_"), self.route_missing)(parts[1:], query)
        except (BrokenPipeError, ConnectionResetError):
            pass

    def route_missing(self, args, query):
        self.answer(404, b"no such route")

    def route_echo(self, args, query):
        body = json.dumps({k: v for k, v in self.headers.items()}).encode()
        self.answer(200, body, [("Content-Type", "application/json"), ("X-Fixture", "echo")])

    def route_status(self, args, query):
        code = int(args[0])
        self.answer(code, b"status %d" % code)

    def route_redirect(self, args, query):
        hops = int(args[0])
        if hops == 0:
            self.answer(200, b"arrived", [("X-Final", "yes")])
        else:
            self.answer(302, b"moved", [("Location", "/redirect/%d" % (hops - 1)), ("X-Hop", str(hops))])

    def route_redirect_to(self, args, query):
        self.answer(302, b"moved", [("Location", query["url"][0])])

    def route_loop(self, args, query):
        self.answer(302, b"again", [("Location", "/loop")])

    def route_size(self, args, query):
        self.answer(200, b"x" * int(args[0]))

    def begin_chunked(self):
        self.send_response(200)
        self.send_header("Transfer-Encoding", "chunked")
        self.send_header("Connection", "close")
        self.end_headers()

    def route_chunked(self, args, query):
        pieces, size = int(args[0]), int(args[1])
        self.begin_chunked()
        for _ in range(pieces):
            self.chunk(b"c" * size)
        self.wfile.write(b"0\r\n\r\n")

    def route_endless(self, args, query):
        self.begin_chunked()
        while not stopping.is_set():
            self.chunk(b"e" * 65536)

    def route_silent(self, args, query):
        stopping.wait()

    def route_stall(self, args, query):
        self.send_response(200)
        self.send_header("Content-Length", "100")
        self.end_headers()
        self.wfile.write(b"s" * 50)
        self.wfile.flush()
        stopping.wait()

    def route_trickle(self, args, query):
        pieces, gap = int(args[0]), int(args[1]) / 1000.0
        self.send_response(200)
        self.send_header("Content-Length", str(10 * pieces))
        self.end_headers()
        for i in range(pieces):
            if i:
                time.sleep(gap)
            self.wfile.write(b"t" * 10)
            self.wfile.flush()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--ready-file", required=True)
    args = parser.parse_args()
    httpd = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    httpd.daemon_threads = True
    threading.Thread(target=httpd.serve_forever, args=(0.05,), daemon=True).start()
    with open(args.ready_file + ".tmp", "w") as f:
        json.dump({"pid": os.getpid(), "port": httpd.server_address[1]}, f)
    os.replace(args.ready_file + ".tmp", args.ready_file)
    import signal
    signal.signal(signal.SIGTERM, lambda *_: stopping.set())
    while not stopping.wait(0.1):
        pass
    httpd.shutdown()
    return 0


if __name__ == "__main__":
    sys.exit(main())
