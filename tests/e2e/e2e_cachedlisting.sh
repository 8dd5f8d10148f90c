#!/usr/bin/env bash
# Two real boards on one data folder, B's listings answered from a copy up to
# 30 seconds old, as a share's client may: B updates once (its copy is taken
# then), A updates, and B presses again while its copy cannot show A's lock
# file. B must be told the board is busy and never hold it beside A; once A
# has released, B gets in.
source "$(dirname "$0")/e2elib.sh"

[ -f "${SHIM:-}" ] || fail "no share client shim at '${SHIM:-}'"

# The lock files of a folder that an open holds locked, one name a line:
# /proc/locks names every byte-range lock by device and inode.
held_lock_files() {
    local f dev ino key
    for f in "$1"/lock*.scd; do
        read -r dev ino < <(stat -c '%d %i' "$f" 2>/dev/null) || continue
        key=$(printf '%02x:%02x:%s' $(((dev >> 8) & 0xfff)) $(((dev & 0xff) | ((dev >> 12) & 0xfff00))) "$ino")
        if grep -q " $key " /proc/locks; then basename "$f"; fi
    done
}

# Whether process $1 has file $2 of the data folder open.
has_open() { ls -l "/proc/$1/fd" 2>/dev/null | grep -q "$dir/$2\$"; }

start_x
dir=$(make_board_folder)
read -r pid_a wa < <(start_board_at "$dir" 0 0)
# A sanitizer's runtime wants to come first; the shim does not mind.
read -r pid_b wb < <(LD_PRELOAD="$SHIM" SB_LIST_CACHE_SECONDS=30 \
    ASAN_OPTIONS="${ASAN_OPTIONS:-}:verify_asan_link_order=0" start_board_at "$dir" 0 650)
grep -q libsb_shareclient "/proc/$pid_b/maps" || fail "B runs without the share client shim"

read -r ux uy < <(update_button_xy)
read -r lx ly <<<"$LED_XY"
b_shows_box() { [ -n "$(message_box "$pid_b")" ]; }
b_box_closed() { [ -z "$(message_box "$pid_b")" ]; }
one_held() { [ "$(held_lock_files "$dir" | wc -l)" -eq 1 ]; }
none_held() { [ -z "$(held_lock_files "$dir")" ]; }

# B's update: its listing of the folder is taken now.
click "$wb" "$ux" "$uy"
wait_for 5 one_held || fail "B's update holds no lock file"
b_file=$(held_lock_files "$dir")
has_open "$pid_b" "$b_file" || fail "B does not hold $b_file"
click "$wb" "$ux" "$uy"
wait_for 5 none_held || fail "B's lock file is still held after its release"

# A's update, under a lock file of a name B's copy does not hold.
click "$wa" "$ux" "$uy"
wait_for 5 one_held || fail "A's update holds no lock file"
a_file=$(held_lock_files "$dir")
has_open "$pid_a" "$a_file" || fail "A does not hold $a_file"
[ "$a_file" != "$b_file" ] || fail "A holds B's lock file $b_file"

click "$wb" "$ux" "$uy"
wait_for 5 b_shows_box || fail "B showed no busy message while A updates"
shot root "$ARTIFACTS/cachedlisting_busy.png"
# Never two holders, while B's press runs and after.
for _ in $(seq 15); do
    held=$(held_lock_files "$dir")
    [ "$held" = "$a_file" ] || fail "held lock files while A updates: $(echo $held)"
    sleep 0.2
done
is_red "$(pixel "$wb" "$lx" "$ly")" || fail "B's lamp is not lit: $(pixel "$wb" "$lx" "$ly")"
xdotool windowfocus --sync "$(message_box "$pid_b")" key Return
wait_for 5 b_box_closed || fail "the busy message did not close"

# A releases: B's next press gets in.
click "$wa" "$ux" "$uy"
wait_for 5 none_held || fail "A's lock file is still held after its release"
click "$wb" "$ux" "$uy"
wait_for 5 one_held || fail "B's second update holds no lock file"
held=$(held_lock_files "$dir")
has_open "$pid_b" "$held" || fail "B does not hold the held lock file $held"
sleep 1
b_box_closed || fail "B showed a message instead of updating"
shot "$wb" "$ARTIFACTS/cachedlisting_b_updates.png"
click "$wb" "$ux" "$uy"
wait_for 5 none_held || fail "B's lock file is still held after its release"
