#!/bin/sh
# A missing tool is named with its package before anything runs it: making a Wine prefix
# without Wine says that wine is missing (not that wineboot failed, as it once did), a wineboot
# that is there and fails is reported with its own last lines, and every tool the run command
# needs comes from a package of setup.sh's run set.
#   check-missing-tools.sh SOURCE_DIR
scripts="$1/scripts"
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAILED: $1"
  failures=$((failures + 1))
}
# A PATH holding only what the prefix script needs besides Wine.
mkdir "$work/bin" || exit 1
for tool in sh mkdir cat dirname tail rm ln; do
  ln -s "$(command -v "$tool")" "$work/bin/$tool" || fail "cannot link $tool"
done

# make_prefix WHAT: the prefix script run with only $work/bin on PATH; its output in $out, its
# exit status in $rc.
make_prefix() {
  out=$(PATH="$work/bin" sh "$scripts/lib/prepare-wine-prefix.sh" "$work/prefix" 2>&1)
  rc=$?
  echo "$1 (exit $rc): $out"
}

make_prefix "without Wine"
[ $rc -ne 0 ] || fail "making a prefix without Wine succeeded"
case "$out" in
*"wine is missing: the package wine installs it"*) ;;
*) fail "without Wine, the message does not name wine and its package" ;;
esac
case "$out" in *failed*) fail "without Wine, the message speaks of a failure of what never ran" ;; esac
[ ! -e "$work/prefix" ] || fail "without Wine, the prefix folder was made anyway"

# A Wine whose wineboot runs and fails, saying why on its last line.
printf '#!/bin/sh\necho "starting"\necho "err: cannot load kernel32.dll (stub)"\nexit 3\n' >"$work/bin/wine"
printf '#!/bin/sh\nexit 0\n' >"$work/bin/wineserver"
cp "$work/bin/wineserver" "$work/bin/wineboot"
chmod +x "$work/bin/wine" "$work/bin/wineserver" "$work/bin/wineboot"
make_prefix "with a failing wineboot"
[ $rc -ne 0 ] || fail "a failing wineboot made a prefix"
case "$out" in
*"wine wineboot -i failed"*"err: cannot load kernel32.dll (stub)"*) ;;
*) fail "a failing wineboot is not reported with its last lines" ;;
esac

# The tools the run command requires (run.sh, build.sh, the prefix script, Xvfb), each from a
# package that setup.sh --run installs.
eval "$(grep '^[a-z]*_packages=' "$scripts/setup.sh")"
[ -n "$run_packages" ] || fail "no run set found in setup.sh"
. "$scripts/lib/tools.sh"
. "$scripts/lib/wine-env.sh"
wow64=""
needed=Xvfb
for script in run.sh build.sh lib/prepare-wine-prefix.sh; do
  line=$(sed -e ':a' -e '/\\$/N; s/\\\n//; ta' "$scripts/$script" | sed -n 's/^ *require_tools [^ ]* \(.*\) || exit 1$/\1/p' | tr '\n' ' ')
  [ -n "$line" ] || fail "$script requires no tools"
  needed="$needed $(eval "set -- $line" && echo "$@")"
done
echo "the run command's tools: $needed"
for tool in $needed; do
  case " $run_packages " in
  *" $(package_of "$tool") "*) ;;
  *) fail "$tool comes from $(package_of "$tool"), which setup.sh --run does not install" ;;
  esac
done

[ $failures -eq 0 ] || { echo "$failures of the missing-tool checks failed"; exit 1; }
echo "ok"
