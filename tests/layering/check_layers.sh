#!/usr/bin/env bash
# Fails when a file under src/ includes a module above its own, when code outside the
# platform layer and the Qt shell includes Qt, OpenGL or EGL headers, or when a file does
# not declare its folder's namespace.
# Usage: check_layers.sh SRC_DIR
set -u
src=${1:?usage: check_layers.sh SRC_DIR}

# Module of a path under src/ (for a file) or of an include such as "model/edit/x.h".
module_of() {
  case $1 in
    platform/gfx/*) echo platform/gfx ;;
    platform/ui/*) echo platform/ui ;;
    app/core/*) echo app/core ;;
    app/*) echo app ;;
    model/edit/*) echo model/edit ;;
    *) echo "${1%%/*}" ;;
  esac
}

# What each module may include besides itself, lowest layers first.
declare -A allowed=(
  [math]=""
  [input]="math"
  [camera]="math input"
  [model]="math input"
  [model/edit]="math input model"
  [services]=""
  [interaction]="math input camera model model/edit"
  [platform/gfx]="math resources"
  [export]="math model platform/gfx resources"
  [render]="math input camera model model/edit interaction platform/gfx resources"
  [d3dframework]="math platform/gfx"
  [platform/ui]="math input model services platform/gfx"
  [tools]="math input camera model model/edit interaction export platform/gfx resources"
  [app/core]="math input camera model model/edit services interaction export render d3dframework platform/gfx resources"
  [app]="math input camera model model/edit services interaction export render d3dframework platform/gfx platform/ui resources app/core"
)
# Modules that may speak to the toolkit and the graphics library directly.
declare -A toolkit=([platform/gfx]=1 [platform/ui]=1 [app]=1)

status=0
while IFS= read -r file; do
  rel=${file#"$src"/}
  mod=$(module_of "$rel")
  if [ -z "${allowed[$mod]+set}" ]; then
    echo "$rel: module '$mod' has no place in the layer table of $0"
    status=1
    continue
  fi
  while IFS= read -r line; do
    inc=$(sed -nE 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]+)".*/\1/p' <<<"$line")
    if [ -n "$inc" ]; then
      case $inc in */*) ;; *) continue ;; esac  # a file beside this one
      dep=$(module_of "$inc")
      [ "$dep" = "$mod" ] && continue
      case " ${allowed[$mod]} " in
        *" $dep "*) ;;
        *) echo "$rel: includes \"$inc\" from '$dep', which is not below '$mod'"; status=1 ;;
      esac
      continue
    fi
    sys=$(sed -nE 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*<([^>]+)>.*/\1/p' <<<"$line")
    [ -n "$sys" ] || continue
    case $sys in
      Q*|Qt*/*|epoxy/*|EGL/*|GL/*|GLES*/*)
        [ -n "${toolkit[$mod]+set}" ] ||
          { echo "$rel: includes <$sys>; only platform/ and app/ may use Qt or OpenGL"; status=1; } ;;
    esac
  done < <(grep -E '^[[:space:]]*#[[:space:]]*include' "$file")
  # One namespace per folder: its path with platform/ left out (export is a keyword).
  ns=$(dirname "$rel" | sed -e 's|^platform/||' -e 's|^export$|exporter|' -e 's|/|::|g')
  if ! grep -qE "^namespace $ns(::[a-z_]+)? \{" "$file" && ! grep -qE '^int main\(' "$file"; then
    echo "$rel: does not declare namespace $ns"
    status=1
  fi
done < <(find "$src" -type f \( -name '*.h' -o -name '*.cpp' \) | sort)

[ $status -eq 0 ] && echo "layers point one way"
exit $status
