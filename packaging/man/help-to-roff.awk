# Turns a program's --help text into a manual page (roff), merged with a file of
# hand-written sections. Reads two files: the sections file, then the help.
#
# The help text, as the programs write it:
#   usage: PROGRAM SYNOPSIS              deeper-indented lines continue the synopsis
#   heading:                             a list heading ("commands:" starts COMMANDS)
#     TERM  DESCRIPTION                  an item: two spaces in, two or more before its text
#                                        (one is enough after an option and its VALUES)
#         MORE                           deeper lines continue the term, or the text once there is one
#   Plain text                           a paragraph
# Items before any heading are the OPTIONS.
#
# The sections file holds "[SECTION NAME]" lines, each followed by roff text
# (empty lines left out). DESCRIPTION and OPTIONS go before what the help
# gives, the others after it in their order.
#
# Variables: name, summary, version, date (set with -v).

function escape(text) {
  gsub(/\\/, "\\e", text)
  gsub(/-/, "\\-", text)
  return text
}

# Options in bold, placeholders in italics, the rest as it stands.
function format_words(text,    out, token) {
  out = ""
  while (match(text, /--?[a-z][a-z0-9-]*|[A-Z][A-Z_]*/)) {
    token = substr(text, RSTART, RLENGTH)
    out = out escape(substr(text, 1, RSTART - 1))
    if (token ~ /^-/) out = out "\\fB" escape(token) "\\fR"
    else out = out "\\fI" escape(token) "\\fR"
    text = substr(text, RSTART + RLENGTH)
  }
  return out escape(text)
}

# Running text: options in bold, the rest as it stands ("built-in" is no option).
function format_text(text,    out, last, token) {
  out = ""
  last = " "
  while (match(text, /--?[a-z][a-z0-9-]*/)) {
    if (RSTART > 1) last = substr(text, RSTART - 1, 1)
    token = substr(text, RSTART, RLENGTH)
    out = out escape(substr(text, 1, RSTART - 1))
    if (last ~ /[ (|[]/) out = out "\\fB" escape(token) "\\fR"
    else out = out escape(token)
    last = substr(token, length(token), 1)
    text = substr(text, RSTART + RLENGTH)
  }
  return out escape(text)
}

# A command's name in bold, then its arguments; an option term as format_words.
function format_term(term,    name) {
  if (term ~ /^-/ || !match(term, /^[a-z][a-z0-9-]*/)) return format_words(term)
  name = substr(term, 1, RLENGTH)
  return "\\fB" escape(name) "\\fR" format_words(substr(term, RLENGTH + 1))
}

# A text line: a leading dot or quote would read as a request.
function text_line(text) {
  if (text ~ /^[.']/) text = "\\&" text
  return text
}

function trim(text) {
  sub(/^ +/, "", text)
  sub(/ +$/, "", text)
  return text
}

function flush() {
  if (term != "") {
    body = body ".TP\n" text_line(format_term(term)) "\n"
    if (description != "") body = body text_line(format_text(description)) "\n"
  } else if (paragraph != "") {
    body = body ".PP\n" text_line(format_text(paragraph)) "\n"
  }
  term = ""
  description = ""
  paragraph = ""
}

function start_section(title) {
  flush()
  body = body ".SH " title "\n"
  in_section = 1
}

# The sections file.
FNR == NR {
  if ($0 == "") next
  if (match($0, /^\[[A-Z][A-Z ]*\]$/)) {
    current = substr($0, 2, RLENGTH - 2)
    if (!(current in sections)) order[++section_count] = current
    sections[current] = ""
    next
  }
  if (current != "") sections[current] = sections[current] $0 "\n"
  next
}

# The help text.
/^[Uu]sage: / {
  flush()
  synopsis = $0
  sub(/^[Uu]sage: +[^ ]+ */, "", synopsis)
  in_usage = 1
  next
}
in_usage && /^   +[^ ]/ {
  synopsis = synopsis " " trim($0)
  next
}
{ in_usage = 0 }

/^$/ {
  flush()
  next
}

# A heading: unindented, ending in a colon.
/^[^ ].*:$/ {
  heading = substr($0, 1, length($0) - 1)
  if (tolower(heading) == "commands" || tolower(heading) == "options") {
    start_section(toupper(heading))
  } else {
    if (!in_section) start_section("OPTIONS")
    flush()
    body = body ".SS \"" toupper(substr(heading, 1, 1)) substr(heading, 2) "\"\n"
  }
  next
}

# An item.
/^  [^ ]/ {
  flush()
  if (!in_section) start_section("OPTIONS")
  line = trim($0)
  if (match(line, /   *[^ ]/) && RSTART > 1) {
    term = substr(line, 1, RSTART - 1)
    description = trim(substr(line, RSTART))
  } else if (line ~ /^-/ && match(line, /^-[^ ]+( [A-Z][][A-Z_:]*)* [^ ]/)) {
    # An option whose text follows a single space: the option and its
    # upper-case values are the term.
    term = substr(line, 1, RLENGTH - 2)
    description = substr(line, RLENGTH)
  } else {
    term = line
  }
  next
}

# An item's next line.
/^   +[^ ]/ && term != "" {
  if (description != "") description = description " " trim($0)
  else term = term " " trim($0)
  next
}

# A paragraph.
{
  if (term != "") flush()
  paragraph = paragraph == "" ? trim($0) : paragraph " " trim($0)
}

END {
  flush()
  page = toupper(name)
  printf ".TH %s 1 \"%s\" \"%s %s\" \"User Commands\"\n", escape(page), date, escape(name), version
  # Long synopses and item lines read better unjustified and unhyphenated.
  printf ".nh\n.ad l\n"
  printf ".SH NAME\n%s \\- %s\n", escape(name), escape(summary)
  printf ".SH SYNOPSIS\n.B %s\n%s\n", escape(name), text_line(format_words(synopsis))
  for (i = 1; i <= section_count; i++) {
    if (order[i] == "DESCRIPTION" || order[i] == "OPTIONS") printf ".SH %s\n%s", order[i], sections[order[i]]
  }
  printf "%s", body
  for (i = 1; i <= section_count; i++) {
    if (order[i] != "DESCRIPTION" && order[i] != "OPTIONS") printf ".SH %s\n%s", order[i], sections[order[i]]
  }
}
