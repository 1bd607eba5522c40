#!/usr/bin/env bash
# Builds the Debian package in a build folder (default: build, as scripts/test.sh leaves it) and
# checks it: its name, file list, modes and owners, control fields and Depends; the copyright file
# (the MIT licence as Expat); lintian (errors and any copyright tag fail, other warnings are shown);
# the man pages, the desktop entry and the MIME type; then runs the unpacked kelvaro-solve,
# kelvaro-render and kelvaro (on Xvfb) on the installed examples.
# Usage: scripts/package-check.sh [BUILD FOLDER]   (a Release or RelWithDebInfo build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

fail() {
  echo "package-check: $*" >&2
  exit 1
}

[ -f "$build/CMakeCache.txt" ] || fail "no build in '$build' (run scripts/test.sh first)"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
arch=$(dpkg --print-architecture)
cmake --build "$build"
rm -f "$build"/kelvaro_*.deb
(cd "$build" && cpack -G DEB > cpack.log) || { cat "$build/cpack.log"; fail "cpack failed"; }
deb="$build/kelvaro_${version}_${arch}.deb"
[ -f "$deb" ] || fail "cpack did not make $(basename "$deb"): $(ls "$build"/*.deb 2>/dev/null)"
echo "package-check: $deb"

# The files (directories aside), each with its mode and owner.
expected="-rwxr-xr-x root/root ./usr/bin/kelvaro
-rwxr-xr-x root/root ./usr/bin/kelvaro-render
-rwxr-xr-x root/root ./usr/bin/kelvaro-solve
-rw-r--r-- root/root ./usr/share/applications/kelvaro.desktop
-rw-r--r-- root/root ./usr/share/doc/kelvaro/changelog.gz
-rw-r--r-- root/root ./usr/share/doc/kelvaro/copyright
-rw-r--r-- root/root ./usr/share/icons/hicolor/48x48/apps/kelvaro.png
-rw-r--r-- root/root ./usr/share/icons/hicolor/scalable/apps/kelvaro.svg
-rw-r--r-- root/root ./usr/share/kelvaro/examples/README.md
-rw-r--r-- root/root ./usr/share/kelvaro/examples/bridge-dead.res
-rw-r--r-- root/root ./usr/share/kelvaro/examples/bridge-live.res
-rw-r--r-- root/root ./usr/share/kelvaro/examples/bridge-wind.res
-rw-r--r-- root/root ./usr/share/kelvaro/examples/bridge.cases
-rw-r--r-- root/root ./usr/share/kelvaro/examples/bridge-geometry.res
-rw-r--r-- root/root ./usr/share/kelvaro/examples/bridge.res
-rw-r--r-- root/root ./usr/share/kelvaro/examples/roof.res
-rw-r--r-- root/root ./usr/share/kelvaro/examples/src/bridge-dead.truss
-rw-r--r-- root/root ./usr/share/kelvaro/examples/src/bridge-live.truss
-rw-r--r-- root/root ./usr/share/kelvaro/examples/src/bridge-wind.truss
-rw-r--r-- root/root ./usr/share/kelvaro/examples/src/bridge.truss
-rw-r--r-- root/root ./usr/share/kelvaro/examples/src/roof.truss
-rw-r--r-- root/root ./usr/share/kelvaro/examples/src/tower.truss
-rw-r--r-- root/root ./usr/share/kelvaro/examples/tower.res
-rw-r--r-- root/root ./usr/share/man/man1/kelvaro-render.1.gz
-rw-r--r-- root/root ./usr/share/man/man1/kelvaro-solve.1.gz
-rw-r--r-- root/root ./usr/share/man/man1/kelvaro.1.gz
-rw-r--r-- root/root ./usr/share/mime/packages/kelvaro.xml"
actual=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $1, $2, $6}' | LC_ALL=C sort)
if [ "$actual" != "$(LC_ALL=C sort <<< "$expected")" ]; then
  diff <(LC_ALL=C sort <<< "$expected") <(echo "$actual") >&2 || true
  fail "the file list differs from the expected one (< expected, > in the package)"
fi
if dpkg-deb -c "$deb" | awk '$1 ~ /^d/ && ($1 != "drwxr-xr-x" || $2 != "root/root")' | grep .; then
  fail "directories must be drwxr-xr-x root/root"
fi

# Control fields. Depends: the libraries dpkg-shlibdeps found and the fonts.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = kelvaro ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not $version"
[ "$(field Section)" = science ] || fail "Section is '$(field Section)'"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
depends=$(field Depends)
echo "package-check: Depends: $depends"
depends_names=$(sed 's/ *([^)]*)//g; s/, */\n/g' <<< "$depends")
for package in libc6 libstdc++6 libfltk1.3 libx11-6 libfreetype6 libfontconfig1 libjpeg62-turbo libcairo2 \
               fonts-dejavu-core fonts-dejavu-extra; do
  grep -qxF "$package" <<< "$depends_names" || fail "Depends lacks $package"
done
if grep -q -- '-dev$' <<< "$depends_names"; then fail "Depends names a -dev package"; fi

