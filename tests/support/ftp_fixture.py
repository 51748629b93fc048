#!/usr/bin/env python3
"""An FTP server for the URL download tests: serves --root for one user, cuts the transfers of the files
named by --cut, writes {"port": N} to --ready-file once it listens. Stops on SIGTERM."""
import argparse
import json
import os
import signal
import sys
import threading

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools", "update-service"))

from service.ftp_server import FtpServer  # noqa: E402


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--ready-file", required=True)
    parser.add_argument("--user", default="pelmar")
    parser.add_argument("--password", default="pelmar4071")
    parser.add_argument("--cut", action="append", default=[], help="relative path whose transfers are cut")
    args = parser.parse_args()

    server = FtpServer("127.0.0.1", 0, args.root, args.user, args.password, lambda path: path in args.cut)
    server.start()
    stopped = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stopped.set())
    with open(args.ready_file + ".tmp", "w") as f:
        json.dump({"port": server.port}, f)
    os.replace(args.ready_file + ".tmp", args.ready_file)
    while not stopped.wait(0.1):
        pass
    server.stop()


if __name__ == "__main__":
    main()
