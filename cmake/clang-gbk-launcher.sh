#!/usr/bin/env bash
# Compiler launcher for clang builds. Clang knows no execution character set but UTF-8, while
# the client's narrow literals must be GBK bytes, as on the wire. A compile that asks for them
# (-fexec-charset=GB18030, from velmora_gbk_text) is given a GB18030 copy of its source instead:
# clang keeps the bytes of a string literal as they are in the file, so the literals come out the
# same as g++ makes them. Every other compile runs unchanged.
set -euo pipefail

gbk=0
for a in "$@"; do
  [ "$a" = "-fexec-charset=GB18030" ] && gbk=1
done
[ "$gbk" -eq 1 ] || exec "$@"

args=()
src=""
obj=""
prev=""
for a in "$@"; do
  if [ "$a" = "-fexec-charset=GB18030" ]; then
    prev="$a"
    continue
  fi
  [ "$prev" = "-c" ] && src="$a"
  [ "$prev" = "-o" ] && obj="$a"
  args+=("$a")
  prev="$a"
done
if [ -z "$src" ] || [ -z "$obj" ]; then
  echo "clang-gbk-launcher: cannot find the source (-c) or the object (-o) in: $*" >&2
  exit 2
fi

case "$obj" in
  /*) copy="$obj.gb18030.${src##*.}" ;;
  *) copy="$PWD/$obj.gb18030.${src##*.}" ;;
esac
mkdir -p "$(dirname "$copy")"
iconv -f UTF-8 -t GB18030 "$src" >"$copy.tmp"
# A GBK trail byte may be 0x5C, the backslash: inside a literal or at the end of a comment line it
# would change what the compiler reads. Refuse such a source rather than compile something else.
if [ "$(tr -cd '\\' <"$src" | wc -c)" != "$(tr -cd '\\' <"$copy.tmp" | wc -c)" ]; then
  rm -f "$copy.tmp"
  echo "clang-gbk-launcher: $src has a character whose GBK form holds a backslash byte;" \
       "write it as an escape" >&2
  exit 2
fi
mv -f "$copy.tmp" "$copy"

for i in "${!args[@]}"; do
  [ "${args[$i]}" = "$src" ] && args[$i]="$copy"
done
# Quoted includes still resolve beside the original; debug information names the original.
exec "${args[@]}" -iquote "$(dirname "$src")" -ffile-prefix-map="$copy=$src" -Wno-invalid-source-encoding
