#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Stands in for quillmoor-office where the real engine cannot be made to
# misbehave on cue: answers like it, then hangs, crashes or babbles as told.
# $1: mode; $2: a file each start appends its process id to.
mode=$1
[ -n "$2" ] && echo $$ >> "$2"
[ "$mode" = hang-start ] && sleep 1000
echo '"ready"'
while IFS= read -r line; do
    case "$line" in
        '"open"'*)
            case $mode in
                hang-open) sleep 1000 ;;
                babble) echo 'hello' ;;
                refuse) echo '"error" "Cannot open: not a presentation"' ;;
                *) echo '"ok" "3"' ;;
            esac ;;
        '"saveas"'*)
            [ "$mode" = crash-saveas ] && exit 3
            echo '"ok" "3"' ;;
        '"quit"'*) echo '"ok"'; exit 0 ;;
        *) echo '"ok"' ;;
    esac
done
