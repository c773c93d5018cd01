#!/usr/bin/env python3
"""Writes the bash completion of a program from its own --help and the
--help of each subcommand it names (found again on every build, so new
options, choices and subcommands need no edit here).

    make_completion.py PROGRAM_PATH OUTPUT [--name NAME]

Completed: the options of the command or subcommand typed so far, the
choices of an option whose help gives them (TEXT:a|b, {a,b}, <a|b>), file
names where a file is asked for (those with the extension the value's name
shows first), folder names for folders, and subcommand names where the
first argument may be one.
"""
import argparse
import os
import re
import sys

# Run by the build: no byte code left in the source tree.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import helptext  # noqa: E402

RUNTIME = r'''
# The subcommand words typed before the cursor, the option whose value is
# being typed, and the number of arguments given; then the candidates.
@FN@() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=""
  ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
  local path="" option="" args=0 i word kind
  for ((i = 1; i < COMP_CWORD; i++)); do
    word=${COMP_WORDS[i]}
    if [[ $word == -* ]]; then
      # An option that takes a value consumes the next word, unless it came as --option=value.
      kind=$(@FN@_value "$path" "$word")
      if [[ -n $kind && ${COMP_WORDS[i + 1]} != "=" ]]; then ((i++)); fi
    elif [[ $word == "=" ]]; then
      ((i++))
    elif ((args == 0)) && [[ " $(@FN@_subcommands "$path") " == *" $word "* ]]; then
      path="${path:+$path }$word"
    else
      ((args++))
    fi
  done
  # --option=value arrives as three words: the option, "=" and the value.
  if [[ $cur == "=" && $prev == -* ]]; then
    option=$prev
    cur=""
  elif [[ $prev == "=" ]] && ((COMP_CWORD >= 2)); then
    option=${COMP_WORDS[COMP_CWORD - 2]}
  elif [[ $prev == -* ]]; then
    option=$prev
  fi
  COMPREPLY=()
  if [[ -n $option ]]; then
    kind=$(@FN@_value "$path" "$option")
    case $kind in
      choice\ *)
        local IFS=$' \t\n'
        mapfile -t COMPREPLY < <(compgen -W "${kind#choice }" -- "$cur")
        return ;;
      file*) @FN@_files "${kind#file}"; return ;;
      dir) compopt -o filenames 2>/dev/null; mapfile -t COMPREPLY < <(compgen -d -- "$cur"); return ;;
      none) return ;;
    esac
  fi
  if [[ $cur == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W "$(@FN@_options "$path")" -- "$cur")
    return
  fi
  if ((args == 0)); then
    mapfile -t COMPREPLY < <(compgen -W "$(@FN@_subcommands "$path")" -- "$cur")
  fi
  kind=$(@FN@_positional "$path")
  case $kind in
    file*) local words=("${COMPREPLY[@]}"); @FN@_files "${kind#file}"; COMPREPLY=("${words[@]}" "${COMPREPLY[@]}") ;;
    dir) compopt -o filenames 2>/dev/null; local d; mapfile -t d < <(compgen -d -- "$cur"); COMPREPLY+=("${d[@]}") ;;
  esac
}

# File names for $cur: folders, and files ending in .$1 (any case) when $1 is
# given; every file when none ends so.
@FN@_files() {
  local ext=${1#.} f
  local -a all
  compopt -o filenames 2>/dev/null
  mapfile -t all < <(compgen -f -- "$cur")
  COMPREPLY=()
  for f in "${all[@]}"; do
    if [[ -z $ext || -d $f || ${f,,} == *."${ext,,}" ]]; then COMPREPLY+=("$f"); fi
  done
  if ((${#COMPREPLY[@]} == 0)); then COMPREPLY=("${all[@]}"); fi
}

complete -F @FN@ @NAME@
'''


def shell_word(text):
    """A single-quoted shell word."""
    return "'" + text.replace("'", "'\\''") + "'"


def value_kind(option):
    kind = option.kind()
    if kind == "choice":
        return "choice " + " ".join(option.choices())
    if kind == "file":
        return "file" + ("." + option.extension() if option.extension() else "")
    return kind


def positional_kind(helped):
    """What the command's arguments are: the first file-like positional's kind."""
    for p in helped.positionals:
        kind = p.kind()
        if kind == "file":
            return "file" + ("." + p.extension() if p.extension() else "")
        if kind == "dir":
            return kind
    return ""


def generate(name, tree):
    fn = "_" + re.sub(r"\W", "_", name)
    out = [
        "# bash completion for %s -*- shell-script -*-" % name,
        "# Generated at build time from `%s --help` and its subcommands' --help by" % name,
        "# packaging/make_completion.py; edit the program's help, not this file.",
        "",
    ]

    def table(suffix, doc, rows):
        out.append("# %s" % doc)
        out.append("%s_%s() {" % (fn, suffix))
        out.append('  case "$1" in')
        for key, value in rows:
            out.append("    %s) echo %s ;;" % (key, shell_word(value)))
        out.append("  esac")
        out.append("}")
        out.append("")

    paths = sorted(tree)
    table("options", "The options of a command (by its subcommand words).",
          [(shell_word(" ".join(p)), " ".join(n for o in tree[p].options for n in o.names)) for p in paths])
    table("subcommands", "The subcommands of a command.",
          [(shell_word(" ".join(p)), " ".join(tree[p].subcommands)) for p in paths if tree[p].subcommands])
    table("positional", "What a command's arguments are (file[.EXT], dir), if anything to complete.",
          [(shell_word(" ".join(p)), positional_kind(tree[p])) for p in paths if positional_kind(tree[p])])
    rows = []
    for p in paths:
        for o in tree[p].options:
            kind = value_kind(o)
            if kind:
                rows.append(("|".join(shell_word(" ".join(p) + "|" + n) for n in o.names), kind))
    out.append("# What an option's value is: choice WORDS, file[.EXT], dir or none; nothing for a flag.")
    out.append("%s_value() {" % fn)
    out.append('  case "$1|$2" in')
    for key, value in rows:
        out.append("    %s) echo %s ;;" % (key, shell_word(value)))
    out.append("  esac")
    out.append("}")
    out.append(RUNTIME.replace("@FN@", fn).replace("@NAME@", name))
    return "\n".join(out)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("program", help="the built program")
    parser.add_argument("output", help="the completion file to write")
    parser.add_argument("--name", help="the command's name (default: the program's file name)")
    a = parser.parse_args()
    a.program = os.path.abspath(a.program)
    tree = helptext.read_tree(a.program)
    name = a.name or os.path.basename(a.program)
    if not tree[()].options:
        sys.exit("make_completion.py: %s --help shows no options" % a.program)
    text = generate(name, tree)
    tmp = a.output + ".tmp"
    with open(tmp, "w", encoding="utf-8") as f:
        f.write(text)
    os.replace(tmp, a.output)


if __name__ == "__main__":
    main()
