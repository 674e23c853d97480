#!/bin/sh
# Checks the include rules of the library's source tree:
#  1. only src/platform/ and src/ftp/protocol/ include operating-system headers;
#  2. a source file includes only from its own folder or from folders below it;
#     ftp/protocol/ (the wire) is a folder of its own below ftp/; inside
#     app/ the same holds for its sub-folders, with app/'s own files on top;
#  3. ftp/protocol/ is private to ftp/: everything above reaches a server
#     through the remote session of ftp/.
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
        messaging) echo 4 ;; ftp/protocol) echo 5 ;; ftp|zip) echo 6 ;; db) echo 7 ;;
        tasks) echo 8 ;; engine) echo 9 ;; db_engine) echo 10 ;; cli|app) echo 11 ;; *) echo 99 ;;
    esac
}
folder_of() {
    case $1 in
        ftp/protocol/*) echo ftp/protocol ;;
        *) echo "${1%%/*}" ;;
    esac
}
# The desktop program's parts, bottom up; its own files (the start) on top.
app_rank() {
    case $1 in
        app/common) echo 0 ;; app/transfers) echo 1 ;; app/connections) echo 2 ;;
        app/panes) echo 3 ;; app/shell) echo 4 ;; app/tray) echo 5 ;; app) echo 6 ;; *) echo 99 ;;
    esac
}
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
        if [ "$other" = ftp/protocol ] && [ "$own" != ftp ]; then
            echo "$rel includes $inc: ftp/protocol is private to ftp (use the remote session of ftp/)"
            fail=1
            continue
        fi
        if [ "$(rank "$other")" -ge "$own_rank" ]; then
            echo "$rel includes $inc: $own may include only from folders below it"
            fail=1
        fi
    done
done
exit $fail
