#!/bin/sh
# Makes the release zip twice from this build tree and checks it: the same bytes both times,
# the program as built, the licence and the readme as Windows text, members dated by
# SOURCE_DATE_EPOCH.
#   check-package.sh CPACK BUILD_DIR WORK_DIR PROGRAM
cpack="$1"
build="$2"
work="$3"
program="$4"
export SOURCE_DATE_EPOCH=1700000000 TZ=UTC
for run in 1 2; do
  rm -rf "$work/package-$run"
  "$cpack" --config "$build/CPackConfig.cmake" -B "$work/package-$run" >"$work/package-$run.log" 2>&1 ||
    { cat "$work/package-$run.log"; exit 1; }
done
cmp "$work/package-1/Vantrel-1.0.0.0-win32.zip" "$work/package-2/Vantrel-1.0.0.0-win32.zip" ||
  { echo "two packages of the same build differ"; exit 1; }
python3 - "$work/package-1/Vantrel-1.0.0.0-win32.zip" "$program" <<'PYTHON' || exit 1
import sys, zipfile
archive = zipfile.ZipFile(sys.argv[1])
folder = 'Vantrel-1.0.0.0-win32/'
names = sorted(archive.namelist())
expected = sorted(folder + name for name in ('LICENSE.txt', 'README.txt', 'Vantrel.exe'))
faults = []
if names != expected:
    faults.append('members %s, not %s' % (names, expected))
else:
    if archive.read(folder + 'Vantrel.exe') != open(sys.argv[2], 'rb').read():
        faults.append('Vantrel.exe is not the program as built')
    for name, needle in (('LICENSE.txt', b'MIT License'), ('README.txt', b'SHA256SUMS')):
        text = archive.read(folder + name)
        if needle not in text:
            faults.append('%s does not mention %s' % (name, needle.decode()))
        if text.count(b'\n') == 0 or text.count(b'\n') != text.count(b'\r\n'):
            faults.append('%s does not end every line with CR LF' % name)
for info in archive.infolist():
    if info.date_time != (2023, 11, 14, 22, 13, 20):
        faults.append('%s is dated %s, not by SOURCE_DATE_EPOCH' % (info.filename, info.date_time))
for fault in faults:
    print(fault)
sys.exit(1 if faults else 0)
PYTHON
echo "Vantrel-1.0.0.0-win32.zip: the same bytes twice; the program as built, LICENSE.txt and README.txt"
rm -rf "$work/package-1" "$work/package-2"
