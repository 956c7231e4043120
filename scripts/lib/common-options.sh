# Sourced by the project's scripts: answers --help (the script's opening
# comment) and --version (the project's version) when given as the first
# argument, then returns to the script.
#   source "$(dirname "$0")/lib/common-options.sh" "$@"
case ${1:-} in
  -h | --help)
    sed -n '2,/^[^#]/{/^#/s/^# \{0,1\}//p}' "$0"
    exit 0
    ;;
  --version)
    sed -n "s/^project(Tavlo VERSION \([0-9.]*\).*/$(basename "$0") (tavlo) \1/p" \
      "$(dirname "$0")/../CMakeLists.txt"
    exit 0
    ;;
esac
