"""The control port: an HTTP server on 127.0.0.1 that changes the service's behaviour while it runs.

    /state                   every component's state (JSON)
    /log                     the requests received so far (JSON array)
    /log/clear               forgets them
    /reset                   every component back to normal, the log cleared
    /stop                    ends the service
    /<component>/...         handed to that component, e.g. /servers/3/down

GET and POST do the same. Answers are JSON; errors carry {"error": ...} with status 400 or 404.
"""
import json
import threading
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

from .context import ControlError


class ControlServer:
    def __init__(self, port, components, log, on_stop):
        self.components = {c.name: c for c in components}
        self.log = log
        self.on_stop = on_stop
        self.httpd = ThreadingHTTPServer(("127.0.0.1", port), self._handler())
        self.httpd.daemon_threads = True
        self.port = self.httpd.server_address[1]
        self.thread = threading.Thread(target=self.httpd.serve_forever, args=(0.05,), name="control", daemon=True)

    def start(self):
        self.thread.start()

    def stop(self):
        self.httpd.shutdown()
        self.httpd.server_close()

    def state(self):
        return {name: c.state() for name, c in self.components.items()}

    def dispatch(self, path):
        parts = [p for p in path.split("?")[0].split("/") if p]
        if parts == ["state"]:
            return self.state()
        if parts == ["log"]:
            return self.log.records()
        if parts == ["log", "clear"]:
            self.log.clear()
            return {"cleared": True}
        if parts == ["reset"]:
            for c in self.components.values():
                c.reset()
            self.log.clear()
            return self.state()
        if parts == ["stop"]:
            threading.Thread(target=self.on_stop, daemon=True).start()
            return {"stopping": True}
        if parts and parts[0] in self.components:
            return self.components[parts[0]].control(parts[1:])
        raise ControlError(404, "unknown control path " + path)

    def _handler(self):
        control = self

        class Handler(BaseHTTPRequestHandler):
            def do_GET(self):
                try:
                    status, answer = 200, control.dispatch(self.path)
                except ControlError as e:
                    status, answer = e.status, {"error": str(e)}
                body = json.dumps(answer).encode()
                self.send_response(status)
                self.send_header("Content-Type", "application/json")
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)

            do_POST = do_GET

            def log_message(self, *args):
                pass

        return Handler
