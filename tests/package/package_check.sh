#!/usr/bin/env bash
# package_check.sh CHECK BUILD_DIR WORK_DIR
#   build       make the .deb of BUILD_DIR with CPack and unpack it into WORK_DIR/root
#   lintian     no error from lintian
#   programs    the unpacked programs start and answer
#   manpages    every manual page renders without a warning
#   completion  the bash completion parses and completes tamboro-cli's words
set -euo pipefail

check=$1 build=$2 work=$(realpath -m "$3")
root=$work/root
fail() { echo "FAIL: $*" >&2; exit 1; }
the_deb() {
    local debs=("$work"/tamboro_*.deb)
    ((${#debs[@]} == 1)) && [[ -f ${debs[0]} ]] || fail "expected one package in $work: ${debs[*]}"
    echo "${debs[0]}"
}

case $check in
build)
    rm -rf "$work"
    mkdir -p "$work"
    (cd "$build" && cpack -G DEB -B "$work" >"$work/cpack.log" 2>&1) ||
        { cat "$work/cpack.log" >&2; fail "cpack"; }
    deb=$(the_deb)
    dpkg-deb -x "$deb" "$root"

    # The control fields a packager would otherwise type: dependencies from the programs'
    # libraries, the section and maintainer, a long description after the short one.
    depends=$(dpkg-deb -f "$deb" Depends)
    for library in libc6 libstdc++6 librtmidi libqt6widgets6; do
        [[ $depends == *"$library"* ]] || fail "Depends lacks $library: $depends"
    done
    [[ $(dpkg-deb -f "$deb" Section) == sound ]] || fail "Section is not sound"
    [[ $(dpkg-deb -f "$deb" Maintainer) == *@* ]] || fail "no maintainer address"
    (($(dpkg-deb -f "$deb" Description | wc -l) > 3)) || fail "no long description"

    id=org.example.tamboro.Tamboro
    for path in bin/tamboro bin/tamboro-cli bin/td7sim share/tamboro/tamboro.hlp \
        share/tamboro/grooves/rock.groove \
        share/applications/$id.desktop share/icons/hicolor/scalable/apps/$id.svg \
        share/metainfo/$id.metainfo.xml share/mime/packages/$id.xml \
        share/man/man1/tamboro.1.gz share/man/man1/tamboro-cli.1.gz share/man/man1/td7sim.1.gz \
        share/bash-completion/completions/tamboro-cli \
        share/doc/tamboro/copyright share/doc/tamboro/changelog.gz; do
        [[ -e $root/usr/$path ]] || fail "not in the package: /usr/$path"
    done
    # Files the system's caches own, not the package: apt remove must not leave them behind
    # nor take them from other packages.
    unexpected=$(cd "$root" && find . -type f | grep -E '/mime/[^p]|mimeinfo.cache|icon-theme.cache' || true)
    [[ -z $unexpected ]] || fail "cache files in the package: $unexpected"
    ;;
lintian)
    # Errors fail the check; warnings are shown.
    lintian --fail-on error --tag-display-limit 0 "$(the_deb)"
    ;;
programs)
    export PATH=$root/usr/bin:$PATH
    [[ $(tamboro-cli --version) == "tamboro-cli Version"* ]] || fail "tamboro-cli --version"
    td7sim --help | grep -q "^Usage: td7sim" || fail "td7sim --help"
    [[ $(tamboro --version) == "Tamboro "* ]] || fail "tamboro --version"
    ;;
manpages)
    for page in "$root"/usr/share/man/man1/*.1.gz; do
        warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
        [[ -z $warnings ]] || fail "${page##*/}: $warnings"
        LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$page" 2>/dev/null | grep -q "^EXIT STATUS" ||
            fail "${page##*/} has no EXIT STATUS"
    done
    ;;
completion)
    script=$root/usr/share/bash-completion/completions/tamboro-cli
    bash -n "$script" || fail "the completion does not parse"
    # A stand-in tamboro-cli that lists known ports, and files of every kind to choose from.
    mkdir -p "$work/completion/bin" "$work/completion/files/folder"
    cat >"$work/completion/bin/tamboro-cli" <<'PORTS'
#!/bin/sh
printf 'MIDI input devices (--in):\n  1  UM-ONE\n  2  TD-7 Simulator Out:TD-7 Simulator\n'
printf 'MIDI output devices (--out):\n  1  Tamboro\n  2  UM-ONE\n  3  TD-7 Simulator In:TD-7 Simulator\n'
PORTS
    chmod +x "$work/completion/bin/tamboro-cli"
    touch "$work"/completion/files/{gig.td7,OLD.TD7,kit.syx,notes.txt}
    PATH=$work/completion/bin:$PATH bash --norc -c '
        source /usr/share/bash-completion/bash_completion
        source "$1"
        cd "$2"
        status=0
        # expect "LINE TYPED" "EXPECTED WORDS": the words offered, sorted, one blank apart.
        expect() {
            local line=$1
            COMP_LINE=$line COMP_POINT=${#line}
            read -ra COMP_WORDS <<<"$line"
            [[ $line == *" " ]] && COMP_WORDS+=("")
            COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
            COMPREPLY=()
            _tamboro_cli tamboro-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
            local got
            got=$(printf "%s\n" "${COMPREPLY[@]}" | sort | paste -sd " ")
            if [[ $got != "$2" ]]; then
                echo "FAIL: \"$line\" offers \"$got\", expected \"$2\"" >&2
                status=1
            fi
        }
        expect "tamboro-cli " "--help --version backup extract grooves hits info library pack play ports restore verify"
        expect "tamboro-cli re" "restore"
        expect "tamboro-cli backup --in 2 --patches --" "--all --device-id --fast --help --instruments --out --system"
        expect "tamboro-cli backup --in " "TD-7\\ Simulator\\ Out:TD-7\\ Simulator UM-ONE"
        expect "tamboro-cli backup --in=2 --out T" "TD-7\\ Simulator\\ In:TD-7\\ Simulator Tamboro"
        expect "tamboro-cli restore " "OLD.TD7 folder gig.td7"
        expect "tamboro-cli info " "OLD.TD7 folder gig.td7 kit.syx"
        expect "tamboro-cli extract gig.td7 --patch 3" "3 30 31 32"
        expect "tamboro-cli extract gig.td7 -o " "folder kit.syx"
        expect "tamboro-cli pack --patch 2 " "folder kit.syx"
        expect "tamboro-cli pack --patch 2 kit.syx --p" "--patch"
        # Commands of two words.
        expect "tamboro-cli lib" "library"
        expect "tamboro-cli library " "backup delete export fav import info list list-clear list-new list-put list-show lists restore tag unfav untag"
        expect "tamboro-cli library list-" "list-clear list-new list-put list-show"
        expect "tamboro-cli library list --kind " "instruments kit system"
        expect "tamboro-cli library import " "OLD.TD7 folder gig.td7 kit.syx"
        exit $status
    ' completion "$script" "$work/completion/files"
    ;;
*)
    fail "unknown check $check"
    ;;
esac
