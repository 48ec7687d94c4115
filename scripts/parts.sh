# Timing of a script's parts, for the scripts that print "time per part":
# source it, run each part as `part NAME COMMAND...`, and print them with
# `report_parts HEADING` (for instance from an EXIT trap).
parts=()
part() {
  local name="$1" start=$SECONDS
  shift
  "$@"
  parts+=("$(printf '%-16s %5d s' "$name" $((SECONDS - start)))")
}
report_parts() {
  echo "$1: time per part"
  printf '  %s\n' "${parts[@]}"
}
