#!/usr/bin/env python3
"""Writes the release archive from a windows build folder, byte for byte the
same for the same inputs: sorted entries, one fixed time stamp, fixed
attributes, no extra fields.

  make_release_zip.py --build DIR --version X.Y.Z --date EPOCH --out ZIP

The programs are those the build lists in release/shipped_programs.txt; the
stand-in D5Api.dll and the test tools never are. Beside them: INSTALL.txt (from
packaging/INSTALL.txt.in), LICENSE and SHA256SUMS.
"""
import argparse
import hashlib
import pathlib
import sys
import time
import zipfile

ROOT = pathlib.Path(__file__).resolve().parent.parent
INSPECTOR = "tarnwick_inspect.exe"
INSPECTOR_MARK = "@inspect@"
# Files that a user must never receive from us.
NEVER_SHIPPED = {"d5api.dll"}
# The earliest time a zip entry can hold.
ZIP_EPOCH = 315532800  # 1980-01-01 00:00:00 UTC


def windows_text(text):
    """Text files for Windows users: CR LF line ends."""
    return text.replace("\r\n", "\n").replace("\n", "\r\n").encode("utf-8")


def install_text(version, with_inspector):
    lines = []
    for line in (ROOT / "packaging" / "INSTALL.txt.in").read_text("utf-8").splitlines():
        if line.startswith("#"):
            continue
        if line.startswith(INSPECTOR_MARK):
            if not with_inspector:
                continue
            line = line[len(INSPECTOR_MARK):]
        lines.append(line.replace("@VERSION@", version))
    return windows_text("\n".join(lines) + "\n")


def archive_members(build, version):
    """The archive's files as name -> bytes."""
    listed = (build / "release" / "shipped_programs.txt").read_text("utf-8").split()
    members = {}
    for name in listed:
        if name.lower() in NEVER_SHIPPED:
            sys.exit(f"make_release_zip: refusing to ship {name}")
        members[name] = (build / "bin" / name).read_bytes()
    members["INSTALL.txt"] = install_text(version, INSPECTOR in listed)
    members["LICENSE"] = windows_text((ROOT / "LICENSE").read_text("utf-8"))
    sums = "".join(f"{hashlib.sha256(data).hexdigest()}  {name}\n"
                   for name, data in sorted(members.items()))
    members["SHA256SUMS"] = sums.encode("ascii")
    return members


def write_zip(path, members, epoch):
    stamp = time.gmtime(max(epoch, ZIP_EPOCH))[:6]
    path.parent.mkdir(parents=True, exist_ok=True)
    with zipfile.ZipFile(path, "w") as archive:
        for name in sorted(members):
            info = zipfile.ZipInfo(name, date_time=stamp)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 0  # MS-DOS attributes: none set
            info.external_attr = 0
            archive.writestr(info, members[name], compresslevel=9)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", required=True, type=pathlib.Path)
    parser.add_argument("--version", required=True)
    parser.add_argument("--date", required=True, type=int, help="seconds since 1970, UTC")
    parser.add_argument("--out", required=True, type=pathlib.Path)
    args = parser.parse_args()
    members = archive_members(args.build, args.version)
    write_zip(args.out, members, args.date)
    for name in sorted(members):
        print(f"  {len(members[name]):>9}  {name}")


if __name__ == "__main__":
    main()
