#!/bin/bash
# Makes the Debian package as `cpack -G DEB` does and has lintian judge it: no errors, and the
# files a user needs inside.
#   package-test.sh BUILD-FOLDER
set -u
build=$1
command -v lintian >/dev/null && command -v dpkg-deb >/dev/null || {
    echo "lintian or dpkg-deb is missing"
    exit 77
}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

cpack -G DEB -B "$out" --config "$build/CPackConfig.cmake" >"$out/cpack.log" 2>&1 ||
    { cat "$out/cpack.log" >&2; exit 1; }
package=$(ls "$out"/*.deb)
failures=0
contents=$(dpkg-deb -c "$package" | awk '{print $6}')
for file in ./usr/bin/dustlyn ./usr/share/man/man1/dustlyn.1.gz ./usr/lib/systemd/user/dustlyn.service \
    ./usr/share/bash-completion/completions/dustlyn ./usr/share/zsh/vendor-completions/_dustlyn \
    ./usr/share/fish/vendor_completions.d/dustlyn.fish ./usr/share/doc/dustlyn/copyright; do
    grep -qx -- "$file" <<<"$contents" || { echo "FAIL: the package lacks $file" >&2; failures=1; }
done
dpkg-deb --fsys-tarfile "$package" | tar -xOf - ./usr/lib/systemd/user/dustlyn.service |
    grep -qx "ExecStart=/usr/bin/dustlyn --headless" || { echo "FAIL: the packaged unit does not start /usr/bin/dustlyn" >&2; failures=1; }

# lintian grumbles when run as root; only its verdict on the package counts.
report=$(lintian --fail-on error --tag-display-limit 0 "$package" 2>/dev/null) ||
    { echo "FAIL: lintian finds errors:" >&2; echo "$report" >&2; failures=1; }
grep '^E:' <<<"$report" >&2 && failures=1
exit $failures
