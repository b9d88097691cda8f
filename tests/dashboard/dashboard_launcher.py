#!/usr/bin/env python3
"""Starts and stops test dashboards (dashboard_test_server.py) for test programs that cannot start a
Linux process themselves: the Windows test programs, which run under Wine.

Listens on loopback only and prints "listening on PORT" on standard output. Requests, JSON bodies:
  POST /start {"arguments": [...], "log": PATH, "port_file": PATH}
      starts a dashboard with those arguments, its standard error going to the log; once it listens,
      writes its port to the port file and answers 204 (500 when it did not start)
  POST /stop {"port": N}
      ends the dashboard listening on that port and answers 204 (404 when there is none)
  POST /certificates {"folder": PATH}
      makes a test certificate authority and a certificate for 127.0.0.1 in the folder
      (make_test_certificates.sh) and answers 204 (500 when it could not)
Every dashboard still running is ended when the launcher ends.
"""
import http.server
import json
import os
import signal
import subprocess
import sys
import threading

HERE = os.path.dirname(os.path.abspath(__file__))
SERVER = os.path.join(HERE, "dashboard_test_server.py")
CERTIFICATES = os.path.join(HERE, "make_test_certificates.sh")
dashboards = {}  # port -> process
lock = threading.Lock()


class Launcher(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        request = json.loads(self.rfile.read(int(self.headers.get("Content-Length", "0"))) or b"{}")
        if self.path == "/start":
            self.answer(self.start(request))
        elif self.path == "/stop":
            self.answer(self.stop(request))
        elif self.path == "/certificates":
            made = subprocess.run(["sh", CERTIFICATES, request["folder"]], stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL).returncode == 0
            self.answer(204 if made else 500)
        else:
            self.answer(404)

    def start(self, request):
        with open(request["log"], "w") as log:
            process = subprocess.Popen([sys.executable, SERVER] + request["arguments"], stdout=subprocess.PIPE,
                                       stderr=log, text=True)
        words = process.stdout.readline().split()
        if words[:2] != ["listening", "on"]:
            process.kill()
            process.wait()
            return 500
        port = int(words[2])
        with lock:
            dashboards[port] = process
        with open(request["port_file"], "w") as port_file:
            port_file.write("%d\n" % port)
        return 204

    def stop(self, request):
        with lock:
            process = dashboards.pop(request.get("port"), None)
        if process is None:
            return 404
        process.terminate()
        process.wait()
        return 204

    def answer(self, status):
        self.send_response(status)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def log_message(self, *_):
        pass


def main():
    launcher = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Launcher)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    print("listening on %d" % launcher.server_address[1], flush=True)
    try:
        launcher.serve_forever()
    finally:
        with lock:
            for process in dashboards.values():
                process.terminate()
                process.wait()


if __name__ == "__main__":
    main()
