# One subcommand's CLI11 --help as man(7) text: the summary and any prose as paragraphs, the
# usage line in bold, each option or positional as a tagged paragraph, examples kept as laid out.
function roff(text) {
    gsub(/\\/, "\\e", text)
    gsub(/-/, "\\-", text)
    return (text ~ /^[.']/ ? "\\&" : "") text
}
function end_literal() {
    if (literal) { print ".RE"; print ".fi" }
    literal = 0
}
function flush_item() {
    if (item == "") return
    print ".TP"
    print item
    print roff(description)
    item = ""
}
/^$/ { flush_item(); end_literal(); next }
/^Usage: / {
    flush_item()
    sub(/^Usage: /, "")
    print ".PP"
    print "\\fBUsage:\\fR " roff($0)
    next
}
/^[A-Z][^:]*:$/ {
    flush_item()
    end_literal()
    literal = ($0 ~ /^Example/)
    print ".PP"
    print "\\fI" roff($0) "\\fR"
    if (literal) { print ".nf"; print ".RS 2" }
    next
}
literal && /^  / { sub(/^  /, ""); print roff($0); next }
match($0, /[^ ]/) > 20 { sub(/^ +/, ""); description = (description == "" ? $0 : description " " $0); next }
/^  [^ ]/ {
    flush_item()
    line = substr($0, 3)
    description = ""
    if (match(line, /  +/)) { description = substr(line, RSTART + RLENGTH); line = substr(line, 1, RSTART - 1) }
    split(line, words, " ")
    item = "\\fB" roff(words[1]) "\\fR" (length(line) > length(words[1]) ? " " roff(substr(line, length(words[1]) + 2)) : "")
    next
}
{ flush_item(); end_literal(); print ".PP"; print roff($0) }
END { flush_item(); end_literal() }
