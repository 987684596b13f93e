#!/bin/sh
# Every file the program opens goes through OpenFile of the platform file layer,
# which shares the file with other processes and applies the long-path rule: no
# other open call may appear in the product's sources (src/, tests aside).
# Usage: check_file_opens.sh SOURCE_FOLDER
set -u
src="${1:?usage: check_file_opens.sh SOURCE_FOLDER}"

calls='(^|[^A-Za-z0-9_])(fopen|fopen_s|_wfopen|_wfopen_s|_fsopen|_wfsopen|freopen|_wfreopen|fdopen|_fdopen|_wfdopen|open|openat|creat|_open|_wopen|_sopen|_wsopen|_sopen_s|_wsopen_s|CreateFile|CreateFileA|CreateFileW|CreateFile2|OpenFileById|CopyFile|CopyFileA|CopyFileW|CopyFileExW|CopyFile2|ReplaceFileW)[[:space:]]*\('
streams='(^|[^A-Za-z0-9_])(basic_)?w?[io]?fstream([^A-Za-z0-9_]|$)'

# The layer itself, the POSIX lock, whose lock file carries no data, and the crash
# report with its dump, which may not allocate and open their prepared paths themselves.
allowed='/platform/file_io_(posix|win32)\.cpp$|/platform/named_lock_posix\.cpp$|/app/crash_report(_dump)?\.cpp$'

files=$(find "$src" -type f \( -name '*.cpp' -o -name '*.h' \) ! -name '*_test.cpp' | sort)
status=0
for f in $files; do
  if printf '%s\n' "$f" | grep -Eq "$allowed"; then continue; fi
  if grep -En "$calls|$streams" "$f"; then
    echo "$f: files are opened through OpenFile (platform/file_io.h) only" >&2
    status=1
  fi
done

# The patterns must still find the calls of the layer itself, or they find nothing.
if ! grep -Eq "$calls" "$src/platform/file_io_posix.cpp" ||
   ! grep -Eq "$calls" "$src/platform/file_io_win32.cpp"; then
  echo "the open-call patterns no longer match the file layer's own calls" >&2
  status=1
fi
[ "$status" -eq 0 ] && echo "every file is opened through the platform file layer"
exit "$status"
