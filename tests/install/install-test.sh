#!/bin/bash
# Installs the build into a throw-away prefix and checks what a user's system then holds: every
# file in its place, completions that load and complete, a manual page that renders cleanly and
# a user unit that systemd accepts.
#   install-test.sh BUILD-FOLDER
set -u
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "cmake --install failed" >&2; exit 1; }

expected=(
    bin/dustlyn
    share/man/man1/dustlyn.1.gz
    share/bash-completion/completions/dustlyn
    share/zsh/site-functions/_dustlyn
    share/fish/vendor_completions.d/dustlyn.fish
    share/systemd/user/dustlyn.service
    share/applications/dustlyn.desktop
    share/icons/hicolor/48x48/apps/dustlyn.png
    share/icons/hicolor/256x256/apps/dustlyn.png
    share/doc/dustlyn/copyright
    share/doc/dustlyn/changelog.gz
)
for file in "${expected[@]}"; do
    [[ -s $prefix/$file ]] || fail "$file is not installed"
done
[[ -x $prefix/bin/dustlyn ]] || fail "bin/dustlyn is not executable"
"$prefix/bin/dustlyn" --version | grep -q '^dustlyn ' || fail "the installed dustlyn does not run"

# Each line the user types, and what pressing Tab must offer.
bash_cases=(
    "dustlyn sw|sweep"
    "dustlyn rules e|edit enable"
    "dustlyn sweep --q|--quiet"
    "dustlyn settings K|Kept\\ files"
    "dustlyn help ti|timer timers"
)
completion=$prefix/share/bash-completion/completions/dustlyn
bash -n "$completion" || fail "the bash completion does not parse"
for case in "${bash_cases[@]}"; do
    typed=${case%%|*}
    offered=$(bash -c 'source "$1"; read -ra COMP_WORDS <<<"$2"; COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
                       COMP_LINE=$2; COMP_POINT=${#2}; _dustlyn; echo "${COMPREPLY[*]}"' \
        bash "$completion" "$typed")
    [[ $offered == "${case#*|}" ]] || fail "bash offers '$offered' for '$typed', not '${case#*|}'"
done
if command -v zsh >/dev/null; then
    zsh -n "$prefix/share/zsh/site-functions/_dustlyn" || fail "the zsh completion does not parse"
fi
if command -v fish >/dev/null; then
    fish -n "$prefix/share/fish/vendor_completions.d/dustlyn.fish" ||
        fail "the fish completion does not parse"
    offered=$(fish -c "source $prefix/share/fish/vendor_completions.d/dustlyn.fish
                       complete -C 'dustlyn sw'" | cut -f1 | tr '\n' ' ')
    [[ $offered == "sweep " ]] || fail "fish offers '$offered' for 'dustlyn sw'"
fi

if command -v man >/dev/null; then
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l \
        "$prefix/share/man/man1/dustlyn.1.gz" 2>&1 >/dev/null)
    [[ -z $warnings ]] || fail "the manual page renders with warnings: $warnings"
fi

unit=$prefix/share/systemd/user/dustlyn.service
grep -qx "ExecStart=$prefix/bin/dustlyn --headless" "$unit" || fail "the unit does not start $prefix/bin/dustlyn --headless"
if command -v systemd-analyze >/dev/null; then
    # verify says most of what it finds without failing, so anything it says is a fault; it
    # also looks up the unit's manual page.
    said=$(MANPATH=$prefix/share/man systemd-analyze verify "$unit" 2>&1) ||
        fail "systemd-analyze verify refuses the unit"
    [[ -z $said ]] || fail "systemd-analyze verify: $said"
fi

exit $((failures > 0))
