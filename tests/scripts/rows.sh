# The script tests' table rows, sourced by each: a row prints "ok   <case>", or
# "FAIL <case>: <why>" with the command's output indented below it.
failures=0

# row_outcome <case> <why it failed, empty when it passed> <output>
row_outcome() {
  if [[ -n $2 ]]; then
    echo "FAIL $1: $2"
    sed 's/^/    /' <<<"$3"
    failures=$((failures + 1))
  else
    echo "ok   $1"
  fi
}