# The copyright file: machine-readable, every file under the Expat (MIT) licence, its text whole.
copyright=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/doc/kelvaro/copyright)
grep -qxF 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' <<< "$copyright" ||
  fail "the copyright file is not in the machine-readable format"
[ "$(sed -n '/^Files: \*$/,/^$/s/^License: //p' <<< "$copyright")" = Expat ] ||
  fail "the copyright file does not put Files: * under License: Expat"
expat=$(awk -v RS= '/^License: Expat\n/' <<< "$copyright" | sed '1d; s/^ //; s/^\.$//')
[ "$expat" = "$(sed '1,4d' LICENSE)" ] ||
  fail "the copyright file's Expat text is not LICENSE's"

# lintian: errors fail, and so does any tag about the copyright file; other warnings and notes are
# printed for the log.
lintian_out=$(lintian --fail-on error --display-info "$deb" 2>&1) || { echo "$lintian_out" >&2; fail "lintian found errors"; }
[ -z "$lintian_out" ] || { echo "package-check: lintian says:"; echo "$lintian_out"; }
if grep -iE 'copyright|dep5|licen[cs]e' <<< "$lintian_out"; then fail "lintian has a tag about the copyright file"; fi

# The unpacked package's programs on its own examples.
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
examples=$root/usr/share/kelvaro/examples
bin=$root/usr/bin
for binary in kelvaro kelvaro-render kelvaro-solve; do
  if file -b "$bin/$binary" | grep -q 'not stripped'; then fail "$binary is not stripped"; fi
done
# Installed, --version names the copyright file beside the programs (/usr/share/doc/kelvaro/copyright).
licence="MIT licence, see $root/usr/share/doc/kelvaro/copyright"
for line in "kelvaro $version" "kelvaro-render $version" "kelvaro-solve (kelvaro) $version"; do
  binary=${line%% *}
  [ "$("$bin/$binary" --version)" = "$line"$'\n'"$licence" ] || fail "$binary --version: $("$bin/$binary" --version)"
done
DISPLAY= "$bin/kelvaro" --help | grep -q '^Usage: kelvaro' || fail "kelvaro --help"

"$bin/kelvaro-solve" -o "$root/bridge.res" "$examples/src/bridge.truss"
"$bin/kelvaro-solve" -o "$root/tower.res" "$examples/src/tower.truss"
"$bin/kelvaro-solve" -o "$root/roof.res" "$examples/src/roof.truss"
"$bin/kelvaro-solve" --geometry -o "$root/bridge-geometry.res" "$examples/src/bridge.truss"
for name in bridge tower roof bridge-geometry; do
  cmp "$root/$name.res" "$examples/$name.res" || fail "kelvaro-solve does not give the installed $name.res"
done
for name in bridge tower roof; do
  "$bin/kelvaro-render" "$examples/$name.res" -o "$root/$name.jpg" --deflected --loads
  [ "$(identify -format '%m %wx%h' "$root/$name.jpg")" = "JPEG 700x500" ] || fail "kelvaro-render $name.res"
done
status=0
"$bin/kelvaro-render" "$examples/bridge-geometry.res" -o "$root/none.jpg" 2> /dev/null || status=$?
[ $status -eq 1 ] || fail "kelvaro-render on a file without results: status $status, not 1"
"$bin/kelvaro-render" "$examples/bridge-geometry.res" -o "$root/geometry.jpg" --geometry 2> /dev/null

# The unpacked viewer on Xvfb (tests/x11/xsession.sh): its window shows up with the bridge's path in
# the caption, so it started, read the file and drew it.
tests/x11/xsession.sh sh -c '
  "$1" "$2" > /dev/null 2>&1 &
  pid=$!
  for i in $(seq 1000); do
    if xdotool search --name "bridge[.]res\$" > /dev/null 2>&1; then kill $pid; wait $pid 2> /dev/null; exit 0; fi
    kill -0 $pid 2> /dev/null || exit 1
    sleep 0.02
  done
  kill $pid
  exit 1' sh "$bin/kelvaro" "$examples/bridge.res" || fail "the unpacked kelvaro did not show bridge.res on Xvfb"

# The man pages format without warnings; the desktop entry validates; *.res files get the MIME type.
for page in "$root"/usr/share/man/man1/*.1.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 > /dev/null)
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done
desktop-file-validate "$root/usr/share/applications/kelvaro.desktop"
if command -v gio > /dev/null; then
  update-mime-database "$root/usr/share/mime" > /dev/null 2>&1
  type=$(XDG_DATA_HOME="$root/usr/share" gio info -a standard::content-type "$examples/bridge.res" |
         sed -n 's/^ *standard::content-type: //p')
  [ "$type" = application/x-kelvaro-results ] || fail "bridge.res has the MIME type '$type'"
else
  echo "package-check: gio missing (libglib2.0-bin): the MIME type of *.res files is not checked"
fi

echo "package-check: $(basename "$deb") is fine ($(stat -c %s "$deb") bytes)"
