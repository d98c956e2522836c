# Sourced by the tests of the README's recipes: a private folder $work that
# goes at the exit, a count of failures with `fail`, and the code block that
# follows the line "<!-- tested: NAME -->", exactly as the README prints it.
#   readme_recipe README NAME
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

readme_recipe() {
  local text
  text=$(awk -v mark="<!-- tested: $2 -->" '
    $0 == mark { found = 1; next }
    found && /^```/ { if (inside) exit; inside = 1; next }
    inside { print }' "$1")
  if [ -z "$text" ]; then
    echo "no recipe '$2' in $1" >&2
    return 1
  fi
  printf '%s\n' "$text"
}
