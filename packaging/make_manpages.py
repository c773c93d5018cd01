#!/usr/bin/env python3
"""Writes the manual pages of a program, in English and in Japanese, from the
program's own --help and --version (help2man), one page per subcommand that
its help names (voltrigg-cli-commission(1) for `voltrigg-cli commission`).

    make_manpages.py PROGRAM_PATH --version X.Y.Z --includes DIR --out DIR [--languages en ja]

Each page's help is run under the page's locale (C.UTF-8, ja_JP.UTF-8), so a
program that speaks the locale's language gives a page in it. What a help
cannot say (a longer description, exit statuses, files, examples) comes
from DIR/PAGE.h2m and DIR/PAGE.ja.h2m; a page without one is made from its
help alone. Pages go to OUT/man1/PAGE.1.gz and OUT/ja/man1/PAGE.1.gz,
compressed as Debian wants them (gzip -9n); OUT is the program's own
folder, emptied first. A program whose --version does not show the
package's version gets no page: the build stops.
"""
import argparse
import gzip
import os
import re
import shutil
import subprocess
import sys
import tempfile

# Run by the build: no byte code left in the source tree.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import helptext  # noqa: E402

# Per language: its locale, the include file's suffix, and the words by
# which help2man (in that language) finds the usage line and the options.
LANGUAGES = {
    "en": {"code": "en", "locale": "C.UTF-8", "suffix": ".h2m", "dir": "man1", "usage": "Usage", "options": "Options",
           "see_also": "SEE ALSO"},
    "ja": {"code": "ja", "locale": "ja_JP.UTF-8", "suffix": ".ja.h2m", "dir": "ja/man1", "usage": "使用法", "options": "オプション",
           "see_also": "関連項目"},
}
USAGE_WORDS = "Usage|使い方|使用法|用法"
OPTIONS_WORDS = "Options|オプション"
# Japanese text has no blanks at which groff may break a line: a break point
# (\:) goes after every CJK character, except before closing punctuation
# and after an opening bracket, and a source line break between two CJK
# characters is no blank (\c).
CJK = "\u3000-\u30ff\u3400-\u9fff\uff00-\uffef"
NO_BREAK_BEFORE = "、。，．）」』】〕・ー：；？！"
NO_BREAK_AFTER = "（「『【〔"


def program_version(program):
    """The version number the program's --version prints."""
    env = dict(os.environ, **helptext.ENGLISH)
    done = subprocess.run([program, "--version"], env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                          check=True, timeout=60)
    m = re.search(r"\d+(?:\.\d+)+", done.stdout.decode("utf-8", errors="replace"))
    return m.group(0) if m else ""


def locale_available(name):
    listed = subprocess.run(["locale", "-a"], stdout=subprocess.PIPE, check=True).stdout.decode().split()
    want = name.lower().replace("-", "")
    return any(entry.lower().replace("-", "") == want for entry in listed)


def normalise_help(text, language):
    """The help as help2man reads it best, its words unchanged: the usage and
    options headings in the words help2man looks for in the page's language,
    "-s,--series" as "-s, --series" (both names set in bold), and a
    description that touches its option's names with one blank (CLI11 does
    so when the names fill their column) moved to the description column."""
    lines = text.split("\n")
    columns = {}
    entry = re.compile(r"^(\s+-\S.*?\S)( {2,})\S")
    for line in lines:
        m = entry.match(line)
        if m:
            column = m.end(2)
            columns[column] = columns.get(column, 0) + 1
    column = max(columns, key=columns.get) if columns else 0
    out = []
    for i, line in enumerate(lines):
        line = re.sub(r"^(%s)\s*[:：]" % USAGE_WORDS, language["usage"] + ":", line)
        line = re.sub(r"^(%s)\s*[:：]\s*$" % OPTIONS_WORDS, language["options"] + ":", line)
        indent = len(line) - len(line.lstrip())
        following = lines[i + 1] if i + 1 < len(lines) else ""
        described_below = following.strip() != "" and len(following) - len(following.lstrip()) > indent
        if (column > 2 and re.match(r"^\s+-", line) and not described_below and len(line) > column and
                line[column - 1] == " " and line[column - 2] != " " and line[column] != " " and
                not re.search(r"\S {2,}\S", line[:column + 1])):
            line = line[:column] + " " + line[column:]
        line = re.sub(r"^(\s+-[A-Za-z0-9]),(--)", r"\1, \2", line)
        out.append(line)
    return "\n".join(out)


def typeset_cjk(page):
    """The manual page with break points in its Japanese text and, where it
    has any, lines filled without justification (blanks between Japanese
    words would stretch across the line)."""
    lines = page.split("\n")
    if not any(re.search("[%s]" % CJK, line) for line in lines):
        return page
    text_line = [not line.startswith((".", "'")) for line in lines]
    out = []
    for i, line in enumerate(lines):
        if text_line[i]:
            line = re.sub(r"([%s])(?=[^%s\s])" % (CJK, NO_BREAK_BEFORE),
                          lambda m: m.group(1) if m.group(1) in NO_BREAK_AFTER else m.group(1) + "\\:", line)
            following = lines[i + 1] if i + 1 < len(lines) else ""
            if (i + 1 < len(lines) and text_line[i + 1] and re.search("[%s]$" % CJK, line) and
                    re.match("[%s]" % CJK, following)):
                line += "\\c"
        out.append(line)
        if line.startswith(".TH "):
            out += [".ds AD l", ".ad l"]
    return "\n".join(out)


