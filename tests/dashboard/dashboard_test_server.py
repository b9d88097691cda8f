#!/usr/bin/env python3
"""A stand-in for the ZANDO dashboard, for tests and the demo.

Listens on loopback only, records every request byte for byte, checks the bearer key and verifies the
request signature on its own (Python's hmac, not the plug-in's code), then answers. It can also answer
given statuses in turn, never answer, close the connection before answering, or speak TLS.

An upload's question of the formats taken (a GET of <path>/api/health from the plug-in's upload agent) is
answered at once, whatever the behaviour: {"status": "ok"}, with "formats" when --formats names them;
it is recorded with "probe": true and takes no status from --statuses.

Prints "listening on PORT" on standard output once it accepts connections, and one verdict line per
request on standard error.
"""
import argparse
import base64
import hashlib
import hmac
import json
import socket
import ssl
import sys
import threading
import time


def read_request(connection):
    """Reads one HTTP request: the raw bytes, the request line, the headers in order and the body."""
    raw = b""
    while b"\r\n\r\n" not in raw:
        chunk = connection.recv(65536)
        if not chunk:
            return None
        raw += chunk
    head, _, rest = raw.partition(b"\r\n\r\n")
    lines = head.decode("latin-1").split("\r\n")
    headers = []
    for line in lines[1:]:
        name, _, value = line.partition(":")
        headers.append([name, value.strip()])
    length = 0
    for name, value in headers:
        if name.lower() == "content-length":
            length = int(value)
    body = rest
    while len(body) < length:
        chunk = connection.recv(65536)
        if not chunk:
            break
        body += chunk
    raw = head + b"\r\n\r\n" + body
    return raw, lines[0], headers, body


def header(headers, wanted):
    for name, value in headers:
        if name.lower() == wanted.lower():
            return value
    return None


class Dashboard:
    def __init__(self, args):
        self.args = args
        self.statuses = [int(s) for s in args.statuses.split(",")] if args.statuses else []
        self.lock = threading.Lock()
        self.count = 0

    def verdict(self, headers, body):
        key_ok = header(headers, "Authorization") == "Bearer " + self.args.key
        signature = header(headers, "X-ZANDO-Signature")
        if signature is None:
            signature_ok = None
        else:
            expected = "sha256=" + hmac.new(self.args.key.encode("latin-1"), body, hashlib.sha256).hexdigest()
            signature_ok = hmac.compare_digest(signature, expected)
        return key_ok, signature_ok

    def next_status(self, key_ok, signature_ok):
        with self.lock:
            index = self.count
            self.count += 1
        if self.statuses:
            return self.statuses[min(index, len(self.statuses) - 1)]
        if not key_ok:
            return 401
        if signature_ok is False:
            return 400
        return 200

    def serve(self, connection):
        try:
            request = read_request(connection)
            if request is None:
                return
            raw, request_line, headers, body = request
            key_ok, signature_ok = self.verdict(headers, body)
            words = request_line.split(" ")
            probe = (len(words) == 3 and words[0] == "GET" and words[1].endswith("/api/health")
                     and (header(headers, "User-Agent") or "").startswith("ZANDO-Plugin/"))
            record = {
                "request_line": request_line,
                "headers": headers,
                "body": body.decode("utf-8", "replace"),
                "raw": base64.b64encode(raw).decode("ascii"),
                "key_ok": key_ok,
                "signature_ok": signature_ok,
                "probe": probe,
            }
            with self.lock:
                with open(self.args.record, "a", encoding="utf-8") as out:
                    out.write(json.dumps(record) + "\n")
            if probe:
                answer = {"status": "ok"}
                if self.args.formats:
                    answer["formats"] = self.args.formats.split(",")
                text = json.dumps(answer)
                reply = ("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: %d\r\n"
                         "Connection: close\r\n\r\n%s") % (len(text), text)
                connection.sendall(reply.encode("ascii"))
                return
            if self.args.behaviour == "hang":
                time.sleep(3600)
                return
            if self.args.behaviour == "close":
                return
            time.sleep(self.args.delay)
            status = self.next_status(key_ok, signature_ok)
            signature_text = {None: "no signature", True: "signature verified", False: "signature INVALID"}[signature_ok]
            print("dashboard: %s - key %s, %s - answered %d" % (request_line, "accepted" if key_ok else "REJECTED",
                                                                signature_text, status), file=sys.stderr, flush=True)
            # A redirection names another address on this server; a client that follows it shows up
            # as a second request.
            moved = "Location: /moved-elsewhere\r\n" if 300 <= status < 400 else ""
            reply = ("HTTP/1.1 %d Status %d\r\nContent-Type: application/json\r\nContent-Length: 2\r\n%s"
                     "Connection: close\r\n\r\n{}") % (status, status, moved)
            connection.sendall(reply.encode("ascii"))
        except (OSError, ssl.SSLError):
            pass
        finally:
            try:
                connection.close()
            except OSError:
                pass


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--key", required=True, help="the API key requests must carry")
    parser.add_argument("--record", required=True, help="file to append one JSON line per request to")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--statuses", default="", help="statuses to answer in turn (the last one repeats)")
    parser.add_argument("--behaviour", choices=["answer", "hang", "close"], default="answer")
    parser.add_argument("--delay", type=float, default=0.0, help="seconds to wait before answering")
    parser.add_argument("--formats", default="", help="the upload formats its health answer names (v1,v2)")
    parser.add_argument("--cert", help="server certificate (PEM): speak TLS")
    parser.add_argument("--cert-key", help="the certificate's private key (PEM)")
    args = parser.parse_args()

    dashboard = Dashboard(args)
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", args.port))
    listener.listen(16)
    context = None
    if args.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.cert_key)
    print("listening on %d" % listener.getsockname()[1], flush=True)
    while True:
        connection, _ = listener.accept()
        if context is not None:
            try:
                connection.settimeout(10)
                connection = context.wrap_socket(connection, server_side=True)
                connection.settimeout(None)
            except (OSError, ssl.SSLError):
                connection.close()
                continue
        threading.Thread(target=dashboard.serve, args=(connection,), daemon=True).start()


if __name__ == "__main__":
    try:
        main()
    except KeyboardInterrupt:
        pass
