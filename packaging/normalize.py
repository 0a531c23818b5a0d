"""Rewrites packages so that their bytes depend on their contents alone: the
members in name order, owned by root, with modes 0755 or 0644, dated at the
given time, compressed without a time or a name of their own.

    normalize.py SOURCE_DATE_EPOCH PACKAGE...

Takes .tar.gz, .zip and .deb (of a .deb only the ar headers change: cpack
already writes its tar members sorted, owned by root and dated).
"""

import gzip
import io
import sys
import tarfile
import time
import zipfile


def mode_of(is_directory, mode):
    return 0o755 if is_directory or mode & 0o111 else 0o644


def normalize_tarball(path, epoch):
    with tarfile.open(path) as original:
        members = [(member, original.extractfile(member).read() if member.isfile() else None)
                   for member in original.getmembers()]
    out = io.BytesIO()
    with tarfile.open(fileobj=out, mode="w", format=tarfile.GNU_FORMAT) as tarball:
        for member, data in sorted(members, key=lambda item: item[0].name):
            member.mode = mode_of(member.isdir(), member.mode)
            member.uid = member.gid = 0
            member.uname = member.gname = "root"
            member.mtime = epoch
            tarball.addfile(member, io.BytesIO(data) if data is not None else None)
    with open(path, "wb") as target:
        with gzip.GzipFile(filename="", mode="wb", fileobj=target, compresslevel=9,
                           mtime=0) as compressed:
            compressed.write(out.getvalue())


def normalize_zip(path, epoch):
    with zipfile.ZipFile(path) as original:
        members = [(info, original.read(info)) for info in original.infolist()]
    stamp = time.gmtime(max(epoch, 315532800))[:6]  # zip dates start in 1980
    with zipfile.ZipFile(path, "w") as archive:
        for info, data in sorted(members, key=lambda item: item[0].filename):
            entry = zipfile.ZipInfo(info.filename, date_time=stamp)
            entry.create_system = 3  # Unix, so that the modes below hold
            entry.external_attr = (mode_of(info.is_dir(), info.external_attr >> 16)
                                   | (0o040000 if info.is_dir() else 0o100000)) << 16
            entry.compress_type = zipfile.ZIP_STORED if info.is_dir() else zipfile.ZIP_DEFLATED
            archive.writestr(entry, data, compresslevel=9)


def normalize_deb(path, epoch):
    with open(path, "rb") as original:
        data = original.read()
    assert data.startswith(b"!<arch>\n"), path
    out, offset = [b"!<arch>\n"], 8
    while offset < len(data):
        header = data[offset:offset + 60]
        name, size = header[:16], int(header[48:58])
        body = data[offset + 60:offset + 60 + size + size % 2]
        out.append(b"%-16s%-12d%-6d%-6d%-8s%-10d`\n" % (name, epoch, 0, 0, b"100644", size))
        out.append(body)
        offset += 60 + size + size % 2
    with open(path, "wb") as target:
        target.write(b"".join(out))


def main():
    epoch = int(sys.argv[1])
    for path in sys.argv[2:]:
        if path.endswith(".tar.gz"):
            normalize_tarball(path, epoch)
        elif path.endswith(".zip"):
            normalize_zip(path, epoch)
        elif path.endswith(".deb"):
            normalize_deb(path, epoch)
        else:
            sys.exit(f"normalize.py: no rule for {path}")


if __name__ == "__main__":
    main()
