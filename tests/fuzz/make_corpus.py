#!/usr/bin/env python3
"""Writes the fuzzers' starting corpora: real-shaped archives made with zipfile, the kinds of
body a mirror sends instead of one, and sample Content-Length and Location values.

  make_corpus.py DIR    fills DIR/archive_check and DIR/http_fields (emptied first)
"""

from __future__ import annotations

import io
import shutil
import sys
import zipfile
from pathlib import Path

MANIFEST = b"Manifest-Version: 1.0\r\nMain-Class: org.bukkit.craftbukkit.Main\r\n\r\n"


def archive(members: list[tuple[str, bytes]], compression: int = zipfile.ZIP_STORED,
            comment: bytes = b"", zip64: bool = False) -> bytes:
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w", compression=compression) as z:
        for name, data in members:
            with z.open(zipfile.ZipInfo(name, (2021, 1, 15, 12, 0, 0)), "w",
                        force_zip64=zip64) as member:
                member.write(data)
        z.comment = comment
    return out.getvalue()


def archives() -> dict[str, bytes]:
    jar = archive([("META-INF/MANIFEST.MF", MANIFEST), ("plugin.yml", b"name: core\n")],
                  zipfile.ZIP_DEFLATED)
    runtime = archive([("jdk8u292-b10-jre/bin/java.exe", b"MZ" + bytes(200)),
                       ("jdk8u292-b10-jre/release", b'JAVA_VERSION="1.8.0_292"\n')],
                      zipfile.ZIP_DEFLATED)
    return {
        "jar.jar": jar,
        "runtime.zip": runtime,
        "stored.zip": archive([("a.txt", b"a"), ("dir/b.txt", b"b" * 300)]),
        "comment.zip": archive([("a.txt", b"a")], comment=b"an archive comment"),
        "longest-comment.zip": archive([("a.txt", b"a")], comment=b"c" * 0xFFFF),
        "zip64.zip": archive([("big.bin", b"z" * 1000)], zip64=True),
        "empty-archive.zip": archive([]),
        "cut-short.jar": jar[: len(jar) - 7],
        "html-page.html": b"<!DOCTYPE html><html><head><title>404 Not Found</title></head>"
                          b"<body><h1>Not Found</h1></body></html>\n",
        "empty": b"",
    }


# "<current address>\n<Location value>", or a bare value (Content-Length or Location).
HTTP_FIELDS = {
    "length": b"268435456",
    "length-padded": b" \t42 ",
    "length-overflow": b"18446744073709551616",
    "relative": b"https://127.0.0.1:47443/a/b/c?x=1\n../d/./e?y#f",
    "absolute": b"https://github.com/owner/repo/releases/download/v1/x.jar\n"
                b"https://objects.example.net/production/x.jar?token=abc%2F&expires=1",
    "network-path": b"https://127.0.0.1/a\n//mirror.example:8443/b",
    "downgrade": b"https://127.0.0.1/a\nhttp://127.0.0.1/a",
    "upgrade": b"http://127.0.0.1/a\nHTTPS://127.0.0.1/a",
    "ipv6": b"http://[::1]:8080/a\n/b;p?q",
    "userinfo": b"https://user:pw@host/a\n?only-query",
    "dots": b"http://a/b/c/d;p?q\n../../../g/./h/..",
    "injection": b"/x\r\nHost: evil",
    "bare-relative": b"next/part",
}


def main() -> int:
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    root = Path(sys.argv[1])
    for name, samples in (("archive_check", archives()), ("http_fields", HTTP_FIELDS)):
        folder = root / name
        shutil.rmtree(folder, ignore_errors=True)
        folder.mkdir(parents=True)
        for file_name, data in samples.items():
            (folder / file_name).write_bytes(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
