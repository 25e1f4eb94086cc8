#!/usr/bin/env bash
# Builds the Debian package from a built tree and checks it without
# installing it: its file list, lintian, the menu entry and metainfo, the
# manual pages against --help, and the unpacked programs themselves (a sample
# database written by the unpacked tavro-sample, shown by the unpacked tavro
# on the offscreen platform). Changes nothing outside the build tree and a
# temporary folder.
#   packaging/check-package.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$(dirname "$0")/.." && pwd)

missing=()
for tool in cpack dpkg-deb dpkg-shlibdeps lintian desktop-file-validate appstreamcli man; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "SKIP: missing ${missing[*]} (scripts/setup.sh installs them)"
  exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# 1. The package, from this tree's install rules.
rm -f "$build"/package/tavro_*.deb
(cd "$build" && cpack --config CPackConfig.cmake -G DEB >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$build"/package/tavro_*.deb)
echo "package: $deb ($(stat -c %s "$deb") bytes)"
dpkg-deb -f "$deb" Package Version Architecture Depends Recommends

# 2. Its files: exactly these, owned by root; no database, no data.
dpkg-deb -c "$deb" >"$work/contents"
awk '{ print $2 }' "$work/contents" | sort -u >"$work/owners"
[ "$(cat "$work/owners")" = "root/root" ] || fail "files not owned by root: $(tr '\n' ' ' <"$work/owners")"
awk '$1 !~ /^d/ { sub(/^\.\//, "/", $6); print $6 }' "$work/contents" | sort >"$work/files"
expected=(
  /usr/bin/tavro /usr/bin/tavro-import /usr/bin/tavro-sample
  /usr/share/applications/tavro.desktop
  /usr/share/metainfo/org.zolt.tavro.metainfo.xml
  /usr/share/doc/tavro/copyright /usr/share/doc/tavro/changelog.gz /usr/share/doc/tavro/examples/tavro.conf
  /usr/share/man/man1/tavro.1.gz /usr/share/man/man1/tavro-import.1.gz /usr/share/man/man1/tavro-sample.1.gz
  /usr/share/icons/hicolor/scalable/apps/tavro.svg
)
for size in 16 22 24 32 48 64 128 256; do
  expected+=("/usr/share/icons/hicolor/${size}x${size}/apps/tavro.png")
done
printf '%s\n' "${expected[@]}" | sort >"$work/expected"
diff -u "$work/expected" "$work/files" || fail "the package's file list differs from the expected one (above)"
echo "files: $(wc -l <"$work/files") as listed, owned by root"
for dep in libmdb3 libqt6widgets6 libsqlite3-0 fonts-liberation qt6-translations-l10n; do
  dpkg-deb -f "$deb" Depends | grep -q "\b$dep\b" || fail "Depends lacks $dep"
done

# 3. Debian's own checks.
set +e
lintian --fail-on error --display-info --pedantic "$deb" >"$work/lintian" 2>&1
status=$?
set -e
echo "lintian (errors fail; warnings, info and pedantic notes are listed):"
sed 's/^/  /' "$work/lintian"
[ "$status" -eq 0 ] || fail "lintian reports errors"

root="$work/root"
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/tavro.desktop" && echo "desktop-file-validate: no remark" \
  || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.zolt.tavro.metainfo.xml" || fail "appstreamcli validate"
for page in "$root"/usr/share/man/man1/*.1.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done

# 4. The unpacked programs: command-line manners, in both languages.
bin="$root/usr/bin"
export QT_QPA_PLATFORM=offscreen TAVRO_DATABASE= XDG_CONFIG_HOME="$work/no-settings" XDG_CONFIG_DIRS="$work/no-settings"
for program in tavro tavro-import tavro-sample; do
  out=$(LC_ALL=C.UTF-8 LANG=C.UTF-8 LANGUAGE= "$bin/$program" --version) || fail "$program --version"
  [ "$out" = "$program 1.0" ] || fail "$program --version printed '$out'"
  LC_ALL=fr_FR.UTF-8 LANG=fr_FR.UTF-8 "$bin/$program" --help >"$work/help.fr" || fail "$program --help (fr)"
  grep -q '^Utilisation : ' "$work/help.fr" || fail "$program --help is not French under a French locale"
  LC_ALL=C.UTF-8 LANG=C.UTF-8 LANGUAGE= "$bin/$program" --help >"$work/help.en" || fail "$program --help (en)"
  grep -q '^Usage: ' "$work/help.en" || fail "$program --help is not English under an English locale"
  # Every option --help lists is in the manual page.
  for option in $(grep -o -- '--[a-z][a-z-]*' "$work/help.en" | sort -u); do
    zcat "$root/usr/share/man/man1/$program.1.gz" | grep -qF -- "${option//-/\\-}" || fail "$program.1 lacks $option"
  done
  set +e
  "$bin/$program" --no-such-option >"$work/out" 2>"$work/err"
  status=$?
  set -e
  [ "$status" -eq 2 ] && [ ! -s "$work/out" ] && [ -s "$work/err" ] \
    || fail "$program --no-such-option: status $status, stdout '$(cat "$work/out")', stderr '$(cat "$work/err")'"
done
LC_ALL=fr_FR.UTF-8 "$bin/tavro" --help | grep -q 'TAVRO_DATABASE' || fail "tavro --help does not state the database rule"
echo "command line: --help (fr, en), --version, unknown option checked for the three programs; manual pages without warnings"

# 5. A sample database from the unpacked tool, shown by the unpacked program
# started the way the menu entry starts it.
"$bin/tavro-sample" -o "$work/BD2003.mdb" >/dev/null || fail "tavro-sample"
exec_line=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/tavro.desktop")
[ -x "$root/usr/bin/${exec_line%% *}" ] || fail "the menu entry's Exec '$exec_line' is not a program of the package"
# It prints the boxes it met, then what the postal-code window shows.
shown=$(cd "$work" && LC_ALL=fr_FR.UTF-8 timeout 60 "$root/usr/bin/${exec_line}" --database "$work/BD2003.mdb" --check-start 2>"$work/err") \
  || fail "tavro --check-start: $(cat "$work/err")"
echo "unpacked tavro: $shown"
[[ "$shown" =~ ^cp\ :\ ([0-9]+)\ ligne\(s\) ]] && [ "${BASH_REMATCH[1]}" -gt 0 ] \
  || fail "the postal-code window shows no rows, or a box was shown"

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "package checks passed"
