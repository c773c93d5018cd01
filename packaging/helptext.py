"""Reads a program's --help text: its command words, options, positional
arguments and subcommands, and what each option's value is (a choice, a
file, a folder or anything).

It reads the two layouts the programs print: CLI11's (voltrigg-cli: "Options:",
"Positionals:", "Subcommands:", option groups under any heading, the value's
type after the names, "TEXT:a|b" or "TEXT:{a,b}" for choices) and Qt's
(voltrigg-view and voltrigg: "-h, --help", values as "<NAME>" or "<a|b>").
Nothing in it names a particular option: the manual pages and the shell
completion follow the help as it changes.
"""
import os
import re
import subprocess
from dataclasses import dataclass, field

# The help in English, whatever the caller's locale; UTF-8 so that units such as °C pass.
ENGLISH = {"LC_ALL": "C.UTF-8", "LANG": "C.UTF-8", "LC_MESSAGES": "C.UTF-8", "LANGUAGE": ""}

USAGE = re.compile(r"^\s*(?:Usage|使い方|使用法|用法)\s*[:：]\s*(.*)$", re.IGNORECASE)
HEADING = re.compile(r"^(\S.*?)\s*[:：]\s*$")
OPTION_NAME = re.compile(r"^--?[A-Za-z0-9?][\w-]*$")
# A value's type as CLI11 shows it: TEXT, FLOAT=-10, TEXT:FILE, TEXT:{a,b}, INT [3] ...
CLI11_TYPE = re.compile(r"^[A-Z][A-Z0-9_]*(?:[:=\[].*)?$")
# Words CLI11 prints after the type that are not the type.
CLI11_FLAG_WORDS = ("REQUIRED", "Needs:", "Excludes:", "(Env:")
NUMBER_TYPES = ("FLOAT", "INT", "UINT", "NUMBER", "DOUBLE")
FILE_HINTS = re.compile(r"\bfiles?\b|\blist\b|\bprofile\b|\bjson\b|\bcsv\b|\bpdf\b|ファイル|リスト|プロファイル",
                        re.IGNORECASE)
DIR_HINTS = re.compile(r"\bfolder\b|\bdirectory\b|フォルダ|ディレクトリ", re.IGNORECASE)


def _extension(name):
    """The file name extension of a value's name ("LIST.csv", "<OUT.pdf>"), lower case."""
    name = re.split(r"[=\[]", name.strip("<>"), maxsplit=1)[0]
    m = re.search(r"\.([A-Za-z][A-Za-z0-9]*)$", name)
    return m.group(1).lower() if m else ""


def _kind(shown, text, extension):
    """What a value is, from the value as the help shows it and the entry's
    text: 'file', 'dir' or 'none' (anything, such as a number)."""
    base = shown.strip("<>").split(":", 1)[0].split("=", 1)[0].split("[", 1)[0].upper()
    if base in NUMBER_TYPES:
        return "none"
    upper = shown.upper()
    if "DIR" in upper:
        return "dir"
    if "FILE" in upper or "PATH" in upper or extension:
        return "file"
    if DIR_HINTS.search(text):
        return "dir"
    if FILE_HINTS.search(text):
        return "file"
    return "none"


def _choices(shown):
    """The choices a value allows, from the help's choice text: a|b|c, {a,b,c}, TYPE:a|b, <a|b>."""
    s = shown.strip()
    if s.startswith("<") and s.endswith(">"):
        s = s[1:-1]
    m = re.match(r"^[A-Z][A-Z0-9_]*:(.*)$", s)
    if m:
        s = m.group(1)
    m = re.fullmatch(r"\{(.*)\}", s)
    if m:
        items = [i.strip().split("->", 1)[0].strip() for i in m.group(1).split(",")]
    elif "|" in s:
        items = [i.strip() for i in s.split("|")]
    else:
        return []
    return [i for i in items if i and not re.search(r"\s", i)]


@dataclass
class Option:
    names: list  # ["-s", "--series"]
    value: str  # the value as the help shows it ("TEXT", "<LIST.csv>", "TEXT:a|b"), "" for a flag
    text: str  # the whole entry, description included

    def choices(self):
        return _choices(self.value) if self.value else []

    def extension(self):
        return _extension(self.value.split(":", 1)[0]) if self.value else ""

    def kind(self):
        """'choice', 'file', 'dir', 'none' (a value of any text), or '' for a flag."""
        if not self.value:
            return ""
        if self.choices():
            return "choice"
        return _kind(self.value, self.text, self.extension())


