# Shared by scripts/run and scripts/test; sourced, not run.

KORVID_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# Let the compiler cache serve any clone of the tree, wherever it lies.
export CCACHE_BASEDIR="$KORVID_ROOT"
export CCACHE_NOHASHDIR=1

# Packages of the given groups in scripts/packages.txt.
korvid_packages() {
    local groups="$*"
    awk -v groups=" $groups " '!/^#/ && NF == 2 && index(groups, " " $1 " ") { print $2 }' \
        "$KORVID_ROOT/scripts/packages.txt"
}

korvid_as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs whatever of the given groups is missing; silent when nothing is.
korvid_install() {
    local missing=()
    local package
    for package in $(korvid_packages "$@"); do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$package")
        fi
    done
    if [ "${#missing[@]}" -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        korvid_as_root apt-get update -qq
        korvid_as_root env DEBIAN_FRONTEND=noninteractive \
            apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    fi
}

# Configures and builds a tree: korvid_build DIR [cmake options...]
# KORVID_TARGET, when set, names the only target to build.
korvid_build() {
    local dir="$1"
    shift
    cmake -S "$KORVID_ROOT" -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir" ${KORVID_TARGET:+--target $KORVID_TARGET}
}

# korvid_build with one line of progress instead of the compiler's output,
# which goes to DIR/build.log and is shown when the build fails.
korvid_build_quietly() {
    local dir="$1"
    mkdir -p "$dir"
    echo "Building Korvid in $dir (the compiler's output is in $dir/build.log)"
    if ! korvid_build "$@" >"$dir/build.log" 2>&1; then
        tail -n 40 "$dir/build.log" >&2
        echo "The build failed; all of its output is in $dir/build.log" >&2
        return 1
    fi
}

# The suite checks that wire formats ignore the user's locale by running
# parts of it under German; make sure that locale exists.
korvid_ensure_test_locale() {
    if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
        korvid_as_root localedef -i de_DE -f UTF-8 de_DE.UTF-8
    fi
}

# Fails, naming the places, when a C++ source differs from what clang-format
# makes of it.
korvid_check_format() {
    (cd "$KORVID_ROOT" && find src tests bench fuzz -type f \( -name '*.cpp' -o -name '*.h' \) \
        -print0 | xargs -0 clang-format --dry-run --Werror)
}

# Fails, naming the places, when qmllint finds anything in a view. It needs
# the types the views are handed, so it configures the tree given (cmake
# options as for korvid_build) and generates their descriptions there, which
# compiles nothing.
korvid_check_qml() {
    KORVID_TARGET=all_qmllint korvid_build "$@"
}

# Makes the package of a release tree as the README does and fails, naming
# the files, when an installed file holds a path of this machine's source or
# build tree: an installed program must load nothing from where it was built
# (another user may create that path on the user's machine). QStringLiteral
# keeps text as UTF-16, so wide strings are read too.
korvid_check_package() {
    local dir="$1"
    (cd "$dir" && rm -f korvid_*.deb && cpack >/dev/null)
    local stage
    stage="$(mktemp -d)"
    dpkg-deb -x "$dir"/korvid_*.deb "$stage"
    local file found=0
    while IFS= read -r -d '' file; do
        if { strings -a "$file"; strings -a -el "$file"; } | grep -F "$KORVID_ROOT"; then
            echo "${file#"$stage"} holds a path of the build machine" >&2
            found=1
        fi
    done < <(find "$stage" -type f -print0)
    rm -rf "$stage"
    return "$found"
}
