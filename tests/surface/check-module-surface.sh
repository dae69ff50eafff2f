#!/usr/bin/env bash
# The module's outward surface: it exports exactly DllMain, DllCanUnloadNow and DllGetClassObject,
# and the Windows DLL imports from Windows' own DLLs only (libstdc++, libgcc, winpthread are inside).
# Usage: check-module-surface.sh linux|windows MODULE
set -euo pipefail
kind=$1
module=$2
expected=$'DllCanUnloadNow\nDllGetClassObject\nDllMain'

if [ "$kind" = linux ]; then
    exports=$(nm -D --defined-only "$module" | awk '{print $3}' | sort)
    imports=""
else
    dump=$(x86_64-w64-mingw32-objdump -p "$module")
    exports=$(printf '%s\n' "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
              sed -n 's/^\s*\[ *[0-9]*\] \(.*\)$/\1/p' | sort)
    imports=$(printf '%s\n' "$dump" | sed -n 's/^\s*DLL Name: //p')
fi

status=0
if [ "$exports" != "$expected" ]; then
    echo "exports differ: expected"; echo "$expected"; echo "actual"; echo "$exports"
    status=1
fi
system_dll='^(kernel32|msvcrt|ole32|oleaut32|user32|advapi32|shell32|rpcrt4|bcrypt|winspool\.drv|secur32|ntdll|api-ms-win-.*)(\.dll)?$'
while IFS= read -r dll; do
    [ -z "$dll" ] && continue
    if ! printf '%s\n' "$dll" | tr 'A-Z' 'a-z' | grep -Eq "$system_dll"; then
        echo "imports from a DLL that Windows does not ship: $dll"
        status=1
    fi
done <<< "$imports"
[ $status = 0 ] && echo "exports: $(echo $exports); imports: $(echo ${imports:-none})"
exit $status