def write_wrapper(path, program, words, language_code):
    """A command named as the page: it runs the program (and its subcommand
    words) and prints what it prints, the help as normalise_help gives it."""
    script = """#!%s
import subprocess, sys
sys.dont_write_bytecode = True
sys.path.insert(0, %r)
import make_manpages
done = subprocess.run([%r] + %r + sys.argv[1:], stdout=subprocess.PIPE)
text = done.stdout.decode("utf-8", errors="replace")
sys.stdout.write(make_manpages.normalise_help(text, make_manpages.LANGUAGES[%r]))
sys.exit(done.returncode)
""" % (sys.executable, os.path.dirname(os.path.abspath(__file__)), program, words, language_code)
    with open(path, "w", encoding="utf-8") as f:
        f.write(script)
    os.chmod(path, 0o755)


def first_sentence(helped_text):
    """The help's own one-line description, for a page without an include file."""
    for line in helped_text.splitlines():
        line = line.strip()
        if line and not helptext.USAGE.match(line) and not helptext.HEADING.match(line):
            line = re.sub(r"^[\w-]+:\s*", "", line)  # "Voltrigg: plans ..." -> "plans ..."
            return re.split(r"(?<=\.)\s", line)[0].rstrip(".")
    return ""


def write_references(path, language, pages, more_follow):
    """An include file whose SEE ALSO names the pages of the program's other
    commands (the subcommands' on the program's page, the program's on a
    subcommand's), so that a new subcommand is named without an edit. The
    page's own include file may add to the list (more_follow)."""
    refs = ",\n".join(".BR %s (1)" % p.replace("-", "\\-") for p in pages)
    with open(path, "w", encoding="utf-8") as f:
        f.write("[%s]\n%s%s\n" % (language["see_also"], refs, "," if more_follow else ""))


def make_page(program, words, page, related, version, language, includes, out_dir, work):
    wrapper = os.path.join(work, page)
    write_wrapper(wrapper, program, words, language["code"])
    include = os.path.join(includes, page + language["suffix"])
    target = os.path.join(out_dir, language["dir"], page + ".1")
    os.makedirs(os.path.dirname(target), exist_ok=True)
    command = ["help2man", "--no-info", "--locale=" + language["locale"], "--version-string=%s %s" % (page, version),
               "--source=Voltrigg %s" % version, "--output=" + target]
    if related:
        references = os.path.join(work, page + language["suffix"] + ".refs")
        write_references(references, language, related, os.path.exists(include))
        command.append("--include=" + references)
    if os.path.exists(include):
        command.append("--include=" + include)
    else:
        env = dict(os.environ, **helptext.ENGLISH)
        description = first_sentence(helptext.run_help(program, words, env))
        if description:
            command.append("--name=" + description)
        print("make_manpages.py: no %s; the page is made from the help alone" % include, file=sys.stderr)
    command.append(page)
    env = dict(os.environ, PATH=work + os.pathsep + os.environ.get("PATH", ""))
    subprocess.run(command, env=env, check=True, timeout=120)
    with open(target, encoding="utf-8") as f:
        text = typeset_cjk(f.read()).encode("utf-8")
    # gzip -9n: best compression, no name or time stamp in the header.
    with open(target + ".gz", "wb") as raw, gzip.GzipFile(filename="", mode="wb", compresslevel=9, fileobj=raw,
                                                         mtime=0) as z:
        z.write(text)
    os.remove(target)
    return target + ".gz"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("program")
    parser.add_argument("--version", required=True, help="the package's version")
    parser.add_argument("--includes", required=True, help="the folder of the include files")
    parser.add_argument("--out", required=True, help="this program's folder to write man1/ and ja/man1/ into")
    parser.add_argument("--languages", nargs="+", default=["en", "ja"], choices=sorted(LANGUAGES))
    a = parser.parse_args()
    a.program = os.path.abspath(a.program)

    shown = program_version(a.program)
    if shown != a.version:
        sys.exit("make_manpages.py: %s --version shows %r, the package's version is %s"
                 % (a.program, shown, a.version))
    for code in a.languages:
        if not locale_available(LANGUAGES[code]["locale"]):
            sys.exit("make_manpages.py: the locale %s is not generated (scripts/package.sh generates it)"
                     % LANGUAGES[code]["locale"])
    name = os.path.basename(a.program)
    tree = helptext.read_tree(a.program)
    # The folder holds this program's pages alone: a subcommand that went takes its pages with it.
    shutil.rmtree(a.out, ignore_errors=True)
    with tempfile.TemporaryDirectory() as work:
        pages = {words: "-".join((name,) + words) for words in tree}
        for words in sorted(tree):
            # A command's page names its subcommands' pages and its parent's.
            related = [pages[w] for w in sorted(tree) if w[:-1] == words and w] + \
                      ([pages[words[:-1]]] if words else [])
            for code in a.languages:
                make_page(a.program, list(words), pages[words], related, a.version, LANGUAGES[code], a.includes,
                          a.out, work)


if __name__ == "__main__":
    main()
