#!/usr/bin/env python3
"""Runs the Windows test programs under wine64 in a private prefix of the build tree.

  winetest.py setup    --build-dir B --trust-exe TRUST.exe
      Makes the prefix B/wineprefix, the test certificates in
      B/test-certs, trusts the test CA there, maps Chinese font faces to WenQuanYi Micro Hei,
      maps drive R: to the folder B/test-drive, and leaves a persistent wineserver running.
      Quiet and quick when all that is done.
  winetest.py teardown --build-dir B
      Stops that prefix's wineserver.
  winetest.py run      --build-dir B [--timeout S] -- EXE [ARGS...]
      Starts the loopback servers (serving B/served), runs EXE under wine64 with
        DL_TEST_HTTPS_PORT      47443, the trusted HTTPS listener
        DL_TEST_HTTP_PORT       plain HTTP
        DL_TEST_UNTRUSTED_PORT  HTTPS with a certificate nobody trusts
        DL_TEST_SERVED_DIR      B/served as a Windows path (Z:\\...)
        DL_TEST_DRIVE           R:, the drive whose root is B/test-drive
        DL_TEST_SCRATCH_DIR     a fresh folder for this run (Windows path), removed afterwards
      and exits with EXE's exit code. Needs an X display (run under xvfb-run).

Read-only folders on request: the tests run as root, for whom Unix permissions stop nothing.
For a folder NAME directly inside the scratch folder, the test creates NAME.lock-request there;
the runner makes NAME read-only in a way that binds root as well (the immutable attribute, else
a read-only bind mount; plain permissions when not root), checks that a new file cannot be
made in it, and answers with NAME.lock-answer: "locked", or "unavailable: <why>". Every lock
is undone when the program ends.

Every Wine process gets LANG=LC_ALL=C.UTF-8 and WINEDEBUG=-all (unless WINEDEBUG is set), reads
/dev/null and writes to files, never to this script's pipes: a Wine process that outlives its
parent then cannot keep a caller such as ctest waiting. The C locale gives Windows code page
1252; its UTF-8 variant lets Wine store any Windows file name on the Unix side (under plain C,
names outside ASCII cannot be created).
"""

from __future__ import annotations

import argparse
import contextlib
import fcntl
import hashlib
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import loopback_server  # noqa: E402

WINE64 = os.environ.get("WINETEST_WINE64", "/usr/lib/wine/wine64")
WINESERVER = os.environ.get("WINETEST_WINESERVER", "/usr/lib/wine/wineserver")
# How long the wineserver outlives its last process; tests run back to back well within this.
SERVER_LINGER_SECONDS = 600
DEFAULT_TIMEOUT_SECONDS = 240

DEBIAN_WINE_FONTS = Path("/usr/share/wine/fonts")
CJK_FACE = "WenQuanYi Micro Hei"
CHINESE_FACES = ["微软雅黑", "Microsoft YaHei", "Microsoft YaHei UI", "宋体", "SimSun",
                 "新宋体", "NSimSun", "黑体", "SimHei"]

TEST_DRIVE = "r:"
LOCK_REQUEST = ".lock-request"
LOCK_ANSWER = ".lock-answer"
LOCK_POLL_SECONDS = 0.05

TRUST_MARKER = ".winetest-trusted-ca"
FONT_MARKER = ".winetest-font-replacements"


class HarnessError(Exception):
    pass


def say(text: str) -> None:
    print(f"winetest: {text}", file=sys.stderr, flush=True)


