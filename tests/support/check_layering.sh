#!/bin/sh
# Checks the include rules of the library's source tree:
#  1. only src/platform/ and src/ftp/protocol/ include operating-system headers;
#  2. a source file includes only from its own folder or from folders below it;
#     inside app/ the same holds for its sub-folders, with app/'s own files on top.
set -u
src=${1:?source folder}
fail=0

os_headers='#include <(unistd\.h|pwd\.h|grp\.h|netdb\.h|fcntl\.h|dirent\.h|poll\.h|dlfcn\.h|spawn\.h|signal\.h|termios\.h|syslog\.h|sys/|arpa/|netinet/|linux/)'
for file in $(find "$src" -name '*.h' -o -name '*.cpp' | sort); do
    rel=${file#"$src"/}
    case $rel in platform/*|ftp/protocol/*|app/*|cli/*) continue ;; esac
    if grep -En "$os_headers" "$file" >/dev/null; then
        echo "$rel includes an operating-system header:"; grep -En "$os_headers" "$file"
        fail=1
    fi
done

rank() {
    case $1 in
        platform) echo 0 ;; base) echo 1 ;; objects) echo 2 ;; paths) echo 3 ;;
        messaging) echo 4 ;; ftp|zip) echo 5 ;; db) echo 6 ;; tasks) echo 7 ;;
        engine) echo 8 ;; db_engine) echo 9 ;; cli|app) echo 10 ;; *) echo 99 ;;
    esac
}
# The desktop program's parts, bottom up; its own files (the start) on top.
app_rank() {
    case $1 in
        app/common) echo 0 ;; app/transfers) echo 1 ;; app/connections) echo 2 ;;
        app/panes) echo 3 ;; app/shell) echo 4 ;; app/tray) echo 5 ;; app) echo 6 ;; *) echo 99 ;;
    esac
}
folder_of() { echo "${1%%/*}"; }
app_folder_of() {
    case $1 in app/*/*) rest=${1#app/}; echo "app/${rest%%/*}" ;; *) echo app ;; esac
}

for file in $(find "$src" -mindepth 2 \( -name '*.h' -o -name '*.cpp' \) | sort); do
    rel=${file#"$src"/}
    own=$(folder_of "$rel")
    own_rank=$(rank "$own")
    for inc in $(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file"); do
        case $inc in */*) ;; *) continue ;; esac
        other=$(folder_of "$inc")
        if [ "$own" = app ] && [ "$other" = app ]; then
            own_part=$(app_folder_of "$rel"); other_part=$(app_folder_of "$inc")
            [ "$other_part" = "$own_part" ] && continue
            if [ "$(app_rank "$other_part")" -ge "$(app_rank "$own_part")" ]; then
                echo "$rel includes $inc: $own_part may include only from the parts of app/ below it"
                fail=1
            fi
            continue
        fi
        [ "$other" = "$own" ] && continue
        if [ "$(rank "$other")" -ge "$own_rank" ]; then
            echo "$rel includes $inc: $own may include only from folders below it"
            fail=1
        fi
    done
done
exit $fail
