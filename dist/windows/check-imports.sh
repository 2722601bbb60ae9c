#!/usr/bin/env bash
# Checks a Windows program folder before it ships: every DLL that one of its .exe or .dll files
# imports (their import tables, read with x86_64-w64-mingw32-objdump -p) must be in the folder
# itself, where Windows looks first for a program's DLLs and for those of the DLLs it loads, or
# be part of Windows. Names each missing DLL with the files that import it; exit code 1 then.
#   dist/windows/check-imports.sh FOLDER
set -euo pipefail
folder=$1

# The DLLs every Windows the program runs on (10 and later) has in its system folder.
system_dlls=" $(printf '%s ' \
    advapi32.dll authz.dll bcrypt.dll comctl32.dll comdlg32.dll crypt32.dll d3d11.dll d3d9.dll \
    dnsapi.dll dwmapi.dll dwrite.dll dxgi.dll gdi32.dll imm32.dll iphlpapi.dll kernel32.dll \
    mpr.dll msvcrt.dll netapi32.dll ntdll.dll ole32.dll oleaut32.dll secur32.dll setupapi.dll \
    shcore.dll shell32.dll shlwapi.dll user32.dll userenv.dll uxtheme.dll version.dll \
    winhttp.dll winmm.dll ws2_32.dll wtsapi32.dll)"

shipped=$(find "$folder" -maxdepth 1 -iname '*.dll' -printf ' %f ')
shipped=${shipped,,}
missing=0
while IFS= read -r -d '' file; do
    for dll in $(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p'); do
        name=${dll,,}
        case "$name" in api-ms-win-* | ext-ms-win-*) continue ;; esac
        [[ "$shipped" == *" $name "* || "$system_dlls" == *" $name "* ]] && continue
        echo "check-imports: ${file#"$folder"/} imports $dll, which is neither in $folder nor part of Windows" >&2
        missing=1
    done
done < <(find "$folder" -type f \( -iname '*.exe' -o -iname '*.dll' \) -print0 | sort -z)
[ "$missing" -eq 0 ] || exit 1
echo "check-imports: every DLL imported in $folder is shipped or part of Windows"
