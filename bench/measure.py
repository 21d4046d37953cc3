#!/usr/bin/env python3
"""Runs the benchmarks and prints one table; bench/run.sh builds what it needs and calls it.

Every figure is a ratio of two things measured side by side in the same run, each the median of
several interleaved runs, so the table holds on a noisy machine:

  throughput  the program's fetchUrl (x86_64, under wine64) fetching a 256 MiB file from nginx on
              loopback, against curl fetching the same file to /dev/null; a bare WinINet read
              loop of our own as a second baseline tells Wine's client from our code
  memory      the fetch's peak working set above the process's working set before it, against
              the body size; with Content-Length (nginx) and without (a plain HTTP/1.0 server)
  start-up    launch to the start-up notice on screen, against a bare Win32 program that shows
              a message box, both started by a watcher under the same warm wineserver
  size        both release executables and the DLLs they import
"""

from __future__ import annotations

import argparse
import contextlib
import datetime
import os
import platform
import pwd
import re
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time
from dataclasses import dataclass
from pathlib import Path

REPO = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(REPO / "tests" / "helpers"))
import winetest  # noqa: E402

BODY_BYTES = 256 * 1024 * 1024
HTTP_PORT = 47680
HTTPS_PORT = 47681
NOLENGTH_PORT = 47682
MIB = 1024 * 1024
SYSTEM_DLLS = {
    "kernel32", "user32", "gdi32", "shell32", "ole32", "oleaut32", "wininet", "comctl32",
    "comdlg32", "msvcrt", "advapi32", "uxtheme", "shlwapi", "dwmapi", "msimg32", "crypt32",
    "version", "imm32", "ws2_32", "psapi", "shcore", "ntdll",
}


def say(text: str) -> None:
    print(f"bench: {text}", file=sys.stderr, flush=True)


# ---------------------------------------------------------------------------------------------
# Servers


