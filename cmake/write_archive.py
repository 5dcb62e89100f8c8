#!/usr/bin/env python3
"""Writes a download: one folder as a .tar.gz or a .zip that comes out the same,
byte for byte, wherever and whenever it is made from the same files.

    write_archive.py ARCHIVE FOLDER EPOCH

ARCHIVE ends in .tar.gz or .zip and holds FOLDER under its own name. Every
entry has the time EPOCH (seconds since 1970, UTC), owner and group 0, mode
755 for folders and for files their owner may run, 644 for the other files;
the entries come sorted by name, a folder before what it holds. The gzip
header names no file and no time. Nothing of the machine that makes it gets
in: not the order in which the disk lists a folder, nor who made the files,
the umask or the time zone, all of which CPack's own archive writer records.
"""
import gzip
import os
import stat
import sys
import tarfile
import time
import zipfile


def entries(folder):
    """(name in the archive, path on the disk) of FOLDER and all it holds."""
    top = os.path.basename(os.path.normpath(folder))
    found = [(top, folder)]
    for parent, folders, files in os.walk(folder):
        for name in folders + files:
            path = os.path.join(parent, name)
            found.append((top + "/" + os.path.relpath(path, folder).replace(os.sep, "/"), path))
    # Names as bytes: the same order in every locale.
    return sorted(found, key=lambda entry: entry[0].encode())


def mode_of(status):
    if stat.S_ISDIR(status.st_mode) or status.st_mode & stat.S_IXUSR:
        return 0o755
    return 0o644


def write_tar_gz(archive, folder, epoch):
    with open(archive, "wb") as raw, \
            gzip.GzipFile(filename="", mode="wb", fileobj=raw, mtime=0, compresslevel=9) as packed, \
            tarfile.open(fileobj=packed, mode="w", format=tarfile.PAX_FORMAT) as tar:
        for name, path in entries(folder):
            status = os.lstat(path)
            entry = tarfile.TarInfo(name)
            entry.mtime = epoch
            entry.uid = entry.gid = 0
            entry.uname = entry.gname = ""
            if stat.S_ISLNK(status.st_mode):
                entry.type = tarfile.SYMTYPE
                entry.linkname = os.readlink(path)
                entry.mode = 0o777
                tar.addfile(entry)
            elif stat.S_ISDIR(status.st_mode):
                entry.type = tarfile.DIRTYPE
                entry.mode = mode_of(status)
                tar.addfile(entry)
            else:
                entry.size = status.st_size
                entry.mode = mode_of(status)
                with open(path, "rb") as contents:
                    tar.addfile(entry, contents)


def write_zip(archive, folder, epoch):
    # A zip entry's time has no time zone: it is written as UTC here.
    when = time.gmtime(epoch)[:6]
    with zipfile.ZipFile(archive, "w") as packed:
        for name, path in entries(folder):
            status = os.stat(path)
            is_folder = stat.S_ISDIR(status.st_mode)
            entry = zipfile.ZipInfo(name + "/" if is_folder else name, date_time=when)
            entry.create_system = 3  # Unix, so that unzip gives the modes.
            kind = stat.S_IFDIR if is_folder else stat.S_IFREG
            entry.external_attr = (kind | mode_of(status)) << 16 | (0x10 if is_folder else 0)
            if is_folder:
                packed.writestr(entry, b"")
            else:
                entry.compress_type = zipfile.ZIP_DEFLATED
                with open(path, "rb") as contents:
                    packed.writestr(entry, contents.read(), compresslevel=9)


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    archive, folder, epoch = sys.argv[1], sys.argv[2], int(sys.argv[3])
    if archive.endswith(".tar.gz"):
        write_tar_gz(archive, folder, epoch)
    elif archive.endswith(".zip"):
        write_zip(archive, folder, epoch)
    else:
        sys.exit(f"write_archive.py: {archive} is neither a .tar.gz nor a .zip")


if __name__ == "__main__":
    main()
