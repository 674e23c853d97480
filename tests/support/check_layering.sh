#!/bin/sh
# Checks the include rules of the library's source tree:
#  1. only src/platform/ and src/ftp/protocol/ include operating-system headers;
#  2. a source file includes only from its own folder or from folders below it;
#     ftp/protocol/ (the wire) is a folder of its own below ftp/; inside
#     app/ the same holds for its sub-folders, with app/'s own files on top;
#  3. ftp/protocol/ is private to ftp/: everything above reaches a server
#     through the remote session of ftp/.
# One grep over the tree for each rule: a process per file or per include
# would make this check one of the slowest tests.
set -u
src=${1:?source folder}
fail=0

os_headers='#include <(unistd\.h|pwd\.h|grp\.h|netdb\.h|fcntl\.h|dirent\.h|poll\.h|dlfcn\.h|spawn\.h|signal\.h|termios\.h|syslog\.h|sys/|arpa/|netinet/|linux/)'
found=$(cd "$src" && grep -rEn --include='*.h' --include='*.cpp' \
    --exclude-dir=platform --exclude-dir=app --exclude-dir=cli "$os_headers" . | grep -v '^\./ftp/protocol/' | sort)
if [ -n "$found" ]; then
    echo "only the platform layer and the FTP protocol code include operating-system headers:"
    echo "$found" | sed 's|^\./||'
    fail=1
fi

# Each sets r or part (no subshell: they run once per include).
rank() {
    case $1 in
        platform) r=0 ;; base) r=1 ;; objects) r=2 ;; paths) r=3 ;;
        messaging) r=4 ;; ftp/protocol) r=5 ;; ftp|zip) r=6 ;; db) r=7 ;;
        tasks) r=8 ;; engine) r=9 ;; db_engine) r=10 ;; cli|app) r=11 ;; *) r=99 ;;
    esac
}
# The top folder of a path, with ftp/protocol/ counted as a folder of its own.
folder_of() {
    case $1 in ftp/protocol/*) part=ftp/protocol ;; *) part=${1%%/*} ;; esac
}
# The desktop program's parts, bottom up; its own files (the start) on top.
app_rank() {
    case $1 in
        app/common) r=0 ;; app/transfers) r=1 ;; app/connections) r=2 ;;
        app/panes) r=3 ;; app/shell) r=4 ;; app/tray) r=5 ;; app) r=6 ;; *) r=99 ;;
    esac
}
# Sets part to the sub-folder of app/ a path is in, or to app itself.
app_part_of() {
    case $1 in app/*/*) rest=${1#app/}; part="app/${rest%%/*}" ;; *) part=app ;; esac
}

# Lines "folder/file:folder/header" for every include of a header in a folder.
includes=$(cd "$src" && grep -rE --include='*.h' --include='*.cpp' '^#include "[^"/]+/' . \
    | sed -n 's|^\./\([^:]*\):#include "\([^"]*\)".*|\1:\2|p' | sort)
for line in $includes; do
    rel=${line%%:*}
    inc=${line#*:}
    [ "$rel" = "${rel%%/*}" ] && continue  # a file directly in src/
    folder_of "$rel"; own=$part
    folder_of "$inc"; other=$part
    if [ "$own" = app ] && [ "$other" = app ]; then
        app_part_of "$rel"; own_part=$part
        app_part_of "$inc"
        [ "$part" = "$own_part" ] && continue
        app_rank "$own_part"; own_rank=$r
        app_rank "$part"
        if [ "$r" -ge "$own_rank" ]; then
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
    rank "$own"; own_rank=$r
    rank "$other"
    if [ "$r" -ge "$own_rank" ]; then
        echo "$rel includes $inc: $own may include only from folders below it"
        fail=1
    fi
done
exit $fail
