#!/usr/bin/env python3
"""Loopback HTTP and HTTPS servers that the Windows tests download from.

Three listeners on 127.0.0.1 answer the same routes:

  https      fixed port 47443 (the port the test build's download hosts name), certificate
             signed by the test CA that `winetest.py setup` trusts in the test Wine prefix
  http       ephemeral port, plain HTTP
  untrusted  ephemeral port, HTTPS with a self-signed certificate nobody trusts

Routes (the query string is ignored unless a route says otherwise):

  /echo...           200 text/plain; the body is the request head exactly as it arrived
                     (request line, headers, blank line)
  /status/<code>     that status (200-599) with a small HTML body
  /html              200 text/html page
  /empty             200 with Content-Length: 0
  /broken            200 announcing Content-Length: 100000, sends 1000 bytes of it and
                     closes the connection (over TLS without close_notify); /broken?reset
                     aborts it with a TCP reset instead, a moment after the 1000 bytes (which
                     the client may still lose)
  /nolength          HTTP/1.0 200 with NOLENGTH_BODY and no Content-Length; the end of the
                     body is the end of the connection
  /redirect?to=P     302 to P (a path on the same server, or any address) with a small body
  /loop              302 to itself, for ever
  /hops/<n>          302 to the relative reference <n-1>, down to /hops/0, which answers as
                     /echo does: n redirects in a row
  /silent            reads the request and never answers (holds the connection until the
                     client gives up)
  /stall             200 announcing Content-Length: 100000, sends 1000 bytes of it, then
                     nothing more (holds the connection like /silent)
  anything else      the file under the served directory named by the raw URL path (no
                     percent-decoding), or 404 with an HTML body

Every response ends its connection. Every server-side failure (a client that aborts the
TLS handshake, a dropped connection) is recorded in the log, never raised.

Faults: the trusted https listener misbehaves as the file FAULT_FILE_NAME in the served
directory says, read afresh for every connection, whatever path is asked for. Its one line is
one of

  status <code>      that status with an HTML body
  html               200 with an HTML page
  empty              200 with Content-Length: 0
  short              the served file whole, announced SHORT_BY bytes longer, then a clean end
  reset              the same, then a TCP reset
  loop               302 to the same path, for ever
  downgrade          302 to the same path on the plain http listener
  untrusted          the TLS handshake with the certificate nobody trusts
  silent             reads the request and never answers (as /silent does)
  late <seconds>     the served file as usual, but only after that many seconds

(A listener that never even answers the TLS handshake is no fault here: WinINet under Wine
applies no time-out to the handshake and would wait for it for ever.)

The servers remove the file when they start and when they stop.

Runnable on its own:  loopback_server.py --cert-dir DIR --served-dir DIR
"""

from __future__ import annotations

import argparse
import contextlib
import fcntl
import http
import os
import socket
import ssl
import struct
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse
from dataclasses import dataclass
from pathlib import Path

HOST = "127.0.0.1"
FIXED_HTTPS_PORT = 47443
SUBJECT_ALT_NAME = "DNS:127.0.0.1,IP:127.0.0.1,DNS:localhost"

BROKEN_DECLARED_LENGTH = 100_000
BROKEN_SENT_LENGTH = 1_000
NOLENGTH_BODY = b"0123456789abcdef" * 1024  # 16 KiB, more than one read's worth
HTML_BODY = (
    b"<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Loopback test page</title>"
    b"</head>\n<body><h1>Loopback test page</h1><p>Not a download.</p></body></html>\n"
)

FAULT_FILE_NAME = "loopback-fault.txt"
SHORT_BY = 1_000
STALL_SENT_LENGTH = 1_000

MAX_HEAD_BYTES = 64 * 1024
IO_TIMEOUT_SECONDS = 60
CLOSE_TIMEOUT_SECONDS = 5
FILE_CHUNK_BYTES = 1024 * 1024


# ---------------------------------------------------------------------------------------------
# Certificates


@dataclass(frozen=True)
class Certificates:
    ca_cert: Path  # PEM
    ca_der: Path  # the same certificate, DER, for the Windows certificate store
    server_cert: Path
    server_key: Path
    untrusted_cert: Path
    untrusted_key: Path


def _openssl(*args: str, cwd: Path) -> None:
    result = subprocess.run(["openssl", *args], cwd=cwd, stdin=subprocess.DEVNULL,
                            capture_output=True, text=True)
    if result.returncode != 0:
        raise RuntimeError(f"openssl {' '.join(args)} failed:\n{result.stderr}")