class Prefix:
    def __init__(self, build_dir: Path):
        self.build_dir = build_dir.resolve()
        self.path = self.build_dir / "wineprefix"
        self.cert_dir = self.build_dir / "test-certs"
        self.served_dir = self.build_dir / "served"
        self.log_dir = self.build_dir / "winetest-logs"
        self.drive_dir = self.build_dir / "test-drive"
        self.scratch_root = self.build_dir / "winetest-scratch"

    def env(self) -> dict[str, str]:
        env = dict(os.environ)
        env.pop("LANGUAGE", None)
        env.update(WINEPREFIX=str(self.path), LANG="C.UTF-8", LC_ALL="C.UTF-8",
                   WINEDLLOVERRIDES="mscoree,mshtml=", WINEDEBUG=env.get("WINEDEBUG", "-all"))
        return env

    def exists(self) -> bool:
        return (self.path / "system.reg").is_file() and (self.path / "drive_c").is_dir()

    def call(self, args: list[str], log_name: str, timeout: float = 300) -> None:
        """Runs a Wine tool to completion, its output going to a log file."""
        self.log_dir.mkdir(parents=True, exist_ok=True)
        log = self.log_dir / log_name
        with open(log, "wb") as out:
            result = subprocess.run(args, env=self.env(), stdin=subprocess.DEVNULL, stdout=out,
                                    stderr=subprocess.STDOUT, start_new_session=True,
                                    timeout=timeout)
        if result.returncode != 0:
            raise HarnessError(f"{' '.join(args)} exited with {result.returncode}; see {log}")

    def wineserver(self, *flags: str) -> int:
        return subprocess.run([WINESERVER, *flags], env=self.env(), stdin=subprocess.DEVNULL,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              start_new_session=True).returncode


def windows_path(path: Path) -> str:
    """The Windows name of a Unix path: Wine maps drive Z: to the Unix root."""
    return "Z:" + str(path.resolve()).replace("/", "\\")


def font_registry_text() -> str:
    lines = ["Windows Registry Editor Version 5.00", "",
             r"[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]"]
    lines += [f'"{face}"="{CJK_FACE}"' for face in CHINESE_FACES]
    return "\r\n".join(lines) + "\r\n"


def link_wine_fonts(prefix: Prefix) -> None:
    """Debian's wine does not load its own fonts from /usr/share/wine/fonts: link them in."""
    fonts = prefix.path / "drive_c" / "windows" / "Fonts"
    if not DEBIAN_WINE_FONTS.is_dir():
        return
    fonts.mkdir(parents=True, exist_ok=True)
    for font in DEBIAN_WINE_FONTS.iterdir():
        target = fonts / font.name
        if font.is_file() and not target.exists() and not target.is_symlink():
            target.symlink_to(font)


def map_test_drive(prefix: Prefix) -> None:
    """Drive R: of the prefix is the folder B/test-drive, so a test can use the root of a drive."""
    prefix.drive_dir.mkdir(parents=True, exist_ok=True)
    link = prefix.path / "dosdevices" / TEST_DRIVE
    if link.is_symlink() and Path(os.readlink(link)) == prefix.drive_dir:
        return
    if link.is_symlink() or link.exists():
        link.unlink()
    link.symlink_to(prefix.drive_dir)


class FolderLocks:
    """Makes folders of the scratch folder read-only when a test asks (see the module's text)."""

    def __init__(self, scratch: Path):
        self._scratch = scratch
        self._undo: list[list[str]] = []
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._serve, name="folder-locks", daemon=True)
        self._thread.start()

    def close(self) -> None:
        self._stop.set()
        self._thread.join(timeout=5)
        for command in reversed(self._undo):
            subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True)
        self._undo.clear()

    def _serve(self) -> None:
        while not self._stop.wait(LOCK_POLL_SECONDS):
            for request in sorted(self._scratch.glob("*" + LOCK_REQUEST)):
                folder = self._scratch / request.name[:-len(LOCK_REQUEST)]
                answer = self._lock(folder)
                request.unlink()
                staged = self._scratch / (folder.name + LOCK_ANSWER + ".tmp")
                staged.write_text(answer)
                staged.replace(self._scratch / (folder.name + LOCK_ANSWER))  # whole or not at all

    @staticmethod
    def _refuses_new_files(folder: Path) -> bool:
        probe = folder / ".winetest-probe"
        try:
            probe.touch()
        except OSError:
            return True
        probe.unlink()
        return False

    def _lock(self, folder: Path) -> str:
        if not folder.is_dir() or folder.is_symlink():
            return f"unavailable: {folder} is no folder"
        if os.geteuid() != 0:
            attempts = [(["chmod", "a-w", str(folder)], ["chmod", "u+w", str(folder)])]
        else:
            attempts = [
                (["chattr", "+i", str(folder)], ["chattr", "-i", str(folder)]),
                (["sh", "-c", 'mount --bind "$0" "$0" && mount -o remount,bind,ro "$0"',
                  str(folder)], ["umount", str(folder)]),
            ]
        reasons = []
        for lock, unlock in attempts:
            result = subprocess.run(lock, stdin=subprocess.DEVNULL, capture_output=True,
                                    text=True)
            if result.returncode == 0:
                self._undo.append(unlock)
                if self._refuses_new_files(folder):
                    return "locked"
                reasons.append(f"{lock[0]} left the folder writable")
            else:
                reasons.append(f"{lock[0]}: {result.stderr.strip() or result.returncode}")
        return "unavailable: " + "; ".join(reasons)


