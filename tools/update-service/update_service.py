#!/usr/bin/env python3
"""The local update service: everything the installer talks to, on loopback.

Run with /usr/bin/python3. See README.md for the options, the control port and the fault modes.
"""
import argparse
import json
import os
import signal
import sys
import threading

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from service.cloud_drive import CloudDrive  # noqa: E402
from service.control import ControlServer  # noqa: E402
from service.file_store import FileStore  # noqa: E402
from service.context import ServiceContext  # noqa: E402
from service.request_log import RequestLog  # noqa: E402
from service.update_servers import UpdateServers  # noqa: E402

# The parts of the service, started in this order and stopped in reverse. A new part (the file store, the
# cloud drive) is a class with the same interface: name, add_arguments, start, stop, state, reset, control.
# The update servers come last: their configuration uses what the others contribute.
COMPONENTS = [FileStore, CloudDrive, UpdateServers]


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--control-port", type=int, default=8470, help="control port on 127.0.0.1 (0: any free)")
    parser.add_argument("--ready-file", help="written (JSON: pid, control_port, state) once every port answers")
    parser.add_argument("--log-file", help="one JSON line per request received")
    parser.add_argument("--quiet", action="store_true", help="do not echo requests to stderr")
    for component in COMPONENTS:
        component.add_arguments(parser)
    return parser.parse_args()


def write_ready_file(path, content):
    temporary = path + ".tmp"
    with open(temporary, "w", encoding="utf-8") as f:
        json.dump(content, f)
    os.replace(temporary, path)  # readers never see half a file


def main():
    args = parse_arguments()
    log = RequestLog(args.log_file, args.quiet)
    context = ServiceContext(args, log)
    components = [component(context) for component in COMPONENTS]

    stopped = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stopped.set())
    signal.signal(signal.SIGINT, lambda *_: stopped.set())

    started = []
    control = None
    try:
        for component in components:
            component.start()
            started.append(component)
        control = ControlServer(args.control_port, components, log, stopped.set)
        control.start()
        ready = {"pid": os.getpid(), "control_port": control.port, **control.state()}
        if args.ready_file:
            write_ready_file(args.ready_file, ready)
        print("update-service: ready " + json.dumps(ready), file=sys.stderr, flush=True)
        while not stopped.wait(0.1):
            pass
    finally:
        if control:
            control.stop()
        for component in reversed(started):
            component.stop()
        if args.ready_file and os.path.exists(args.ready_file):
            os.remove(args.ready_file)
    return 0


if __name__ == "__main__":
    sys.exit(main())
