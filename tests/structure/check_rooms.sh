#!/usr/bin/env bash
# Dependencies between the source folders run one way:
#   data <- contacts <- exchange <- sync <- windows (main, terms, about) <- app
# platform (operating-system services) and widgets (shared widgets, grid
# model) are used by the windows and app only; norvane-db uses the core and
# the platform (the icon exporter, a build step, paints with the widgets). A header included against that direction fails here.
set -euo pipefail
src=$1/src
status=0
forbid() {
    local room=$1; shift
    for other in "$@"; do
        if hits=$(grep -rnE "#include \"$other/" "$src/$room" 2>/dev/null); then
            echo "FAIL: $room/ includes $other/:"; echo "$hits"; status=1
        fi
    done
}
windows=(main_window terms_window about_window)
forbid data contacts exchange sync platform widgets "${windows[@]}" app
forbid contacts exchange sync platform widgets "${windows[@]}" app
forbid exchange sync platform widgets "${windows[@]}" app
forbid sync platform widgets "${windows[@]}" app
forbid platform data contacts exchange sync widgets "${windows[@]}" app
forbid widgets "${windows[@]}" app
for window in "${windows[@]}"; do forbid "$window" app; done
if hits=$(grep -nE '#include "(widgets|main_window|terms_window|about_window|app)/' "$1"/tools/norvane_db.cpp); then
    echo "FAIL: norvane-db includes window code:"; echo "$hits"; status=1
fi
[ $status -eq 0 ] && echo "rooms: every include runs the right way"
exit $status
