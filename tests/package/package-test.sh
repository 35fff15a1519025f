#!/usr/bin/env bash
# Builds the Debian package and checks it as Debian and a user would: lintian,
# the AppStream and desktop validators, the files it holds, the unpacked
# program, the man page against --help, apt's view of its dependencies, and
# the shell completion.
set -euo pipefail
cd "$(dirname "$0")/../.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "package test: $*" >&2; exit 1; }

deb=$(scripts/package.sh "$work/out" | tail -n 1)
[[ -f $deb ]] || fail "scripts/package.sh named no package: '$deb'"
echo "package: $(basename "$deb")"

lintian --fail-on error,warning --tag-display-limit 0 "$deb" || fail "lintian reports the package"

root=$work/root
dpkg-deb -x "$deb" "$root"
metainfo=usr/share/metainfo/org.quillmere.Quillmere.metainfo.xml
for file in usr/bin/quillmere usr/libexec/quillmere/quillmere-windows \
  usr/share/applications/quillmere.desktop usr/share/icons/hicolor/scalable/apps/quillmere.svg \
  usr/share/icons/hicolor/48x48/apps/quillmere.png usr/share/doc/quillmere/guide/index.html \
  usr/share/doc/quillmere/copyright usr/share/doc/quillmere/changelog.Debian.gz \
  usr/share/man/man1/quillmere.1.gz "$metainfo" usr/share/bash-completion/completions/quillmere; do
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