def _make_certificates(d: Path) -> None:
    days = "3650"
    _openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha256", "-days", days,
             "-keyout", "ca.key", "-out", "ca.pem", "-subj", "/CN=Loopback Test CA",
             "-addext", "basicConstraints=critical,CA:TRUE",
             "-addext", "keyUsage=critical,keyCertSign,cRLSign", cwd=d)
    (d / "server.ext").write_text(
        f"subjectAltName={SUBJECT_ALT_NAME}\n"
        "basicConstraints=critical,CA:FALSE\n"
        "keyUsage=critical,digitalSignature,keyEncipherment\n"
        "extendedKeyUsage=serverAuth\n")
    _openssl("req", "-newkey", "rsa:2048", "-nodes", "-sha256", "-keyout", "server.key",
             "-out", "server.csr", "-subj", "/CN=127.0.0.1", cwd=d)
    _openssl("x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
             "-CAcreateserial", "-sha256", "-days", days, "-extfile", "server.ext",
             "-out", "server.pem", cwd=d)
    _openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha256", "-days", days,
             "-keyout", "untrusted.key", "-out", "untrusted.pem", "-subj", "/CN=127.0.0.1",
             "-addext", f"subjectAltName={SUBJECT_ALT_NAME}", cwd=d)
    _openssl("x509", "-in", "ca.pem", "-outform", "DER", "-out", "ca.der", cwd=d)