def make_body(www: Path) -> Path:
    body = www / "big.bin"
    if not body.is_file() or body.stat().st_size != BODY_BYTES:
        www.mkdir(parents=True, exist_ok=True)
        with open("/dev/urandom", "rb") as random, open(body, "wb") as out:
            for _ in range(BODY_BYTES // MIB):
                out.write(random.read(MIB))
    return body


@contextlib.contextmanager
def nginx(work: Path, www: Path, cert: Path, key: Path):
    """Debian's nginx on loopback, HTTP and HTTPS, started and stopped here."""
    (work / "logs").mkdir(parents=True, exist_ok=True)
    temp = work / "temp"
    temp.mkdir(exist_ok=True)
    user = pwd.getpwuid(os.geteuid()).pw_name
    config = work / "nginx.conf"
    config.write_text(f"""
user {user};
worker_processes 1;
pid {work}/nginx.pid;
error_log {work}/logs/error.log;
events {{ worker_connections 64; }}
http {{
  access_log off;
  sendfile on;
  tcp_nopush on;
  default_type application/octet-stream;
  client_body_temp_path {temp}/body;
  proxy_temp_path {temp}/proxy;
  fastcgi_temp_path {temp}/fastcgi;
  uwsgi_temp_path {temp}/uwsgi;
  scgi_temp_path {temp}/scgi;
  server {{
    listen 127.0.0.1:{HTTP_PORT};
    listen 127.0.0.1:{HTTPS_PORT} ssl;
    ssl_certificate {cert};
    ssl_certificate_key {key};
    root {www};
  }}
}}
""")
    process = subprocess.Popen(["nginx", "-p", str(work), "-c", str(config), "-g", "daemon off;"],
                               stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    try:
        wait_for_port(HTTP_PORT, process)
        wait_for_port(HTTPS_PORT, process)
        yield
    finally:
        process.terminate()
        process.wait(timeout=10)


def wait_for_port(port: int, process: subprocess.Popen) -> None:
    for _ in range(100):
        if process.poll() is not None:
            raise RuntimeError(f"the server exited with {process.returncode}")
        with contextlib.suppress(OSError), socket.create_connection(("127.0.0.1", port), 0.2):
            return
        time.sleep(0.05)
    raise RuntimeError(f"nothing listens on port {port}")


@contextlib.contextmanager
def server_without_length(body: Path):
    """HTTP/1.0 200 with no Content-Length: the end of the body is the end of the connection."""
    listener = socket.create_server(("127.0.0.1", NOLENGTH_PORT), backlog=8)

    def serve() -> None:
        while True:
            try:
                conn, _ = listener.accept()
            except OSError:
                return
            with conn, open(body, "rb") as f:
                with contextlib.suppress(OSError):
                    head = b""
                    while b"\r\n\r\n" not in head and len(head) < 65536:
                        chunk = conn.recv(4096)
                        if not chunk:
                            break
                        head += chunk
                    conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n"
                                 b"Connection: close\r\n\r\n")
                    conn.sendfile(f)

    thread = threading.Thread(target=serve, daemon=True)
    thread.start()
    try:
        yield
    finally:
        with contextlib.suppress(OSError):
            listener.shutdown(socket.SHUT_RDWR)
        listener.close()
        thread.join(timeout=5)


# ---------------------------------------------------------------------------------------------
# Measurements


@dataclass
class Fetch:
    seconds: float
    growth: int  # peak working set during the fetch above the working set before it
    bytes: int


def fields(text: str) -> dict[str, str]:
    return dict(re.findall(r"(\w+)=(\S+)", text))


def wine(prefix: winetest.Prefix, exe: Path, *args: str) -> str:
    """Runs EXE under wine64 and returns what it printed. Output goes through files, not pipes:
    Wine's background processes would hold a pipe open after EXE has ended."""
    with tempfile.TemporaryFile() as out:
        code = subprocess.run([winetest.WINE64, str(exe), *args], env=prefix.env(),
                              stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT,
                              timeout=300).returncode
        out.seek(0)
        text = out.read().decode(errors="replace")
    if code != 0:
        raise RuntimeError(f"{exe.name} {' '.join(args)} exited with {code}:\n{text}")
    return text


def fetch(prefix: winetest.Prefix, fetch_bench: Path, mode: str, url: str,
          *extra: str) -> Fetch:
    f = fields(wine(prefix, fetch_bench, mode, url, *extra))
    if f.get("ok") != "1" or int(f["bytes"]) != BODY_BYTES:
        raise RuntimeError(f"{mode} fetch of {url} failed: {f}")
    return Fetch(float(f["seconds"]), int(f["peak_working_set"]) - int(f["working_set_before"]),
                 int(f["bytes"]))


def curl(url: str, ca: Path) -> float:
    out = subprocess.run(["curl", "-sS", "--cacert", str(ca), "-o", "/dev/null", "-w",
                          "%{size_download} %{time_total}", url],
                         capture_output=True, text=True, check=True).stdout.split()
    if int(out[0]) != BODY_BYTES:
        raise RuntimeError(f"curl got {out[0]} bytes from {url}")
    return float(out[1])


def startup(prefix: winetest.Prefix, watcher: Path, exe: Path) -> float:
    return float(fields(wine(prefix, watcher, winetest.windows_path(exe)))["seconds"])


def imports(exe: Path, objdump: str) -> list[str]:
    text = subprocess.run([objdump, "-p", str(exe)], capture_output=True, text=True,
                          check=True).stdout
    return re.findall(r"DLL Name: (\S+)", text)


# ---------------------------------------------------------------------------------------------
# The table


def mb_per_s(seconds: float) -> float:
    return BODY_BYTES / seconds / 1e6


def verdict(met: bool) -> str:
    return "met" if met else "MISSED"


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--work", type=Path, required=True, help="the bench's build folder")
    parser.add_argument("--bin", type=Path, required=True, help="where the bench exes are")
    parser.add_argument("--program64", type=Path, required=True)
    parser.add_argument("--program32", type=Path, required=True)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--startup-runs", type=int, default=11)
    args = parser.parse_args()
    for name in ("work", "bin", "program64", "program32"):
        setattr(args, name, getattr(args, name).resolve())

    prefix = winetest.Prefix(args.work)
    certs = winetest.loopback_server.ensure_certificates(prefix.cert_dir)
    body = make_body(args.work / "www")
    fetch_bench = args.bin / "fetch_bench.exe"
    rows: list[tuple[str, str, str, str, str, str]] = []

    say(f"throughput and memory: {args.runs} interleaved runs of each fetch (256 MiB)")
    times: dict[str, list[float]] = {}
    growth_with_length: list[int] = []
    with nginx(args.work / "nginx", body.parent, certs.server_cert, certs.server_key):
        for _ in range(args.runs):
            for scheme, port in (("http", HTTP_PORT), ("https", HTTPS_PORT)):
                url = f"{scheme}://127.0.0.1:{port}/big.bin"
                times.setdefault(f"curl {scheme}", []).append(curl(url, certs.ca_cert))
                client = fetch(prefix, fetch_bench, "client", url)
                times.setdefault(f"client {scheme}", []).append(client.seconds)
                growth_with_length.append(client.growth)
                times.setdefault(f"bare {scheme}", []).append(
                    fetch(prefix, fetch_bench, "bare", url).seconds)
                times.setdefault(f"bare-1MiB {scheme}", []).append(
                    fetch(prefix, fetch_bench, "bare", url, str(MIB)).seconds)
    median = {name: statistics.median(values) for name, values in times.items()}
    for scheme in ("http", "https"):
        ours, bare, big_reads, reference = (mb_per_s(median[f"{who} {scheme}"])
                                            for who in ("client", "bare", "bare-1MiB", "curl"))
        name = scheme.upper()
        rows.append((f"Throughput {name}: fetchUrl vs curl", f"{ours:.0f} MB/s",
                     f"{reference:.0f} MB/s", f"{ours / reference:.2f}", ">= 0.90",
                     verdict(ours / reference >= 0.9)))
        rows.append((f"Throughput {name}: bare WinINet loop vs curl", f"{bare:.0f} MB/s",
                     f"{reference:.0f} MB/s", f"{bare / reference:.2f}", "(reference)", ""))
        rows.append((f"Throughput {name}: fetchUrl vs bare WinINet loop", f"{ours:.0f} MB/s",
                     f"{bare:.0f} MB/s", f"{ours / bare:.2f}", "(our share)", ""))
        rows.append((f"Throughput {name}: bare loop, 1 MiB reads, vs curl",
                     f"{big_reads:.0f} MB/s", f"{reference:.0f} MB/s",
                     f"{big_reads / reference:.2f}", "(read size)", ""))

    say("memory without Content-Length")
    growth_without_length = []
    with server_without_length(body):
        for _ in range(max(1, args.runs // 2)):
            growth_without_length.append(
                fetch(prefix, fetch_bench, "client",
                      f"http://127.0.0.1:{NOLENGTH_PORT}/big.bin").growth)
    for label, growths, target in (("with Content-Length", growth_with_length, True),
                                   ("without Content-Length", growth_without_length, False)):
        growth = statistics.median(growths)
        over = (growth - BODY_BYTES) / MIB
        rows.append((f"Peak memory {label}", f"{growth / MIB:.1f} MiB",
                     f"{BODY_BYTES / MIB:.0f} MiB body", f"{growth / BODY_BYTES:.2f}",
                     "body + 16 MiB" if target else "(shown)",
                     verdict(over <= 16) if target else f"body + {over:.0f} MiB"))

    say(f"start-up: {args.startup_runs} interleaved launches of each (after one to warm up)")
    watcher = args.bin / "startup_watch.exe"
    bare_notice = args.bin / "bare_notice.exe"
    startup(prefix, watcher, args.program64)
    startup(prefix, watcher, bare_notice)
    program_times, bare_times = [], []
    for _ in range(args.startup_runs):
        program_times.append(startup(prefix, watcher, args.program64))
        bare_times.append(startup(prefix, watcher, bare_notice))
    ours, bare = statistics.median(program_times), statistics.median(bare_times)
    rows.append(("Start-up to the notice on screen", f"{ours * 1000:.0f} ms",
                 f"{bare * 1000:.0f} ms", f"{ours / bare:.2f}", "<= 1.30",
                 verdict(ours / bare <= 1.3)))

    notes = []
    for name, exe, objdump in (("i686", args.program32, "i686-w64-mingw32-objdump"),
                               ("x86_64", args.program64, "x86_64-w64-mingw32-objdump")):
        dlls = sorted(imports(exe, objdump), key=str.lower)
        foreign = [dll for dll in dlls if dll.lower().removesuffix(".dll") not in SYSTEM_DLLS]
        size = exe.stat().st_size
        rows.append((f"Size {name} release", f"{size / 1024:.0f} KiB", "1024 KiB",
                     f"{size / MIB:.2f}", "< 1.00, system DLLs only",
                     verdict(size < MIB and not foreign)))
        notes.append(f"{name} imports: {' '.join(dlls)}"
                     + (f" (not Windows' own: {' '.join(foreign)})" if foreign else ""))

    header = ("Figure", "Ours", "Baseline", "Ratio", "Target", "")
    widths = [max(len(row[i]) for row in [header, *rows]) for i in range(len(header))]
    lines = [" | ".join(cell.ljust(width) for cell, width in zip(row, widths)).rstrip()
             for row in [header, tuple("-" * w for w in widths), *rows]]
    cpu = next((line.split(":", 1)[1].strip() for line in Path("/proc/cpuinfo").read_text()
                .splitlines() if line.startswith("model name")), platform.processor())
    wine_version = subprocess.run([winetest.WINE64, "--version"], capture_output=True,
                                  text=True).stdout.strip()
    print(f"{datetime.date.today()}, {cpu}, {os.cpu_count()} cores, {platform.system()} "
          f"{platform.release()}, {wine_version}")
    print(f"medians of {args.runs} fetches and {args.startup_runs} launches each; "
          "MB = 10^6 bytes")
    print("\n".join(lines + notes))
    return 0


if __name__ == "__main__":
    sys.exit(main())
