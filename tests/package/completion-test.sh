#!/usr/bin/env bash
# Sources the bash completion script given and asks it for the completions of
# a few partial command lines, as bash does on Tab.
set -uo pipefail
script=$1
source /usr/share/bash-completion/bash_completion
source "$script"

cd "$(mktemp -d)" || exit 1
trap 'rm -rf "$PWD"' EXIT
touch photo.jpg logo.sys set.zip

failures=0
# expect "WORDS..." "COMPLETIONS": the last word is the one being completed.
expect()
{
    local line=$1 want=$2
    read -ra COMP_WORDS <<<"$line"
    [[ $line == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE=$line
    COMP_POINT=${#line}
    COMPREPLY=()
    _quillmere quillmere "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | xargs)
    if [[ $got != "$want" ]]; then
        echo "completion of '$line': got '$got', want '$want'" >&2
        failures=$((failures + 1))
    fi
}

expect "quillmere " "animate boot-logo check convert creator help info install preview remove restore-originals sets status"
expect "quillmere res" "restore-originals"
expect "quillmere remove " "safe startup wait"
expect "quillmere boot-logo " "off on"
expect "quillmere help bo" "boot-logo"
expect "quillmere --d" "--drive-c"
expect "quillmere --partition " "1 2 3 4"
expect "quillmere --drive-c /tmp/c.img i" "info install"
expect "quillmere install " "safe startup wait"
expect "quillmere install wait " "logo.sys photo.jpg set.zip"
expect "quillmere sets " "export import install save"
expect "quillmere sets install 1" "1 10"
expect "quillmere sets import --" "--prefix"
expect "quillmere sets import --prefix e1- 1" "1 10"
expect "quillmere sets export 3 " "set.zip"
expect "quillmere convert --fit " "crop pad stretch"
expect "quillmere convert --quality " "best exact"
expect "quillmere convert --" "--animated-entries --animation --band-colours --band-height --border-colour --fit --max-megapixels --pad-colour --quality"
expect "quillmere convert --animation " "band keep none"
expect "quillmere convert --border-colour " "auto"
expect "quillmere convert ph" "photo.jpg"
expect "quillmere preview --s" "--still"
expect "quillmere animate --" "--first --still"
exit $((failures > 0))
