# Sourced by the tests of the README's recipes: the code block that follows
# the line "<!-- tested: NAME -->", exactly as the README prints it.
#   readme_recipe README NAME
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
