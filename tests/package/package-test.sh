#!/usr/bin/env bash
# Builds the Debian packages and checks them as Debian and a user would:
# lintian (pedantic) on the source and binary packages, the AppStream and
# desktop validators, the files the package holds, the unpacked program and the
# package's own autopkgtest on it, the man page against --help, apt's view of
# its dependencies, and the shell completion.
set -euo pipefail
cd "$(dirname "$0")/../.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "package test: $*" >&2; exit 1; }

# The tests have just run on the optimised build; the package's build skips them
# (scripts/package-check.sh builds it with them).
deb=$(DEB_BUILD_OPTIONS=nocheck scripts/package.sh "$work/out" | tail -n 1)
[[ -f $deb ]] || fail "scripts/package.sh named no package: '$deb'"
echo "package: $(basename "$deb")"
base=${deb%.deb}
changes=$base.changes buildinfo=$base.buildinfo dbgsym=${deb%/*}/quillmere-dbgsym_${deb##*/quillmere_}
for file in "$changes" "$buildinfo" "$dbgsym" "${deb%_*}.dsc"; do
  [[ -f $file ]] || fail "scripts/package.sh left no $(basename "$file") beside the package"
done

# The .changes names the source package, the packages and the .buildinfo.
lintian --pedantic --fail-on error,warning --tag-display-limit 0 "$changes" || fail "lintian reports the packages"

root=$work/root
dpkg-deb -x "$deb" "$root"
metainfo=usr/share/metainfo/org.quillmere.Quillmere.metainfo.xml
for file in usr/bin/quillmere usr/libexec/quillmere/quillmere-windows \
  usr/share/applications/quillmere.desktop usr/share/icons/hicolor/scalable/apps/quillmere.svg \
  usr/share/icons/hicolor/48x48/apps/quillmere.png usr/share/doc/quillmere/guide/index.html \
  usr/share/doc/quillmere/copyright usr/share/doc/quillmere/changelog.Debian.gz \
  usr/share/man/man1/quillmere.1.gz "$metainfo" usr/share/bash-completion/completions/quillmere \
  usr/share/doc-base/quillmere.quillmere; do
  [[ -f $root/$file ]] || fail "the package holds no /$file"
done
appstreamcli validate --no-net "$root/$metainfo" >/dev/null || fail "appstreamcli rejects $metainfo"
desktop-file-validate "$root/usr/share/applications/quillmere.desktop" || fail "the desktop entry is not valid"

# The unpacked program runs, finds the unpacked guide and starts the unpacked windows.
program=$root/usr/bin/quillmere
[[ $("$program" --version) == "Quillmere $(dpkg-parsechangelog -S Version | sed 's/-[^-]*$//')" ]] ||
  fail "--version does not name the packaged version"
help=$("$program" --help)
[[ $(tail -n 1 <<<"$help") == "User guide: $root/usr/share/doc/quillmere/guide/index.html" ]] ||
  fail "--help does not name the packaged guide: $(tail -n 1 <<<"$help")"
drive_error=$(QT_QPA_PLATFORM=offscreen "$program" --drive-c "$work/none" 2>&1 >/dev/null || true)
[[ $drive_error == *"$work/none: the drive C: folder does not exist"* ]] ||
  fail "the packaged windows did not start: $drive_error"
mkdir "$work/autopkgtest"
PATH=$root/usr/bin:$PATH AUTOPKGTEST_TMP=$work/autopkgtest debian/tests/command-line ||
  fail "the package's autopkgtest fails on the unpacked program"

# The man page names every command and option --help names.
manual=$(MANWIDTH=200 man -l "$root/usr/share/man/man1/quillmere.1.gz" 2>/dev/null | col -bx)
commands=$(sed -n '/^Commands:/,/^$/p' <<<"$help" | grep -E '^  [a-z]' | awk '{print $1}')
[[ -n $commands ]] || fail "no commands found in --help"
for command in $commands; do
  grep -qE "^ {7}$command( |$)" <<<"$manual" || fail "the man page does not describe the command $command"
done
for option in $(grep -oE -- '--[a-z][a-z-]+' <<<"$help" | sort -u); do
  grep -qF -- "$option" <<<"$manual" || fail "the man page does not name $option"
done

apt-get install -s "$deb" >/dev/null || fail "apt cannot resolve the package's dependencies"

bash tests/package/completion-test.sh "$root/usr/share/bash-completion/completions/quillmere" ||
  fail "the bash completion does not complete as it should"
echo "package test: passed"