@dataclass
class Positional:
    names: list  # ["RESULT.csv", "MEASURED.csv"]
    text: str

    def extension(self):
        exts = {_extension(n) for n in self.names} - {""}
        return exts.pop() if len(exts) == 1 else ""

    def kind(self):
        return _kind(" ".join(self.names), self.text, self.extension())


@dataclass
class Help:
    command: list  # the usage line's command words: ["voltrigg-cli"], ["voltrigg-cli", "commission"]
    options: list = field(default_factory=list)
    positionals: list = field(default_factory=list)
    subcommands: list = field(default_factory=list)


def _entries(lines):
    """(heading, [entry lines]) for every indented entry under a heading, its
    continuation lines (indented deeper) included."""
    entries = []
    heading = None
    indent = None
    entry = None
    for line in lines:
        if not line.strip():
            entry = None
            continue
        if not line[0].isspace():
            m = HEADING.match(line)
            heading = m.group(1) if m else None
            indent = None
            entry = None
            continue
        if heading is None:
            continue
        depth = len(line) - len(line.lstrip())
        if indent is None or depth <= indent:
            indent = depth
            entry = [line.strip()]
            entries.append((heading, entry))
        elif entry is not None:
            entry.append(line.strip())
    return entries


def _option(first, rest):
    """An option entry, or None when the line names no option."""
    parts = re.split(r"\s{2,}", first, maxsplit=1)
    name_part = parts[0]
    tokens = name_part.split()
    names = []
    i = 0
    while i < len(tokens) and tokens[i].startswith("-"):
        names += [n for n in tokens[i].split(",") if n]
        i += 1
    if not names or not all(OPTION_NAME.match(n) for n in names):
        return None
    value = ""
    if i < len(tokens):
        tok = tokens[i]
        if tok.startswith("{") and "}" not in tok:
            # A choice list with blanks in it: up to its closing brace.
            j = i + 1
            while j < len(tokens) and "}" not in tokens[j - 1]:
                j += 1
            tok = " ".join(tokens[i:j])
        if tok.startswith("<") or "|" in tok or tok.startswith("{") or CLI11_TYPE.match(tok):
            value = tok
        elif i == len(tokens) - 1 and not tok.startswith(CLI11_FLAG_WORDS):
            value = tok  # a lone value name in the name column ("--sort KEY  ...")
    if value.startswith(CLI11_FLAG_WORDS):
        value = ""
    return Option(names, value, " ".join([first] + rest))


def parse(text):
    lines = text.splitlines()
    command = []
    for line in lines:
        m = USAGE.match(line)
        if m:
            words = m.group(1).split()
            command = [os.path.basename(words[0])] if words else []
            for word in words[1:]:
                if word.startswith(("[", "<", "-", "{")) or "." in word or word.isupper():
                    break
                command.append(word)
            break
    result = Help(command)
    for heading, entry in _entries(lines):
        first, rest = entry[0], entry[1:]
        if first.startswith("-"):
            option = _option(first, rest)
            if option:
                result.options.append(option)
            continue
        h = heading.lower()
        name_part = re.split(r"\s{2,}", first, maxsplit=1)[0]
        if re.search(r"positional|argument|引数", h):
            names = []
            for tok in name_part.split():
                if CLI11_TYPE.match(tok) and "." not in tok and names:
                    break  # CLI11's type after the names
                names.append(tok)
            result.positionals.append(Positional(names, " ".join(entry)))
        elif re.search(r"command|コマンド", h):
            name = name_part.split()[0]
            if re.fullmatch(r"[a-z][\w-]*", name) and name not in result.subcommands:
                result.subcommands.append(name)
    # Subcommands named in the text: "Run `voltrigg-cli commission --help`".
    if command:
        pattern = r"(?<![\w-])" + r"\s+".join(map(re.escape, command)) + r"\s+([a-z][\w-]*)\s+(?:--help|-h)\b"
        for name in re.findall(pattern, text):
            if name not in result.subcommands:
                result.subcommands.append(name)
    return result


def run_help(program, words, env=None):
    """The help text of `program words... --help` in English."""
    environment = dict(os.environ)
    environment.update(env if env is not None else ENGLISH)
    done = subprocess.run([program, *words, "--help"], env=environment, stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL, check=True, timeout=60)
    return done.stdout.decode("utf-8", errors="replace")


def read_tree(program, max_depth=3):
    """The program's help and every subcommand's, as {(words...): Help}."""
    tree = {}
    pending = [()]
    while pending:
        words = pending.pop(0)
        helped = parse(run_help(program, list(words)))
        tree[words] = helped
        if len(words) < max_depth:
            pending += [words + (s,) for s in helped.subcommands if words + (s,) not in tree]
    return tree
