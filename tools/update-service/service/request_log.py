"""One record per request any component received, kept in memory, appended to a file, echoed to stderr."""
import json
import sys
import threading
import time


class RequestLog:
    def __init__(self, path=None, quiet=False):
        self._lock = threading.Lock()
        self._records = []
        self._path = path
        self._quiet = quiet
        if path:
            open(path, "w").close()

    def add(self, **record):
        record = {"time": round(time.time(), 3), **record}
        line = json.dumps(record, ensure_ascii=False)
        with self._lock:
            self._records.append(record)
            if self._path:
                with open(self._path, "a", encoding="utf-8") as f:
                    f.write(line + "\n")
        if not self._quiet:
            print("update-service: " + line, file=sys.stderr, flush=True)

    def records(self):
        with self._lock:
            return list(self._records)

    def clear(self):
        with self._lock:
            self._records.clear()
            if self._path:
                open(self._path, "w").close()
