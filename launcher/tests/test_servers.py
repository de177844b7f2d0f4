#!/usr/bin/python3
"""The launcher's servers on 127.0.0.1 for tests: an HTTP update server
(update query and release archive) and an FTP log server (pyftpdlib).

Prints one JSON line with the ports once both listen, then serves until its
standard input closes (so it never outlives the test that started it).
Every HTTP request path is appended to --request-log.
"""
import argparse
import http.server
import json
import os
import sys
import threading
import time
import urllib.parse

QUERY_PATH = "/api/firmware"
ARCHIVE_PATH = "/download/TARVIK_DASH_CAM/viewer/win/TARVIK_DASH_CAM_WIN.zip"


def http_handler(args):
    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def log_message(self, *unused):
            pass

        def reply(self, code, body, kind="application/octet-stream"):
            self.send_response(code)
            self.send_header("Content-Type", kind)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            return body

        def do_GET(self):
            url = urllib.parse.urlsplit(self.path)
            if args.request_log:
                with open(args.request_log, "a") as log:
                    log.write(self.path + "\n")
            if url.path == QUERY_PATH:
                model = urllib.parse.parse_qs(url.query).get("model", [""])[0]
                if model != "TARVIK.Viewer.win":
                    self.wfile.write(self.reply(404, b""))
                    return
                body = json.dumps({"ver": args.version, "file": "TARVIK_DASH_CAM_WIN.zip"})
                self.wfile.write(self.reply(200, body.encode(), "application/json"))
                return
            if url.path == ARCHIVE_PATH and args.archive:
                with open(args.archive, "rb") as f:
                    data = f.read()
                self.send_response(200)
                self.send_header("Content-Type", "application/zip")
                self.send_header("Content-Length", str(len(data)))
                self.end_headers()
                self.send_archive(data)
                return
            self.wfile.write(self.reply(404, b""))

        def send_archive(self, data):
            # Spread over --throttle seconds in ten steps; with --stall only
            # the first half is sent and the connection then stays silent.
            steps = 10
            step = max(1, (len(data) + steps - 1) // steps)
            end = len(data) // 2 if args.stall else len(data)
            for at in range(0, end, step):
                self.wfile.write(data[at:min(at + step, end)])
                self.wfile.flush()
                time.sleep(args.throttle / steps)
            if args.stall:
                time.sleep(3600)

    return Handler


def start_ftp(args):
    from pyftpdlib.authorizers import DummyAuthorizer
    from pyftpdlib.handlers import FTPHandler
    from pyftpdlib.servers import FTPServer
    import logging
    logging.getLogger("pyftpdlib").setLevel(logging.ERROR)
    authorizer = DummyAuthorizer()
    authorizer.add_user(args.ftp_user, args.ftp_password, args.ftp_dir, perm="elradfmw")
    handler = FTPHandler
    handler.authorizer = authorizer
    server = FTPServer(("127.0.0.1", 0), handler)
    logging.basicConfig(level=logging.WARNING)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server.socket.getsockname()[1]


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--version", default="1.0.7")
    p.add_argument("--archive")
    p.add_argument("--throttle", type=float, default=0.0)
    p.add_argument("--stall", action="store_true")
    p.add_argument("--request-log")
    p.add_argument("--ftp-dir")
    p.add_argument("--ftp-user", default="melcor")
    p.add_argument("--ftp-password", default="kalMpoz48w!")
    args = p.parse_args()

    ports = {}
    httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), http_handler(args))
    httpd.daemon_threads = True
    threading.Thread(target=httpd.serve_forever, daemon=True).start()
    ports["http"] = httpd.server_address[1]
    if args.ftp_dir:
        os.makedirs(args.ftp_dir, exist_ok=True)
        ports["ftp"] = start_ftp(args)
    print(json.dumps(ports), flush=True)
    sys.stdin.read()  # until the test closes our input or ends


if __name__ == "__main__":
    main()
