#!/usr/bin/env python3
"""Writes the release archive from a windows build folder, byte for byte the
same for the same inputs: sorted entries, one fixed time stamp, fixed
attributes, no extra fields. With --symbols-out also the symbols archive: the
programs' symbol files (NAME.exe.debug) and their SHA256SUMS.

  make_release_zip.py --build DIR --version X.Y.Z --date EPOCH --out ZIP
                      [--programs DIR] [--symbols-out ZIP]

The programs are those the build lists in release/shipped_programs.txt, taken
stripped from release/programs (or the --programs folder, where package.sh
signs them); the stand-in D5Api.dll and the test tools never are. Beside them:
INSTALL.txt (from packaging/INSTALL.txt.in), LICENSE and SHA256SUMS.
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


def shipped_programs(build):
    listed = (build / "release" / "shipped_programs.txt").read_text("utf-8").split()
    for name in listed:
        if name.lower() in NEVER_SHIPPED:
            sys.exit(f"make_release_zip: refusing to ship {name}")
    return listed


def with_checksums(members):
    sums = "".join(f"{hashlib.sha256(data).hexdigest()}  {name}\n"
                   for name, data in sorted(members.items()))
    members["SHA256SUMS"] = sums.encode("ascii")
    return members


def archive_members(build, programs, version):
    """The archive's files as name -> bytes."""
    listed = shipped_programs(build)
    members = {name: (programs / name).read_bytes() for name in listed}
    members["INSTALL.txt"] = install_text(version, INSPECTOR in listed)
    members["LICENSE"] = windows_text((ROOT / "LICENSE").read_text("utf-8"))
    return with_checksums(members)


def symbol_members(build):
    """The symbols archive's files: each shipped program's symbol file."""
    symbols = build / "release" / "symbols"
    return with_checksums({f"{name}.debug": (symbols / f"{name}.debug").read_bytes()
                           for name in shipped_programs(build)})


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
    parser.add_argument("--programs", type=pathlib.Path,
                        help="folder of the programs to ship (default BUILD/release/programs)")
    parser.add_argument("--symbols-out", type=pathlib.Path)
    args = parser.parse_args()
    programs = args.programs or args.build / "release" / "programs"
    archives = [(args.out, archive_members(args.build, programs, args.version))]
    if args.symbols_out:
        archives.append((args.symbols_out, symbol_members(args.build)))
    for path, members in archives:
        write_zip(path, members, args.date)
        print(f"{path}:")
        for name in sorted(members):
            print(f"  {len(members[name]):>9}  {name}")


if __name__ == "__main__":
    main()