def ensure_certificates(cert_dir: os.PathLike | str) -> Certificates:
    """Makes the test CA, the server and the untrusted certificates once; later calls reuse them."""
    d = Path(cert_dir)
    d.mkdir(parents=True, exist_ok=True)
    certs = Certificates(d / "ca.pem", d / "ca.der", d / "server.pem", d / "server.key",
                         d / "untrusted.pem", d / "untrusted.key")
    complete = d / "complete"
    with open(d / ".lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if not complete.exists():
            _make_certificates(d)
            complete.write_text("ok\n")
    return certs


# ---------------------------------------------------------------------------------------------
# Requests and responses


@dataclass(frozen=True)
class Request:
    head: bytes  # raw, up to and including the blank line
    method: str
    target: str
    path: str  # raw, query removed
    query: str


def _read_head(conn: socket.socket) -> bytes | None:
    data = b""
    while True:
        end = data.find(b"\r\n\r\n")
        if end >= 0:
            return data[:end + 4]
        if len(data) > MAX_HEAD_BYTES:
            return None
        chunk = conn.recv(65536)
        if not chunk:
            return None
        data += chunk


def _parse(head: bytes) -> Request | None:
    line = head.split(b"\r\n", 1)[0].decode("latin-1")
    parts = line.split(" ")
    if len(parts) != 3 or not parts[2].startswith("HTTP/"):
        return None
    method, target = parts[0], parts[1]
    if target.startswith(("http://", "https://")):  # absolute form: keep the path
        after_scheme = target.split("://", 1)[1]
        target = "/" + after_scheme.split("/", 1)[1] if "/" in after_scheme else "/"
    path, _, query = target.partition("?")
    return Request(head, method, target, path, query)


def _reason(code: int) -> str:
    try:
        return http.HTTPStatus(code).phrase
    except ValueError:
        return "Status"


def _html_message(code: int, text: str) -> bytes:
    return (f"<html><head><title>{code} {text}</title></head>"
            f"<body><h1>{code} {text}</h1></body></html>\n").encode()


def _head_bytes(code: int, headers: list[tuple[str, str]], version: str = "HTTP/1.1") -> bytes:
    lines = [f"{version} {code} {_reason(code)}"]
    lines += [f"{name}: {value}" for name, value in headers]
    return ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1")


class _Abort(Exception):
    """Raised by a route that wants its connection dropped without a clean end."""

    def __init__(self, reset: bool):
        super().__init__()
        self.reset = reset


# ---------------------------------------------------------------------------------------------
# Listeners


class Faults:
    """The misbehaviour that a test asks of the trusted listener (see the module's text)."""

    def __init__(self, served_dir: Path, untrusted_tls: ssl.SSLContext):
        self.file = served_dir / FAULT_FILE_NAME
        self.untrusted_tls = untrusted_tls
        self.plain_port = 0  # set once the plain http listener is up

    def current(self) -> tuple[str, str]:
        """The fault and its argument, or empty texts when none is asked for."""
        try:
            text = self.file.read_text(encoding="utf-8", errors="replace").strip()
        except OSError:
            return "", ""
        kind, _, argument = text.partition(" ")
        return kind, argument.strip()

    def clear(self) -> None:
        with contextlib.suppress(OSError):
            self.file.unlink()


def _hold_silently(conn: socket.socket) -> None:
    """Sends nothing and waits until the client ends the connection (or the I/O time-out)."""
    with contextlib.suppress(OSError):
        while conn.recv(65536):
            pass


class Listener:
    """One listening socket with a thread per connection."""

    def __init__(self, name: str, port: int, tls: ssl.SSLContext | None, served_dir: Path,
                 log: list[str], log_lock: threading.Lock, faults: Faults | None = None):
        self.name = name
        self._tls = tls
        self._faults = faults
        self._served = served_dir.resolve()
        self._log = log
        self._log_lock = log_lock
        self._sock = self._bind(port)
        self.port = self._sock.getsockname()[1]
        self._thread = threading.Thread(target=self._accept_loop, name=f"{name}-accept",
                                        daemon=True)
        self._thread.start()

    @staticmethod
    def _bind(port: int) -> socket.socket:
        # A previous run's server may still be releasing the fixed port: retry for a while.
        deadline = time.monotonic() + (10 if port else 0)
        while True:
            try:
                return socket.create_server((HOST, port), backlog=128)
            except OSError as error:
                if time.monotonic() >= deadline:
                    raise OSError(error.errno, f"cannot listen on {HOST}:{port}: "
                                  f"{os.strerror(error.errno)}") from None
                time.sleep(0.2)

    def close(self) -> None:
        with contextlib.suppress(OSError):
            self._sock.shutdown(socket.SHUT_RDWR)  # wakes the blocked accept()
        self._sock.close()
        self._thread.join(timeout=5)

    def note(self, text: str) -> None:
        with self._log_lock:
            self._log.append(f"[{self.name}] {text}")

    def _accept_loop(self) -> None:
        while True:
            try:
                raw, _ = self._sock.accept()
            except OSError:
                return
            threading.Thread(target=self._serve, args=(raw,), daemon=True).start()

    def _serve(self, raw: socket.socket) -> None:
        raw.settimeout(IO_TIMEOUT_SECONDS)
        conn: socket.socket = raw
        fault, argument = self._faults.current() if self._faults else ("", "")
        try:
            tls = self._faults.untrusted_tls if fault == "untrusted" else self._tls
            if tls is not None:
                try:
                    conn = tls.wrap_socket(raw, server_side=True)
                except (OSError, ssl.SSLError) as error:
                    self.note(f"TLS handshake failed: {error}")
                    return
            head = _read_head(conn)
            if head is None:
                self.note("connection ended before a complete request head")
                return
            request = _parse(head)
            if request is None:
                self.note(f"malformed request: {head[:200]!r}")
                self._send(conn, "GET", 400, "text/html", _html_message(400, "Bad Request"))
            elif fault and fault != "untrusted":
                self.note(f"{request.method} {request.target} (fault: {fault} {argument})")
                self._misbehave(conn, request, fault, argument)
            else:
                self.note(f"{request.method} {request.target}")
                self._route(conn, request)
            self._finish(conn)
        except _Abort as abort:
            if abort.reset:  # (wrapping a socket for TLS detaches `raw`, so use `conn`)
                conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        except (OSError, ssl.SSLError) as error:
            self.note(f"connection failed: {error}")
        finally:
            raw.close()
            if conn is not raw:
                conn.close()

    def _finish(self, conn: socket.socket) -> None:
        """Ends the connection cleanly: TLS close_notify, FIN, then waits a little for the peer's.

        The close_notify goes out without waiting for the client's own: WinINet under Wine does
        not answer one, and a body without Content-Length would then wait for our time-out.
        """
        if isinstance(conn, ssl.SSLSocket):
            conn.setblocking(False)
            with contextlib.suppress(OSError, ssl.SSLError, ValueError):
                conn.unwrap()  # sends close_notify, then finds no answer waiting
        conn.settimeout(CLOSE_TIMEOUT_SECONDS)
        with contextlib.suppress(OSError):
            conn.shutdown(socket.SHUT_WR)
            while conn.recv(65536):
                pass

    # Routing -------------------------------------------------------------------------------

    def _route(self, conn: socket.socket, req: Request) -> None:
        if req.path.startswith("/echo"):
            self._send(conn, req.method, 200, "text/plain", req.head)
        elif req.path.startswith("/status/"):
            code_text = req.path[len("/status/"):]
            code = int(code_text) if code_text.isdigit() else 0
            if 200 <= code <= 599:
                self._send(conn, req.method, code, "text/html", _html_message(code, _reason(code)))
            else:
                self._send(conn, req.method, 400, "text/html", _html_message(400, "Bad Request"))
        elif req.path == "/html":
            self._send(conn, req.method, 200, "text/html; charset=utf-8", HTML_BODY)
        elif req.path == "/empty":
            self._send(conn, req.method, 200, "application/octet-stream", b"")
        elif req.path == "/broken":
            conn.sendall(_head_bytes(200, [("Content-Type", "application/octet-stream"),
                                           ("Content-Length", str(BROKEN_DECLARED_LENGTH)),
                                           ("Connection", "close")]))
            if req.method != "HEAD":
                conn.sendall(b"b" * BROKEN_SENT_LENGTH)
            reset = req.query == "reset"
            if reset:
                time.sleep(0.2)  # a reset discards what the client has not read yet
            raise _Abort(reset)
        elif req.path == "/nolength":
            conn.sendall(_head_bytes(200, [("Content-Type", "application/octet-stream"),
                                           ("Connection", "close")], version="HTTP/1.0"))
            if req.method != "HEAD":
                conn.sendall(NOLENGTH_BODY)
        elif req.path == "/redirect":
            to = urllib.parse.parse_qs(req.query).get("to", ["/"])[0]
            self._redirect(conn, req, to)
        elif req.path == "/loop":
            self._redirect(conn, req, req.target)
        elif req.path.startswith("/hops/") and req.path[len("/hops/"):].isdigit():
            left = int(req.path[len("/hops/"):])
            if left == 0:
                self._send(conn, req.method, 200, "text/plain", req.head)
            else:
                self._redirect(conn, req, str(left - 1))
        elif req.path == "/silent":
            _hold_silently(conn)
        elif req.path == "/stall":
            conn.sendall(_head_bytes(200, [("Content-Type", "application/octet-stream"),
                                           ("Content-Length", str(BROKEN_DECLARED_LENGTH)),
                                           ("Connection", "close")]))
            conn.sendall(b"s" * STALL_SENT_LENGTH)
            _hold_silently(conn)
        else:
            self._send_file(conn, req)

    def _redirect(self, conn: socket.socket, req: Request, location: str) -> None:
        self._send(conn, req.method, 302, "text/html", _html_message(302, "Found"),
                   [("Location", location)])

    def _misbehave(self, conn: socket.socket, req: Request, fault: str, argument: str) -> None:
        if fault == "status" and argument.isdigit() and 200 <= int(argument) <= 599:
            code = int(argument)
            self._send(conn, req.method, code, "text/html", _html_message(code, _reason(code)))
        elif fault == "html":
            self._send(conn, req.method, 200, "text/html; charset=utf-8", HTML_BODY)
        elif fault == "empty":
            self._send(conn, req.method, 200, "application/octet-stream", b"")
        elif fault in ("short", "reset"):
            # The whole file goes out, so only the announced length can tell it is incomplete.
            body = self._file_bytes(req)
            if body is None:
                self._send(conn, req.method, 404, "text/html", _html_message(404, "Not Found"))
                return
            conn.sendall(_head_bytes(200, [("Content-Type", "application/octet-stream"),
                                           ("Content-Length", str(len(body) + SHORT_BY)),
                                           ("Connection", "close")]) + body)
            if fault == "reset":
                time.sleep(0.2)  # a reset discards what the client has not read yet
                raise _Abort(reset=True)
        elif fault == "loop":
            self._redirect(conn, req, req.target)
        elif fault == "downgrade":
            self._redirect(conn, req, f"http://{HOST}:{self._faults.plain_port}{req.target}")
        elif fault == "silent":
            _hold_silently(conn)
        elif fault == "late" and argument.replace(".", "", 1).isdigit():
            time.sleep(float(argument))
            self._send_file(conn, req)
        else:
            self.note(f"unknown fault {fault!r}")
            self._send(conn, req.method, 500, "text/html", _html_message(500, "Unknown fault"))

    def _served_file(self, req: Request) -> Path | None:
        candidate = Path(os.path.realpath(self._served / req.path.lstrip("/")))
        inside = candidate == self._served or self._served in candidate.parents
        return candidate if inside and candidate.is_file() else None

    def _file_bytes(self, req: Request) -> bytes | None:
        path = self._served_file(req)
        return path.read_bytes() if path is not None else None

    def _send(self, conn: socket.socket, method: str, code: int, content_type: str, body: bytes,
              extra: list[tuple[str, str]] | None = None) -> None:
        headers = [("Content-Type", content_type), ("Content-Length", str(len(body)))]
        headers += extra or []
        headers.append(("Connection", "close"))
        conn.sendall(_head_bytes(code, headers) + (b"" if method == "HEAD" else body))

    def _send_file(self, conn: socket.socket, req: Request) -> None:
        candidate = self._served_file(req)
        if candidate is None:
            self._send(conn, req.method, 404, "text/html", _html_message(404, "Not Found"))
            return
        with open(candidate, "rb") as f:
            size = os.fstat(f.fileno()).st_size
            conn.sendall(_head_bytes(200, [("Content-Type", "application/octet-stream"),
                                           ("Content-Length", str(size)),
                                           ("Connection", "close")]))
            if req.method == "HEAD":
                return
            if isinstance(conn, ssl.SSLSocket):
                while chunk := f.read(FILE_CHUNK_BYTES):
                    conn.sendall(chunk)
            else:
                conn.sendfile(f)  # os.sendfile underneath


class LoopbackServers:
    """The three listeners; a context manager that stops them on exit."""

    def __init__(self, certs: Certificates, served_dir: os.PathLike | str,
                 https_port: int = FIXED_HTTPS_PORT):
        self.log: list[str] = []
        lock = threading.Lock()
        served = Path(served_dir)
        served.mkdir(parents=True, exist_ok=True)
        self._listeners: list[Listener] = []
        untrusted_tls = self._context(certs.untrusted_cert, certs.untrusted_key)
        self.faults = Faults(served, untrusted_tls)
        self.faults.clear()  # a fault left behind by an earlier run
        try:
            self.https = self._add("https", https_port, served, lock,
                                   self._context(certs.server_cert, certs.server_key),
                                   self.faults)
            self.http = self._add("http", 0, served, lock, None)
            self.faults.plain_port = self.http.port
            self.untrusted = self._add("untrusted", 0, served, lock, untrusted_tls)
        except BaseException:
            self.close()
            raise

    def _add(self, name: str, port: int, served: Path, lock: threading.Lock,
             tls: ssl.SSLContext | None, faults: Faults | None = None) -> Listener:
        listener = Listener(name, port, tls, served, self.log, lock, faults)
        self._listeners.append(listener)
        return listener

    @staticmethod
    def _context(cert: Path, key: Path) -> ssl.SSLContext:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(cert, key)
        return context

    def close(self) -> None:
        for listener in self._listeners:
            listener.close()
        self._listeners.clear()
        self.faults.clear()

    def __enter__(self) -> LoopbackServers:
        return self

    def __exit__(self, *exc_info: object) -> None:
        self.close()


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--cert-dir", default=None,
                        help="where the certificates are made or found (default: a temporary one)")
    parser.add_argument("--served-dir", default=".", help="directory for static files")
    parser.add_argument("--https-port", type=int, default=FIXED_HTTPS_PORT)
    args = parser.parse_args()
    with contextlib.ExitStack() as stack:
        cert_dir = args.cert_dir or stack.enter_context(tempfile.TemporaryDirectory())
        certs = ensure_certificates(cert_dir)
        servers = stack.enter_context(LoopbackServers(certs, args.served_dir, args.https_port))
        print(f"https://{HOST}:{servers.https.port}/  (CA {certs.ca_cert})")
        print(f"http://{HOST}:{servers.http.port}/")
        print(f"https://{HOST}:{servers.untrusted.port}/  (untrusted)", flush=True)
        try:
            shown = 0
            while True:
                time.sleep(0.5)
                for line in servers.log[shown:]:
                    print(line, file=sys.stderr)
                shown = len(servers.log)
        except KeyboardInterrupt:
            pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
