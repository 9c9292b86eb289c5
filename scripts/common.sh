# Shared by scripts/run and scripts/test: install what is missing, then configure and
# build. Sourced, not run.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${TAMBORO_BUILD_DIR:-$root/build}

ensure_packages() {
    local missing=() pkg
    while read -r pkg; do
        [[ -z $pkg || $pkg == \#* ]] && continue
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done <"$root/scripts/packages.txt"
    ((${#missing[@]} == 0)) && return 0

    echo "Installing missing packages: ${missing[*]}" >&2
    local sudo=()
    if ((EUID != 0)); then
        command -v sudo >/dev/null || { echo "Need root or sudo to install: ${missing[*]}" >&2; exit 1; }
        sudo=(sudo)
    fi
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
}

# configure_dir DIR [CMAKE ARGS...]: configures DIR when it has no build files yet. A folder
# configured earlier gets those of the project's own options (-DTAMBORO_...=VALUE) that it
# lacks or holds otherwise, so that an option added since (warnings as errors) reaches old
# build folders too; the rest of an existing folder's choices stay as they are.
configure_dir() {
    local dir=$1 arg name value stale=()
    shift
    if [[ ! -f $dir/build.ninja ]]; then
        cmake -S "$root" -B "$dir" -G Ninja "$@"
        return
    fi
    for arg; do
        [[ $arg == -DTAMBORO_*=* ]] || continue
        name=${arg#-D} value=${arg#*=}
        name=${name%%=*} name=${name%%:*}
        [[ $(sed -n "s/^$name:[A-Z]*=//p" "$dir/CMakeCache.txt") == "$value" ]] || stale+=("$arg")
    done
    ((${#stale[@]} == 0)) || cmake -S "$root" -B "$dir" "${stale[@]}"
}

configure_and_build() {
    # Line tables only: the program's code is the same, its stacks read as well, and the
    # build takes a good part less time than with full debug information.
    configure_dir "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" "$@"
    # The programs, benchmarks and tools, and the test programs over a real MIDI service
    # (cmake/PlainChecks.cmake); the rest of the suite is built and run under the sanitizers.
    cmake --build "$build_dir" --parallel "$(nproc)" --target plain_checks
}

# with_empty_home COMMAND...: runs the command as on a new account, in a home folder of its
# own with nothing in it (no ~/.config), which is removed afterwards.
with_empty_home() {
    local home status=0
    home=$(mktemp -d "${TMPDIR:-/tmp}/tamboro-home.XXXXXX")
    env -u XDG_CONFIG_HOME -u XDG_DATA_HOME -u XDG_CACHE_HOME HOME="$home" "$@" || status=$?
    rm -rf "$home"
    return "$status"
}