def clear_stale_scratch(prefix: Prefix) -> None:
    """Removes the scratch folders of runs that are gone, undoing any lock a killed run left."""
    if not prefix.scratch_root.is_dir():
        return
    for scratch in prefix.scratch_root.iterdir():
        if scratch.name.isdigit() and Path(f"/proc/{scratch.name}").exists():
            continue
        for folder in scratch.iterdir() if scratch.is_dir() else []:
            if folder.is_dir() and not folder.is_symlink():
                for undo in (["umount", str(folder)], ["chattr", "-i", str(folder)],
                             ["chmod", "u+w", str(folder)]):
                    subprocess.run(undo, stdin=subprocess.DEVNULL, capture_output=True)
        shutil.rmtree(scratch, ignore_errors=True)


def setup(build_dir: Path, trust_exe: Path) -> None:
    prefix = Prefix(build_dir)
    prefix.build_dir.mkdir(parents=True, exist_ok=True)
    with open(prefix.build_dir / ".winetest.lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        certs = loopback_server.ensure_certificates(prefix.cert_dir)
        ca_digest = hashlib.sha256(certs.ca_der.read_bytes()).hexdigest()
        fonts_text = font_registry_text()
        fonts_digest = hashlib.sha256(fonts_text.encode()).hexdigest()

        def marker_matches(name: str, digest: str) -> bool:
            marker = prefix.path / name
            return marker.is_file() and marker.read_text().strip() == digest

        done = (prefix.exists() and marker_matches(TRUST_MARKER, ca_digest)
                and marker_matches(FONT_MARKER, fonts_digest))
        if not done:
            # Start from no server at all, so that `wineserver -w` below returns.
            prefix.wineserver("-k")
            if not prefix.exists():
                say(f"creating the Wine prefix {prefix.path} (takes a while)")
                prefix.call([WINE64, "wineboot", "-i"], "wineboot.log")
            link_wine_fonts(prefix)
            if not marker_matches(FONT_MARKER, fonts_digest):
                reg = prefix.log_dir / "font-replacements.reg"
                reg.write_bytes(b"\xff\xfe" + fonts_text.encode("utf-16-le"))
                prefix.call([WINE64, "regedit", "/S", windows_path(reg)], "regedit.log")
                (prefix.path / FONT_MARKER).write_text(fonts_digest + "\n")
            if not marker_matches(TRUST_MARKER, ca_digest):
                say("trusting the test certificate authority in the prefix")
                prefix.call([WINE64, str(trust_exe), windows_path(certs.ca_der)], "trust_cert.log")
                (prefix.path / TRUST_MARKER).write_text(ca_digest + "\n")
            # Let everything finish and the registry reach the disk.
            prefix.wineserver("-w")
        map_test_drive(prefix)
        # A no-op when this prefix's server is already up.
        prefix.wineserver(f"-p{SERVER_LINGER_SECONDS}")


def teardown(build_dir: Path) -> None:
    prefix = Prefix(build_dir)
    prefix.wineserver("-k")
    clear_stale_scratch(prefix)


def _copy_out(source, destination) -> None:
    source.seek(0)
    shutil.copyfileobj(source, destination)
    destination.flush()


def run(build_dir: Path, timeout: float, https_port: int, command: list[str]) -> int:
    if not os.environ.get("DISPLAY"):
        say("DISPLAY is not set. Windows tests create windows and need an X display: run them "
            "under xvfb-run -a -s '-screen 0 1024x768x24'.")
        return 2
    prefix = Prefix(build_dir)
    if not prefix.exists():
        say(f"no Wine prefix at {prefix.path}: run `winetest.py setup` first (ctest does it "
            "through the wine_setup test)")
        return 2
    certs = loopback_server.ensure_certificates(prefix.cert_dir)
    # Every run starts with nothing served: what an earlier run left there must not answer for it.
    shutil.rmtree(prefix.served_dir, ignore_errors=True)
    prefix.served_dir.mkdir(parents=True)
    with contextlib.ExitStack() as stack:
        servers = stack.enter_context(loopback_server.LoopbackServers(certs, prefix.served_dir,
                                                                         https_port))
        env = prefix.env()
        clear_stale_scratch(prefix)
        scratch = prefix.scratch_root / str(os.getpid())
        shutil.rmtree(scratch, ignore_errors=True)
        scratch.mkdir(parents=True)
        stack.callback(shutil.rmtree, scratch, ignore_errors=True)
        stack.callback(FolderLocks(scratch).close)  # runs first: unlocked, then removed
        env.update(DL_TEST_HTTPS_PORT=str(servers.https.port),
                   DL_TEST_HTTP_PORT=str(servers.http.port),
                   DL_TEST_UNTRUSTED_PORT=str(servers.untrusted.port),
                   DL_TEST_SERVED_DIR=windows_path(prefix.served_dir),
                   DL_TEST_DRIVE=TEST_DRIVE.upper(),
                   DL_TEST_SCRATCH_DIR=windows_path(scratch))
        out = stack.enter_context(tempfile.TemporaryFile())
        err = stack.enter_context(tempfile.TemporaryFile())
        process = subprocess.Popen([WINE64, *command], env=env, stdin=subprocess.DEVNULL,
                                   stdout=out, stderr=err, start_new_session=True)
        try:
            code = process.wait(timeout=timeout)
            if code < 0:
                say(f"wine64 was killed by signal {-code}")
                code = 128 - code
        except subprocess.TimeoutExpired:
            with contextlib.suppress(ProcessLookupError):
                os.killpg(process.pid, signal.SIGKILL)
            process.wait()
            say(f"{command[0]} did not finish within {timeout:g} s and was killed")
            code = 124
        finally:
            servers.close()
            _copy_out(out, sys.stdout.buffer)
            _copy_out(err, sys.stderr.buffer)
        if code != 0 and servers.log:
            say("loopback server log:\n  " + "\n  ".join(servers.log[-40:]))
        return code


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    modes = parser.add_subparsers(dest="mode", required=True)
    p_setup = modes.add_parser("setup")
    p_setup.add_argument("--build-dir", type=Path, required=True)
    p_setup.add_argument("--trust-exe", type=Path, required=True)
    p_teardown = modes.add_parser("teardown")
    p_teardown.add_argument("--build-dir", type=Path, required=True)
    p_run = modes.add_parser("run")
    p_run.add_argument("--build-dir", type=Path, required=True)
    p_run.add_argument("--timeout", type=float, default=DEFAULT_TIMEOUT_SECONDS)
    p_run.add_argument("--https-port", type=int, default=loopback_server.FIXED_HTTPS_PORT,
                       help="the trusted HTTPS listener's port: the one the build's hosts name")
    p_run.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args()

    try:
        if args.mode == "setup":
            setup(args.build_dir, args.trust_exe.resolve())
            return 0
        if args.mode == "teardown":
            teardown(args.build_dir)
            return 0
        command = args.command[1:] if args.command[:1] == ["--"] else args.command
        if not command:
            parser.error("run needs the program to run after --")
        return run(args.build_dir, args.timeout, args.https_port, command)
    except (HarnessError, OSError, subprocess.TimeoutExpired, RuntimeError) as error:
        say(str(error))
        return 2


if __name__ == "__main__":
    sys.exit(main())
