#!/usr/bin/env bash
# The package works on a system that has only what it declares, and leaves nothing
# behind. A minimal Debian 12 is made with debootstrap from the Debian mirrors this
# machine uses; the package is installed there with apt (which pulls exactly the
# declared dependencies, no recommended ones); inside, vorla --render draws samples
# headless, vorla-tool reads and exports one, and the editor opens its window on a
# virtual display; the pictures must equal, pixel for pixel, those the same programs
# draw on this machine. Then the package is purged and none of its files may remain;
# after its dependencies are purged too, the system must be as it was before.
#   clean_system_test.sh PACKAGE.deb WORK_DIR
# Needs root (debootstrap, chroot, mount). The debootstrapped base is kept as
# WORK_DIR/base.tar and unpacked afresh for each run; delete it to debootstrap again.
set -euo pipefail
deb=$(realpath "$1")
work=$(realpath -m "$2")
here=$(cd "$(dirname "$0")" && pwd)
suite=bookworm

[ "$(id -u)" -eq 0 ] || { echo "clean-system test: needs root (debootstrap, chroot)" >&2; exit 1; }
start=$SECONDS
step() { echo "== [$((SECONDS - start)) s] $*"; }

root=$work/root
mounted=()
started=()
cleanup() {
    local m
    for m in "${started[@]}"; do kill "$m" 2>/dev/null || true; done
    for ((m = ${#mounted[@]} - 1; m >= 0; m--)); do umount -l "${mounted[m]}" 2>/dev/null || true; done
}
trap cleanup EXIT
in_root() {
    chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
        DEBIAN_FRONTEND=noninteractive "$@"
}
# The programs run as an ordinary user; what they keep in the home folder (Mesa's
# shader cache) is the user's, not the system's.
as_user() {
    chroot --userspec=user:user "$root" /usr/bin/env -i PATH=/usr/bin:/bin HOME=/home/user \
        LANG=C.UTF-8 "$@"
}

# The Debian repositories apt uses here: "URI SUITE COMPONENT" each.
mapfile -t repos < <(apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(COMPONENT)' \
    'Created-By: Packages' 'Origin: Debian' | sort -u)
mirror=$(printf '%s\n' "${repos[@]}" | awk -v s=$suite '$2 == s { print $1; exit }')
[ -n "$mirror" ] || { echo "clean-system test: no Debian $suite repository in apt's sources" >&2; exit 1; }

mkdir -p "$work"
if [ ! -f "$work/base.tar" ]; then
    step "debootstrap --variant=minbase $suite from $mirror"
    rm -rf "$work/base"
    debootstrap --variant=minbase "$suite" "$work/base" "$mirror" >"$work/debootstrap.log" 2>&1 || {
        tail -20 "$work/debootstrap.log" >&2
        exit 1
    }
    tar -C "$work/base" -cf "$work/base.tar.part" . && mv "$work/base.tar.part" "$work/base.tar"
    rm -rf "$work/base"
fi
step "a fresh system from the debootstrapped base"
rm -rf "$root"
mkdir -p "$root"
tar -C "$root" -xf "$work/base.tar"
printf 'deb %s %s %s\n' $(printf '%s\n' "${repos[@]}") >"$root/etc/apt/sources.list"
cp /etc/resolv.conf "$root/etc/resolv.conf"
# No service starts inside the chroot.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"
for fs in proc:proc sysfs:sys; do
    mount -t "${fs%%:*}" "${fs%%:*}" "$root/${fs#*:}"
    mounted+=("$root/${fs#*:}")
done
in_root useradd --create-home user
in_root apt-get update -qq

# Everything on the system but what changes by itself (logs, apt's and dpkg's state and
# caches) and the user's home.
snapshot() {
    (cd "$root" && find . -xdev \( -path ./proc -o -path ./sys -o -path ./dev -o -path ./tmp \
        -o -path ./run -o -path ./home -o -path ./var/log -o -path ./var/cache/apt \
        -o -path ./var/lib/apt -o -path ./var/cache/debconf -o -path ./var/lib/dpkg \) -prune \
        -o -print) | sort
}
snapshot >"$work/before.txt"

step "apt-get install ./$(basename "$deb")"
cp "$deb" "$root/tmp/"
in_root apt-get install -y -qq --no-install-recommends "/tmp/$(basename "$deb")" \
    >"$work/install.log" 2>&1 || { tail -30 "$work/install.log" >&2; exit 1; }
echo "   packages set up: $(grep -c '^Setting up' "$work/install.log" || true)"

step "using the installed programs"
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
models=/usr/share/vorla/Models
as_user vorla-tool info $models/robot.vvl >"$work/info.txt" || fail "vorla-tool info failed"
grep -q '^blocks [1-9]' "$work/info.txt" || fail "vorla-tool info: $(cat "$work/info.txt")"
as_user vorla-tool export $models/robot.vvl /tmp/robot.glb >"$work/export.txt" ||
    fail "vorla-tool export failed"
[ "$(head -c 4 "$root/tmp/robot.glb" 2>/dev/null)" = glTF ] || fail "robot.glb is not a binary glTF"
renders=(plain "--fit --width 400 --height 300 $models/robot.vvl"
    overlays "--overlays --width 640 --height 480 $models/rainbow.vvl")
for ((i = 0; i < ${#renders[@]}; i += 2)); do
    name=${renders[i]}
    # shellcheck disable=SC2086
    as_user vorla --render /tmp/$name.png ${renders[i + 1]} || fail "vorla --render ($name) failed"
done
ls "$root"/usr/share/man/man1/vorla.1.gz "$root"/usr/share/man/man1/vorla-tool.1.gz >/dev/null ||
    fail "manual pages missing"

# The same programs on this machine, with no settings of the user's.
step "the same pictures on this machine"
host=$work/host
rm -rf "$host"
mkdir -p "$host/home"
dpkg-deb -x "$deb" "$host/files"
for ((i = 0; i < ${#renders[@]}; i += 2)); do
    name=${renders[i]}
    args=${renders[i + 1]//$models/$host/files$models}
    # shellcheck disable=SC2086
    HOME=$host/home XDG_CONFIG_HOME=$host/home/.config XDG_DATA_HOME=$host/home/.local/share \
        "$host/files/usr/bin/vorla" --render "$host/$name.png" $args || fail "host render ($name) failed"
    if result=$(python3 "$here/png_difference.py" "$root/tmp/$name.png" "$host/$name.png"); then
        echo "   $name: the same picture ($(tr '\n' ' ' <<<"$result"))"
    else
        fail "$name: the picture drawn in the clean system differs: $(tr '\n' ' ' <<<"$result")"
    fi
done

# The editor itself: its window opens on a virtual display (an Xvfb of this machine,
# reached through its socket) with nothing but the declared dependencies: Qt's xcb
# platform, GLX, the fonts, the translation, the SVG icon plugin.
step "the editor's window on a virtual display"
xvfb_pid=
for display in $(seq 90 130); do
    [ -e /tmp/.X$display-lock ] && continue
    Xvfb :$display -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    started+=($xvfb_pid)
    for _ in $(seq 50); do
        [ -S /tmp/.X11-unix/X$display ] || ! kill -0 $xvfb_pid 2>/dev/null && break
        sleep 0.1
    done
    kill -0 $xvfb_pid 2>/dev/null && break # else another display server won the number
    xvfb_pid=
done
if [ -z "$xvfb_pid" ]; then
    fail "no Xvfb could start: $(cat "$work/xvfb.log")"
else
    mkdir -p "$root/tmp/.X11-unix"
    mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
    mounted+=("$root/tmp/.X11-unix")
    in_root install -d -o user -g user -m 700 /tmp/runtime-user
    chroot --userspec=user:user "$root" /usr/bin/env -i PATH=/usr/bin:/bin HOME=/home/user \
        LANG=C.UTF-8 DISPLAY=:$display XDG_RUNTIME_DIR=/tmp/runtime-user \
        vorla $models/robot.vvl >"$work/editor.log" 2>&1 &
    editor_pid=$!
    started+=($editor_pid)
    sleep 8
    if ! kill -0 $editor_pid 2>/dev/null; then
        fail "the editor stopped: $(cat "$work/editor.log")"
    elif ! DISPLAY=:$display xwininfo -root -tree | grep -q '("vorla" '; then
        fail "no editor window: $(DISPLAY=:$display xwininfo -root -tree | grep -v 'has no name')"
    elif [ -s "$work/editor.log" ]; then
        # Qt names a plugin or resource it could not load; a clean start prints nothing.
        fail "the editor warned: $(cat "$work/editor.log")"
    else
        echo "   the window is open"
    fi
    kill $editor_pid $xvfb_pid 2>/dev/null || true
    wait $editor_pid $xvfb_pid 2>/dev/null || true
    started=()
    umount -l "$root/tmp/.X11-unix"
fi

step "apt-get purge vorla"
in_root dpkg-query -L vorla >"$work/files.txt"
in_root apt-get purge -y -qq vorla >"$work/purge.log" 2>&1 || { tail -30 "$work/purge.log" >&2; exit 1; }
while read -r path; do
    [ "$path" != /. ] || continue
    [ -e "$root$path" ] || [ -L "$root$path" ] || continue
    # A folder may stay when another package owns it too.
    [ -d "$root$path" ] && [ ! -L "$root$path" ] && in_root dpkg-query -S "$path" >/dev/null 2>&1 && continue
    fail "left after purging: $path"
done <"$work/files.txt"
in_root apt-get autoremove --purge -y -qq >>"$work/purge.log" 2>&1
snapshot >"$work/after.txt"
left=$(comm -3 "$work/before.txt" "$work/after.txt")
[ -z "$left" ] || fail "the system differs after purging the package and its dependencies:
$left"

cleanup
mounted=()
step "done"
if ((failures)); then
    echo "clean-system test: $failures check(s) failed" >&2
    exit 1
fi
echo "clean-system test: passed in $((SECONDS - start)) s"
