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

configure_and_build() {
    if [[ ! -f $build_dir/build.ninja ]]; then
        cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    fi
    cmake --build "$build_dir" --parallel "$(nproc)"
}
